// The X11 window system against Xvfb, openbox and real clients: the sizes,
// frames, stacking and activations only a real window manager shows, and what
// hostile clients, a silent window manager or a flood of windows can do, seen
// as the user sees it: which window changed size, the log, and whether the
// application kept handling its input meanwhile.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <limits>
#include <map>

#include "platform/x11/X11WindowSystem.h"
#include "support/Responsive.h"
#include "tests/doubles/FakeDesktopShell.h"
#include "tests/doubles/VirtualClockQueue.h"
#include "tests/support/LogCapture.h"
#include "tests/x11/X11Session.h"
#include "windows/WindowManager.h"
#include "windows/WindowResizer.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::X11Session;
using Clock = std::chrono::steady_clock;

// The longest stretch (ms) in which the application got no turn to handle
// input during the action. Time the thread spent ready but waiting for a CPU
// (other programs' load, from the kernel's schedstat) is not the application's.
long long longestInputGap(const std::function<void()>& action) {
    const auto ownTime = [] {
        std::ifstream stat("/proc/thread-self/schedstat");
        long long onCpu = 0, waiting = 0;
        stat >> onCpu >> waiting;
        return Clock::now().time_since_epoch() - std::chrono::nanoseconds(waiting);
    };
    auto last = ownTime();
    Clock::duration longest{};
    const auto note = [&] {
        longest = std::max(longest, ownTime() - last);
        last = ownTime();
    };
    Responsive::install(note);
    action();
    note();
    Responsive::install(nullptr);
    return std::chrono::duration_cast<std::chrono::milliseconds>(longest).count();
}

class X11WindowSystemTest : public ::testing::Test {
  protected:
    // The window system's element for a client window, through its application.
    Element windowOf(Pid pid) {
        return system.copyAttributeValue(*system.createApplication(pid), attr::focusedWindow)
            .takeElement();
    }
    std::string titleOf(Pid pid) {
        const auto read = system.copyAttributeValue(*windowOf(pid), attr::title);
        return read.text() ? *read.text() : "<no text>";
    }
    SizeWriteResult resize(const X11Session::Client& client, double width, double height) {
        return system.setAttributeValue(*windowOf(client.pid()), attr::size,
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
    FakeDesktopShell shell;
    VirtualClockQueue queue;
    const std::shared_ptr<WindowManager> manager = WindowManager::create(system, shell, queue);
    testing::LogCapture log;
};

// Success only when the outer frame has the size, or the nearest one the window allows.
TEST_F(X11WindowSystemTest, SizeWritesSucceedOnlyWhenTheOuterFrameHasTheSize) {
    auto& xlogo = session.startProgram({"xlogo"});
    auto& xterm = session.startProgram({"xterm", "-e", "sleep 60"});
    auto& fixed = session.startTestClient({"--fixed"});
    auto& shadowed = session.startTestClient({});

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

    log.take();
    const auto start = Clock::now();
    EXPECT_EQ(resize(fixed, 1280, 720).code, ax::failure);
    EXPECT_LT(Clock::now() - start, 1s)
        << "the window manager's answer ends the wait, not the timeout";
    EXPECT_THAT(log.take(),
                ElementsAre("X11: the window manager kept window " +
                            X11Session::hex(fixed.windows[0]) + " at 302x221 instead of 1280x720"));

    // A client-side-decorated window draws an invisible shadow inside its own
    // area: the frame is larger by the shadow.
    session.setProperty(shadowed.windows[0], "_GTK_FRAME_EXTENTS", "CARDINAL", {10, 10, 8, 12});
    EXPECT_EQ(resize(shadowed, 640, 480).code, ax::success);
    EXPECT_TRUE(outerSizeBecomes(shadowed.windows[0], 660, 500));
}

// Activations name the application once each change; the list of windows on
// screen is frontmost first, with outer frames, owners and layers.
TEST_F(X11WindowSystemTest, ActivationsAndTheWindowListFollowTheWindowManager) {
    auto& xlogo = session.startProgram({"xlogo", "-geometry", "320x240"});
    auto& normal = session.startTestClient({"--title", "normal", "--size", "400x300"});
    session.startTestClient({"--type", "DESKTOP", "--title", "desktop"});
    auto& dock = session.startTestClient({"--type", "DOCK", "--title", "dock", "--size", "600x40"});
    auto& iconified = session.startTestClient({"--title", "iconified"});
    session.run({"xdotool", "windowminimize", "--sync", std::to_string(iconified.windows[0])});
    std::vector<ActivationNotification> seen;
    const auto subscription =
        system.subscribeActivations([&](const ActivationNotification& n) { seen.push_back(n); });
    auto activated = [&](const X11Session::Client& client) {
        activate(client.windows[0]);
        return X11Session::waitUntil([&] {
            system.processEvents();
            return !seen.empty() && seen.back().application &&
                   seen.back().application->processIdentifier == client.pid();
        });
    };
    ASSERT_TRUE(activated(normal));
    ASSERT_TRUE(activated(xlogo));
    EXPECT_EQ(seen.back().application->bundleIdentifier, "/usr/bin/xlogo") << "/proc/PID/exe";
    const auto count = seen.size();
    activate(xlogo.windows[0]);
    system.processEvents();
    EXPECT_EQ(seen.size(), count) << "no notification without a change of application";

    const auto list = system.copyWindowList();
    ASSERT_TRUE(list);
    std::vector<std::string> titles;
    for (const auto& entry : *list) titles.push_back(entry.windowName.value_or("?"));
    ASSERT_THAT(titles, ElementsAre("dock", "xlogo", "normal"))
        << "desktop and iconified windows are not on screen; docks stay on top; the activated "
           "xlogo is raised over the later window";

    // xlogo sets no _NET_WM_PID: its owner comes from the X server (X-Resource).
    const std::map<std::string, std::tuple<Pid, std::int64_t>> owners{
        {"normal", {normal.pid(), 0}}, {"xlogo", {xlogo.pid(), 0}}, {"dock", {dock.pid(), 20}}};
    for (const auto& entry : *list) {
        const auto& name = *entry.windowName;
        EXPECT_EQ(std::tuple(*entry.ownerPID, *entry.windowLayer), owners.at(name)) << name;
        const auto frame = session.frameGeometry(static_cast<xcb_window_t>(*entry.windowNumber));
        EXPECT_EQ(entry.bounds->at("Width"), frame.width) << name << ": the outer frame";
    }
    EXPECT_EQ(system.runningApplication(dock.pid())->activationPolicy, ActivationPolicy::accessory);
    EXPECT_TRUE(system.runningApplication(iconified.pid())->isHidden);
}

// A client that grabs the server and never lets go holds every other client's requests.
TEST_F(X11WindowSystemTest, FrozenServerGrabCostsTheTimeoutNotAHang) {
    const auto app = system.createApplication(session.startTestClient({}).pid());
    system.setMessagingTimeout(*app, 2.0f);
    auto* grabber = xcb_connect(session.display().c_str(), nullptr);
    xcb_grab_server(grabber);
    std::free(xcb_get_input_focus_reply(grabber, xcb_get_input_focus(grabber), nullptr));
    log.take();

    const auto start = Clock::now();
    const auto read = system.copyAttributeValue(*app, attr::focusedWindow);
    const auto elapsed = Clock::now() - start;
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

// The panel named application A; A quits while Varnic waits for its panel to
// hide, and B is frontmost by then; A's window, still held, is gone. Then the
// window manager stops (SIGSTOP): it still takes every request to itself,
// and answers none.
TEST_F(X11WindowSystemTest, NoWindowIsResizedForATargetThatQuitOrByASilentWindowManager) {
    auto& a = session.startTestClient({"--title", "A"});
    const auto b = session.startTestClient({"--title", "B"}).windows[0];
    // This process plays Varnic: a window of its own is the active one.
    const std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> own(
        xcb_connect(session.display().c_str(), nullptr), xcb_disconnect);
    const auto panel = xcb_generate_id(own.get());
    xcb_create_window(own.get(), XCB_COPY_FROM_PARENT, panel, session.root(), 0, 0, 200, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_map_window(own.get(), panel);
    xcb_flush(own.get());
    ASSERT_TRUE(X11Session::waitUntil(
        [&] { return std::ranges::count(session.clientList(), panel) == 1; }));
    activate(panel);
    const auto aPid = a.pid();
    const auto aWindow = windowOf(aPid);
    ASSERT_TRUE(aWindow);
    const auto bWidth = session.frameGeometry(b).width;
    log.take();

    manager->resizeActiveWindow(aPid, 1920, 1080);
    ASSERT_EQ(shell.hideCount, 1);
    session.stopClient(a);
    activate(b);
    queue.advance(0.5);
    EXPECT_EQ(log.take(),
              std::vector<std::string>{"The target application (pid " + std::to_string(aPid) +
                                       ") is gone; no window was resized"});
    EXPECT_EQ(session.frameGeometry(b).width, bWidth) << "B keeps its size";
    EXPECT_EQ(system.copyAttributeValue(*aWindow, attr::title).code, ax::invalidUIElement);
    EXPECT_EQ(
        system.setAttributeValue(*aWindow, attr::size, *system.createSizeValue(640, 480)).code,
        ax::invalidUIElement);
    EXPECT_FALSE(system.runningApplication(aPid));
    // The same through the resize path: a line about the vanished target, no crash.
    WindowResizer(system).resizeWindow(RunningApplication{aPid, "Gone", {}, {}}, 640, 480);
    EXPECT_THAT(log.take(), Contains(HasSubstr("Gone")));

    kill(session.windowManager().pid(), SIGSTOP);
    ASSERT_TRUE(system.isProcessTrusted()) << "it passes for a window manager";
    const auto start = Clock::now();
    EXPECT_LT(longestInputGap([&] { manager->resizeActiveWindow(std::nullopt, 640, 480); }), 100);
    EXPECT_LT(Clock::now() - start, 6s) << "2 s for each of the two attempts";
    EXPECT_THAT(log.lines(), Contains("X11: the window manager did not answer the resize of "
                                      "window " +
                                      X11Session::hex(b) + " in time"));
    EXPECT_THAT(log.lines(), ::testing::Not(Contains(HasSubstr("no answer from the X server"))))
        << "the X server answered";
    EXPECT_EQ(session.frameGeometry(b).width, bWidth);
}

// A client posing as the window manager: a root client list of 2^20 entries,
// extents no screen holds, an active window that is gone.
TEST(X11HostileRoot, CostsBoundedWorkWhileInputIsHandledAndBlamesNoOne) {
    X11Session session(false);
    auto& doomed = session.startTestClient({"--count", "2"});
    const auto gone = doomed.windows.back();
    session.stopClient(doomed);
    ASSERT_TRUE(X11Session::waitUntil([&] { return session.frameGeometry(gone).width == 0; }));
    // The next client gets the freed id range, so the gone window's id is in
    // its range without being its window.
    const auto fake = session.startTestClient({}).windows[0];
    session.setProperty(session.root(), "_NET_CLIENT_LIST_STACKING", "WINDOW",
                        std::vector<std::uint32_t>(1 << 20, fake));
    session.setProperty(session.root(), "_NET_ACTIVE_WINDOW", "WINDOW", {gone});
    session.setProperty(fake, "_GTK_FRAME_EXTENTS", "CARDINAL",
                        {4294967295, 1, 2147483648, 2147483648});
    X11WindowSystem system(session.display().c_str());
    testing::LogCapture log;

    std::optional<std::vector<WindowListEntry>> list;
    const auto start = Clock::now();
    EXPECT_LT(longestInputGap([&] { list = system.copyWindowList(); }), 100);
    // Bounded by the 2 s deadline, with room for a sanitizer build under
    // load; unbounded, this read took about 40 s.
    EXPECT_LT(Clock::now() - start, 6s);
    if (list) {
        ASSERT_FALSE(list->empty());
        EXPECT_EQ(list->front().bounds->at("Width"), 300) << "the hostile shadow is ignored";
    }
    EXPECT_FALSE(system.frontmostApplication()) << "the gone window is nobody's";
    system.copyWindowList();
    for (const double bad :
         {1e-300, 0.4, 32767.5, -5.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(system.createSizeValue(bad, 600)) << bad;
    }
    EXPECT_TRUE(system.createSizeValue(32767, 0.5)) << "the protocol's largest and smallest";
    // Each hostile fact once; a slow (sanitizer) build may also log a timeout.
    for (const auto& line : std::vector<std::string>{
             "X11: the window manager lists more than 65536 windows; only the first 65536 are read",
             "X11: window " + X11Session::hex(fake) +
                 " gives _GTK_FRAME_EXTENTS of 4294967295, 1, 2147483648, 2147483648, larger "
                 "than the screen; they are ignored",
             "X11: cannot size a window to 1e-300x600: the X protocol carries whole sizes from 1 "
             "to 32767"}) {
        EXPECT_EQ(std::ranges::count(log.lines(), line), 1) << line;
    }
}

// What any client may put into its properties: broken UTF-8, titles beyond
// 64 KiB, properties of the wrong type, a class without its final NUL, an
// icon list cut short, frame extents no frame has.
TEST_F(X11WindowSystemTest, HostilePropertiesAreReadSafelyAndLongTitlesEndOnAWholeCharacter) {
    std::string endless = "\u200F";
    while (endless.size() < 96 * 1024) endless += "\u20AC";
    auto& broken = session.startTestClient({"--title",
                                            "A\xff"
                                            "B\xc0\xaf"
                                            "C\xed\xa0\x80"
                                            "D\xf4\x90\x80\x80"});
    auto& longTitle = session.startTestClient({"--title", endless});
    auto& liar = session.startTestClient({});
    const auto window = liar.windows[0];
    session.setText(window, "_NET_WM_NAME", "CARDINAL", "not text");
    session.setText(window, "WM_NAME", "STRING", "Caf\xe9");
    session.setText(window, "_NET_WM_PID", "STRING", "12345");
    session.setText(window, "_NET_WM_STATE", "CARDINAL", "\1\2\3");
    session.setText(window, "WM_CLASS", "STRING", std::string_view("inst\0Cls", 8));
    using Image = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;
    std::vector<std::uint32_t> icons;
    for (const auto& [width, height, color] :
         {Image{16, 16, 1}, Image{256, 256, 3}, Image{64, 32, 2}, Image{48, 48, 7}}) {
        icons.insert(icons.end(), {width, height});
        icons.insert(icons.end(), std::size_t{width} * height, color);
    }
    icons.pop_back();  // the last image is cut short
    session.setProperty(window, "_NET_WM_ICON", "CARDINAL", icons);
    session.setProperty(window, "_NET_FRAME_EXTENTS", "CARDINAL", {10000, 10000, 10000, 10000});

    EXPECT_EQ(titleOf(broken.pid()),
              "A\uFFFDB\uFFFD\uFFFDC\uFFFD\uFFFD\uFFFDD\uFFFD\uFFFD\uFFFD\uFFFD")
        << "stray, overlong, surrogate and beyond-U+10FFFF bytes become U+FFFD";
    EXPECT_EQ(titleOf(liar.pid()), "Caf\u00e9")
        << "a _NET_WM_NAME of the wrong type gives way to WM_NAME, a STRING of Latin-1";
    const auto app = system.runningApplication(liar.pid());
    ASSERT_TRUE(app && app->icon);
    EXPECT_EQ(app->localizedName, "Cls")
        << "X-Resource names the owner whose _NET_WM_PID is no number; the class lacks its NUL";
    EXPECT_EQ(std::tuple(app->icon->width, app->icon->height, app->icon->argb[0]),
              std::tuple(64, 32, 2u))
        << "the smallest complete image at least 64 pixels on a side";
    EXPECT_EQ(system.copyWindowList()->size(), 3u);
    // The frame is measured on the window manager's frame window, not taken from the extents.
    EXPECT_EQ(resize(liar, 1280, 720).code, ax::success);
    EXPECT_TRUE(outerSizeBecomes(window, 1280, 720));

    WindowResizer(system).resizeWindow(RunningApplication{longTitle.pid(), "long", {}, {}}, 640,
                                       480);
    // 64 KiB hold the mark's 3 bytes and 21,844 whole characters of 3 bytes.
    std::string expected = "Targeting window: \\u{200F}";
    for (int i = 0; i < 21844; ++i) expected += "\u20AC";
    EXPECT_THAT(log.lines(), Contains(expected));
}

}  // namespace
}  // namespace varnic
