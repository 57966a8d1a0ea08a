#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/doubles/FakeDesktopShell.h"
#include "tests/doubles/FakeWindowSystem.h"
#include "tests/doubles/VirtualClockQueue.h"
#include "tests/support/LogCapture.h"
#include "windows/WindowManager.h"

namespace varnic::testing {

using Lines = std::vector<std::string>;

// xlogo (pid 812, window 1) and xterm (pid 900, window 2) running beside Varnic
// (window 3), each with a focused window; nothing focused yet.
struct Desktop {
    Desktop() {
        system.addApplication(812, "xlogo", "/usr/bin/xlogo", 1);
        system.addApplication(900, "xterm", "/usr/bin/xterm", 2);
        system.addApplication(system.selfPid, "Varnic", system.ownBundle, 3);
        system.titles = {{1, {ax::success, "the logo"}},
                         {2, {ax::success, "shell"}},
                         {3, {ax::success, "Varnic"}}};
    }

    FakeWindowSystem system;
    FakeDesktopShell shell;
    VirtualClockQueue queue;
    std::shared_ptr<WindowManager> manager = WindowManager::create(system, shell, queue);
    LogCapture log;
};

}  // namespace varnic::testing
