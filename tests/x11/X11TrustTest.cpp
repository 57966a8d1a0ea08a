// The trust check: an X display and an EWMH window manager, noticed when it starts later.
#include <gtest/gtest.h>
#include <unistd.h>

#include "platform/x11/X11WindowSystem.h"
#include "tests/support/LogCapture.h"
#include "tests/x11/X11Session.h"

namespace varnic {
namespace {

using testing::X11Session;

TEST(X11Trust, FalseWithoutWindowManagerAndTrueOnceOpenboxRuns) {
    X11Session session(false);
    X11WindowSystem system(session.display().c_str());
    EXPECT_GE(system.connectionFd(), 0) << "the display itself is reachable";
    EXPECT_FALSE(system.isProcessTrusted()) << "no window manager: no active window to follow";
    EXPECT_FALSE(system.isProcessTrustedWithPrompt()) << "nothing to prompt on X11";
    EXPECT_FALSE(system.frontmostApplication());

    EXPECT_FALSE(system.windowManagerName());
    session.startWindowManager();
    EXPECT_TRUE(system.isProcessTrusted()) << "the same object re-checks on every call";
    EXPECT_EQ(system.windowManagerName(), "Openbox") << "named in the start-up line";
}

TEST(X11Trust, UnreachableDisplayIsAnOrdinaryAnswer) {
    testing::LogCapture log;
    X11WindowSystem system(":65000");
    EXPECT_EQ(system.connectionFd(), -1);
    EXPECT_FALSE(system.isProcessTrusted());
    EXPECT_FALSE(system.isProcessTrusted());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"X11: cannot open the X display"})
        << "reported once, not at every poll";

    const auto app = system.createApplication(getpid());
    EXPECT_EQ(system.copyAttributeValue(*app, attr::focusedWindow).code, ax::cannotComplete);
    const auto wide = system.createSystemWide();
    EXPECT_EQ(system.copyAttributeValue(*wide, attr::focusedApplication).code, ax::cannotComplete);
    EXPECT_FALSE(system.copyWindowList());
    EXPECT_FALSE(system.frontmostApplication());
    const auto self = system.runningApplication(getpid());
    ASSERT_TRUE(self) << "running applications come from /proc";
    EXPECT_EQ(self->bundleIdentifier, system.ownBundleIdentifier());
    system.processEvents();
    system.flush();
}

}  // namespace
}  // namespace varnic
