// The i3 backend against a real i3 on Xvfb: i3 keeps tiled windows at the
// layout's size whatever X11 requests say, its IPC can float and size them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

#include "platform/i3ipc/I3WindowSystem.h"
#include "platform/i3ipc/X11PidLookup.h"
#include "tests/doubles/FakeDesktopShell.h"
#include "tests/doubles/VirtualClockQueue.h"
#include "tests/support/LogCapture.h"
#include "tests/x11/X11Session.h"
#include "windows/WindowManager.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using ::testing::ElementsAre;
using testing::X11Session;

class I3WindowSystemTest : public ::testing::Test {
  protected:
    I3WindowSystemTest() {
        // i3 runs a config's exec lines once it manages windows; their output
        // goes to i3's own standard output.
        const auto directory = display.logDirectory();
        std::ofstream(directory + "/i3.config") << "# i3 config file (v4)\n"
                                                   "font pango:DejaVu Sans 8\n"
                                                   "ipc-socket "
                                                << socket << "\nexec echo ready\n";
        i3 = std::make_unique<ChildProcess>(
            std::vector<std::string>{"i3", "-c", directory + "/i3.config"},
            std::vector<std::string>{"DISPLAY=" + display.display()}, directory + "/i3.log");
        if (i3->readLine(20s) != "ready") throw std::runtime_error("i3 did not start");
        // The pid lookup reads the windows of $DISPLAY.
        setenv("DISPLAY", display.display().c_str(), 1);
        system = std::make_unique<I3WindowSystem>(
            socket, [this](const std::vector<std::uint32_t>& windows) { return lookup(windows); });
    }

    // Lets the backend handle its events until the condition holds.
    bool processEventsUntil(const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        for (;;) {
            system->processEvents();
            if (condition()) return true;
            if (std::chrono::steady_clock::now() > deadline) return false;
            pollfd descriptor{system->connectionFd(), POLLIN, 0};
            poll(&descriptor, 1, 50);
        }
    }

    X11Session display{false};
    std::string socket = display.logDirectory() + "/i3.sock";
    std::unique_ptr<ChildProcess> i3;
    X11PidLookup lookup;
    std::unique_ptr<I3WindowSystem> system;
};

TEST_F(I3WindowSystemTest, TiledXlogoIsFloatedToTheExactOuterSize) {
    ChildProcess xlogo({"xlogo"}, {"DISPLAY=" + display.display()},
                       display.logDirectory() + "/xlogo.log");
    ASSERT_TRUE(processEventsUntil([&] {
        const auto front = system->frontmostApplication();
        return front && front->processIdentifier == xlogo.pid();
    })) << "the pid comes from the X window, i3 does not tell it";
    const auto list = system->copyWindowList();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 1u) << "i3bar is not a window to resize";
    const auto id = *list->front().windowNumber;
    FakeDesktopShell shell;
    VirtualClockQueue queue;
    const auto manager = WindowManager::create(*system, shell, queue);
    testing::LogCapture log;

    manager->resizeActiveWindow(std::nullopt, 1280, 720);

    EXPECT_THAT(log.lines(),
                ElementsAre("Found focused window for XLogo", "Targeting window: xlogo",
                            "i3 IPC: window " + std::to_string(id) +
                                " (XLogo) is tiled; floating it so that it can take a size of "
                                "its own",
                            "Successfully resized XLogo to 1280.0x720.0"));
    // The oracle: i3's frame window around xlogo, title bar and borders included.
    const auto client =
        std::stoul(display.run({"xdotool", "search", "--class", "xlogo"}), nullptr, 10);
    const auto frame = display.frameGeometry(static_cast<xcb_window_t>(client));
    EXPECT_EQ(frame.width, 1280u);
    EXPECT_EQ(frame.height, 720u);
}

// i3 holds a floating window within its size hints: a window of one size
// cannot reach another, and saying so is the truth, as on every desktop.
TEST_F(I3WindowSystemTest, FixedSizeWindowIsAFailure) {
    ChildProcess fixed({VARNIC_FIXED_CLIENT, "fixed"}, {"DISPLAY=" + display.display()},
                       display.logDirectory() + "/fixed.log");
    ASSERT_TRUE(processEventsUntil([&] {
        const auto front = system->frontmostApplication();
        return front && front->processIdentifier == fixed.pid();
    }));
    const auto app = system->createApplication(fixed.pid());
    const auto window = system->copyAttributeValue(*app, attr::focusedWindow).takeElement();
    ASSERT_TRUE(window);
    testing::LogCapture log;
    const auto result =
        system->setAttributeValue(*window, attr::size, *system->createSizeValue(1280, 720));
    EXPECT_EQ(result.code, ax::failure);
    EXPECT_FALSE(result.nearest);
    EXPECT_THAT(log.lines().back(),
                ::testing::HasSubstr("instead of 1280x720: its maximum size is"));
}

}  // namespace
}  // namespace varnic
