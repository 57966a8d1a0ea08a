#pragma once

#include <memory>
#include <string>

#include "windows/AppIcon.h"
#include "windows/RunningApplication.h"

namespace varnic {

// The window a resize acts on. Treated as a value: a new target is a new record.
struct TargetWindowInfo {
    std::string appName;
    std::string windowTitle;
    std::shared_ptr<const AppIcon> appIcon;
    Pid pid = 0;
};

}  // namespace varnic
