// The X11 window system against Xvfb, openbox and real clients.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <sstream>

#include "platform/fake/VirtualClockQueue.h"
#include "platform/x11/X11WindowSystem.h"
#include "tests/support/LogCapture.h"
#include "tests/x11/X11Session.h"
#include "windows/WindowManager.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::X11Session;

class X11WindowSystemTest : public ::testing::Test {
  protected:
    // The window system's element for a client window, through its application.
    Element windowOf(Pid pid) {
        const auto app = system.createApplication(pid);
        auto read = system.copyAttributeValue(*app, attr::focusedWindow);
        auto* element = std::get_if<Element>(&read.value);
        return element ? std::move(*element) : nullptr;
    }
    std::string titleOf(const ElementRef& window) {
        const auto read = system.copyAttributeValue(window, attr::title);
        return read.text() ? *read.text() : "<no text>";
    }
    void activate(xcb_window_t window) {
        session.run({"xdotool", "windowactivate", "--sync", std::to_string(window)});
        ASSERT_TRUE(X11Session::waitUntil([&] { return session.activeWindow() == window; }));
    }
    // Waits until the client's frame has the outer size.
    bool outerSizeBecomes(xcb_window_t window, unsigned width, unsigned height) {
        return X11Session::waitUntil(
            [&] {
                const auto frame = session.frameGeometry(window);
                return frame.width == width && frame.height == height;
            },
            5s);
    }

    X11Session session;
    X11WindowSystem system{session.display().c_str()};
};

TEST_F(X11WindowSystemTest, ResizesXlogoToTheExactOuterFrameSize) {
    auto& xlogo = session.startProgram({"xlogo"});
    const auto window = xlogo.windows.front();
    activate(window);
    VirtualClockQueue queue;
    const auto manager = WindowManager::create(system, queue);
    testing::LogCapture log;

    manager->resizeActiveWindow(std::nullopt, 1280, 720);

    EXPECT_THAT(log.lines(),
                ElementsAre("Found focused window for XLogo", "Targeting window: xlogo",
                            "Successfully resized XLogo to 1280.0x720.0"));
    ASSERT_TRUE(outerSizeBecomes(window, 1280, 720))
        << "frame is " << session.frameGeometry(window).width << "x"
        << session.frameGeometry(window).height;
    const auto extents = session.frameExtents(window);
    ASSERT_EQ(extents.size(), 4u);
    const auto client = session.clientGeometry(window);
    EXPECT_EQ(client.width, 1280 - extents[0] - extents[1]) << "decorations are part of the size";
    EXPECT_EQ(client.height, 720 - extents[2] - extents[3]);
}

}  // namespace
}  // namespace varnic
