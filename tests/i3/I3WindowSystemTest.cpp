// The i3 backend against a real i3 on Xvfb: i3 keeps tiled windows at the
// layout's size whatever X11 requests say, its IPC can float and size them;
// it holds a floating window within its size hints.
#include <gtest/gtest.h>
#include <poll.h>

#include <cstdlib>
#include <fstream>

#include "platform/i3ipc/I3WindowSystem.h"
#include "platform/i3ipc/X11PidLookup.h"
#include "tests/x11/X11Session.h"

namespace varnic {
namespace {

TEST(I3WindowSystemTest, TiledXlogoIsFloatedToTheExactOuterSizeAndAFixedSizeWindowIsAFailure) {
    testing::X11Session display(false);
    testing::TestDesktop i3("i3");
    const auto socket = i3.logDirectory() + "/i3.sock";
    // i3 runs a config's exec lines once it manages windows; their output
    // goes to i3's own standard output.
    std::ofstream(i3.logDirectory() + "/config")
        << "# i3 config file (v4)\nfont pango:DejaVu Sans 8\nipc-socket " << socket
        << "\nexec echo ready\n";
    i3.startDesktop({"i3", "-c", i3.logDirectory() + "/config"}, {"DISPLAY=" + display.display()},
                    "ready");
    // The pid lookup reads the windows of $DISPLAY.
    setenv("DISPLAY", display.display().c_str(), 1);
    X11PidLookup lookup;
    I3WindowSystem system(socket,
                          [&](const std::vector<std::uint32_t>& ids) { return lookup(ids); });
    const auto frontmost = [&](pid_t pid) {
        return testing::TestDesktop::waitUntil([&] {
            system.processEvents();
            pollfd descriptor{system.connectionFd(), POLLIN, 0};
            const auto front = system.frontmostApplication();
            return (front && front->processIdentifier == pid) || (poll(&descriptor, 1, 50), false);
        });
    };
    // The focused window of the process to 1280x720.
    const auto resize = [&](pid_t pid) {
        const auto window =
            system.copyAttributeValue(*system.createApplication(pid), attr::focusedWindow)
                .takeElement();
        EXPECT_TRUE(window);
        return window ? system.setAttributeValue(*window, attr::size,
                                                 *system.createSizeValue(1280, 720))
                      : SizeWriteResult{ax::failure, std::nullopt};
    };
    testing::ChildProcess xlogo({"xlogo"}, {"DISPLAY=" + display.display()}, "/dev/null");
    ASSERT_TRUE(frontmost(xlogo.pid())) << "the pid comes from the X window, i3 does not tell it";
    const auto list = system.copyWindowList();
    ASSERT_TRUE(list);
    ASSERT_EQ(list->size(), 1u) << "i3bar is not a window to resize";
    EXPECT_EQ(resize(xlogo.pid()).code, ax::success);
    // The oracle: i3's frame window around xlogo, title bar and borders
    // included (a tiled window could not have the size).
    const auto client =
        std::stoul(display.run({"xdotool", "search", "--class", "xlogo"}), nullptr, 10);
    const auto frame = display.frameGeometry(static_cast<xcb_window_t>(client));
    EXPECT_EQ(frame.width, 1280u);
    EXPECT_EQ(frame.height, 720u);

    testing::ChildProcess fixed({VARNIC_FIXED_CLIENT, "fixed"}, {"DISPLAY=" + display.display()},
                                "/dev/null");
    ASSERT_TRUE(frontmost(fixed.pid()));
    const auto result = resize(fixed.pid());
    EXPECT_EQ(result.code, ax::failure) << "one allowed size, and saying so is the truth";
    EXPECT_FALSE(result.nearest);
}

}  // namespace
}  // namespace varnic
