// The X11 window system against Xvfb, openbox and real clients: the sizes,
// frames, stacking and activations only a real window manager shows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "platform/x11/X11WindowSystem.h"
#include "tests/support/LogCapture.h"
#include "tests/x11/X11Session.h"
#include "windows/WindowResizer.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using testing::X11Session;

class X11WindowSystemTest : public ::testing::Test {
  protected:
    // The window system's element for a client window, through its application.
    Element windowOf(Pid pid) {
        auto read = system.copyAttributeValue(*system.createApplication(pid), attr::focusedWindow);
        return read.takeElement();
    }
    SizeWriteResult resize(const X11Session::Client& client, double width, double height) {
        const auto window = windowOf(client.pid());
        if (!window) return {ax::noValue, std::nullopt};
        return system.setAttributeValue(*window, attr::size,
                                        *system.createSizeValue(width, height));
    }
    void activate(xcb_window_t window) {
        session.run({"xdotool", "windowactivate", "--sync", std::to_string(window)});
    }
    // Waits until the client's frame has the outer size.
    bool outerSizeBecomes(xcb_window_t window, unsigned width, unsigned height) {
        return X11Session::waitUntil([&] {
            const auto frame = session.frameGeometry(window);
            return frame.width == width && frame.height == height;
        });
    }

    X11Session session;
    X11WindowSystem system{session.display().c_str()};
};

// Success only when the outer frame has the size, or the nearest one the window allows.
TEST_F(X11WindowSystemTest, SizeWritesSucceedOnlyWhenTheOuterFrameHasTheSize) {
    auto& xlogo = session.startProgram({"xlogo"});
    auto& xterm = session.startProgram({"xterm", "-e", "sleep 60"});
    auto& fixed = session.startTestClient({"--fixed"});
    auto& shadowed = session.startTestClient({});

    EXPECT_EQ(resize(xlogo, 1920, 1080).code, ax::success);
    EXPECT_TRUE(outerSizeBecomes(xlogo.windows[0], 1920, 1080));
    session.run({"wmctrl", "-i", "-r", std::to_string(xlogo.windows[0]), "-b",
                 "add,maximized_vert,maximized_horz"});
    ASSERT_TRUE(X11Session::waitUntil(
        [&] { return session.frameGeometry(xlogo.windows[0]).width == 2560; }));
    EXPECT_EQ(resize(xlogo, 800, 600).code, ax::success);
    EXPECT_TRUE(outerSizeBecomes(xlogo.windows[0], 800, 600))
        << "a maximized window is unmaximized first";

    // xterm sizes in character cells of 6 x 13 from a base of 4 x 4; openbox
    // adds 2 x 25 of decorations: 1276 x 693 inside, 1278 x 718 outside.
    const auto nearest = resize(xterm, 1280, 720);
    ASSERT_TRUE(nearest.nearest);
    EXPECT_EQ(std::tuple(nearest.code, nearest.nearest->size.width, nearest.nearest->size.height,
                         nearest.nearest->reason),
              std::tuple(ax::success, 1278, 718, "it sizes in steps of 6x13"));
    EXPECT_TRUE(outerSizeBecomes(xterm.windows[0], 1278, 718));

    testing::LogCapture log;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(resize(fixed, 1280, 720).code, ax::failure);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s)
        << "the window manager's answer ends the wait, not the timeout";
    EXPECT_THAT(log.lines(),
                ElementsAre("X11: the window manager kept window " +
                            X11Session::hex(fixed.windows[0]) + " at 302x221 instead of 1280x720"));

    // A client-side-decorated window draws an invisible shadow inside its own area.
    session.setProperty(shadowed.windows[0], "_GTK_FRAME_EXTENTS", "CARDINAL", {10, 10, 8, 12});
    const auto extents = session.frameExtents(shadowed.windows[0]);
    EXPECT_EQ(resize(shadowed, 640, 480).code, ax::success);
    EXPECT_TRUE(X11Session::waitUntil([&] {
        const auto inner = session.clientGeometry(shadowed.windows[0]);
        return inner.width == 640 - extents[0] - extents[1] + 20 &&
               inner.height == 480 - extents[2] - extents[3] + 20;
    }));
}

TEST_F(X11WindowSystemTest, ActivationsNameTheApplicationOnceEachChange) {
    auto& xlogo = session.startProgram({"xlogo"});
    auto& xterm = session.startProgram({"xterm", "-e", "sleep 60"});
    std::vector<ActivationNotification> seen;
    const auto subscription =
        system.subscribeActivations([&](const ActivationNotification& n) { seen.push_back(n); });
    auto activated = [&](Pid pid) {
        return X11Session::waitUntil([&] {
            system.processEvents();
            return !seen.empty() && seen.back().application &&
                   seen.back().application->processIdentifier == pid;
        });
    };
    activate(xlogo.windows[0]);
    ASSERT_TRUE(activated(xlogo.pid()));
    EXPECT_EQ(seen.back().application->bundleIdentifier, "/usr/bin/xlogo") << "/proc/PID/exe";
    activate(xterm.windows[0]);
    ASSERT_TRUE(activated(xterm.pid()));
    const auto count = seen.size();
    activate(xterm.windows[0]);
    system.processEvents();
    EXPECT_EQ(seen.size(), count) << "no notification without a change of application";
}

TEST_F(X11WindowSystemTest, WindowListIsFrontmostFirstWithOuterFramesOwnersAndLayers) {
    auto& xlogo = session.startProgram({"xlogo", "-geometry", "320x240"});
    auto& normal = session.startTestClient({"--title", "normal", "--size", "400x300"});
    session.startTestClient({"--type", "DESKTOP", "--title", "desktop"});
    auto& dock = session.startTestClient({"--type", "DOCK", "--title", "dock", "--size", "600x40"});
    auto& above = session.startTestClient({"--title", "above"});
    session.run({"wmctrl", "-i", "-r", std::to_string(above.windows[0]), "-b", "add,above"});
    auto& iconified = session.startTestClient({"--title", "iconified"});
    session.run({"xdotool", "windowminimize", "--sync", std::to_string(iconified.windows[0])});
    activate(xlogo.windows[0]);

    const auto list = system.copyWindowList();
    ASSERT_TRUE(list);
    std::vector<std::string> titles;
    for (const auto& entry : *list) titles.push_back(entry.windowName.value_or("?"));
    ASSERT_EQ(titles.size(), 4u);
    EXPECT_THAT(std::vector(titles.begin(), titles.begin() + 2),
                ::testing::UnorderedElementsAre("dock", "above"));
    EXPECT_THAT(std::vector(titles.begin() + 2, titles.end()), ElementsAre("xlogo", "normal"))
        << "desktop and iconified windows are not on screen; docks and above windows stay on "
           "top; the activated xlogo is raised over the later window";

    // xlogo sets no _NET_WM_PID: its owner comes from the X server (X-Resource).
    const std::map<std::string, std::tuple<Pid, std::int64_t>> owners{{"normal", {normal.pid(), 0}},
                                                                      {"xlogo", {xlogo.pid(), 0}},
                                                                      {"dock", {dock.pid(), 20}},
                                                                      {"above", {above.pid(), 3}}};
    for (const auto& entry : *list) {
        const auto& name = *entry.windowName;
        EXPECT_EQ(std::tuple(*entry.ownerPID, *entry.windowLayer), owners.at(name)) << name;
        const auto frame = session.frameGeometry(static_cast<xcb_window_t>(*entry.windowNumber));
        EXPECT_EQ(entry.bounds->at("Width"), frame.width) << name << ": the outer frame";
    }
    EXPECT_EQ(system.runningApplication(dock.pid())->activationPolicy, ActivationPolicy::accessory);
    EXPECT_TRUE(system.runningApplication(iconified.pid())->isHidden);
}

TEST_F(X11WindowSystemTest, DestroyedWindowIsAnInvalidElementNotACrash) {
    auto& client = session.startTestClient({"--title", "doomed"});
    const auto element = windowOf(client.pid());
    ASSERT_TRUE(element);
    const auto pid = client.pid();
    session.stopClient(client);

    EXPECT_EQ(system.copyAttributeValue(*element, attr::title).code, ax::invalidUIElement);
    EXPECT_EQ(
        system.setAttributeValue(*element, attr::size, *system.createSizeValue(640, 480)).code,
        ax::invalidUIElement);
    EXPECT_FALSE(system.runningApplication(pid));
    // The same through the resize path: a line about the vanished target, no crash.
    testing::LogCapture log;
    WindowResizer(system).resizeWindow(RunningApplication{pid, "Gone", {}, {}}, 640, 480);
    EXPECT_THAT(log.lines(), ::testing::Contains(::testing::HasSubstr("Gone")));
    EXPECT_TRUE(system.isProcessTrusted()) << "the connection survives every error";
}

// A client that grabs the server and never lets go holds every other client's requests.
TEST_F(X11WindowSystemTest, FrozenServerGrabCostsTheTimeoutNotAHang) {
    auto& client = session.startTestClient({});
    const auto app = system.createApplication(client.pid());
    system.setMessagingTimeout(*app, 2.0f);
    auto* grabber = xcb_connect(session.display().c_str(), nullptr);
    xcb_grab_server(grabber);
    std::free(xcb_get_input_focus_reply(grabber, xcb_get_input_focus(grabber), nullptr));
    testing::LogCapture log;

    const auto start = std::chrono::steady_clock::now();
    const auto read = system.copyAttributeValue(*app, attr::focusedWindow);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    xcb_disconnect(grabber);

    EXPECT_EQ(read.code, ax::cannotComplete);
    EXPECT_GE(elapsed, 1900ms);
    EXPECT_LT(elapsed, 3000ms) << "bounded by the 2.0 s messaging timeout";
    EXPECT_THAT(log.lines(), ElementsAre("X11: no answer from the X server within 2.0 s"));
    EXPECT_TRUE(system.isProcessTrusted()) << "late replies are dropped once the grab ends";
    EXPECT_TRUE(system.copyWindowList());
}

// The connection survives a missing display and reports it once, not at every poll.
TEST(X11WindowSystem, UnreachableDisplayIsAnOrdinaryAnswer) {
    testing::LogCapture log;
    X11WindowSystem system(":65000");
    EXPECT_EQ(system.connectionFd(), -1);
    EXPECT_FALSE(system.isProcessTrusted());
    EXPECT_FALSE(system.isProcessTrusted());
    const auto wide = system.createSystemWide();
    EXPECT_EQ(system.copyAttributeValue(*wide, attr::focusedApplication).code, ax::cannotComplete);
    EXPECT_FALSE(system.copyWindowList());
    EXPECT_EQ(log.lines(), std::vector<std::string>{"X11: cannot open the X display"});
}

}  // namespace
}  // namespace varnic
