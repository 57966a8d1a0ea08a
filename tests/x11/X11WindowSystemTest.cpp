// The X11 window system against Xvfb, openbox and real clients.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "platform/fake/FakeDesktopShell.h"
#include "platform/fake/VirtualClockQueue.h"
#include "platform/x11/X11WindowSystem.h"
#include "tests/support/LogCapture.h"
#include "tests/x11/X11Session.h"
#include "windows/WindowManager.h"
#include "windows/WindowResizer.h"

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
    FakeDesktopShell shell;
    VirtualClockQueue queue;
    const auto manager = WindowManager::create(system, shell, queue);
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
    EXPECT_TRUE(X11Session::waitUntil([&] {
        const auto client = session.clientGeometry(window);
        return client.width == 1280 - extents[0] - extents[1] &&
               client.height == 720 - extents[2] - extents[3];
    })) << "decorations are part of the size";
}

TEST_F(X11WindowSystemTest, DiscoveryFindsTheFocusedXtermAndItsTitle) {
    auto& xterm = session.startProgram({"xterm", "-T", "build log <b>&amp;", "-e", "sleep 60"});
    activate(xterm.windows.front());
    FakeDesktopShell shell;
    VirtualClockQueue queue;
    const auto manager = WindowManager::create(system, shell, queue);
    testing::LogCapture log;

    manager->fetchActiveWindowInfo();
    queue.runPending();

    const auto pid = std::to_string(xterm.pid());
    EXPECT_THAT(log.lines(),
                ElementsAre("fetchActiveWindowInfo: AXIsProcessTrusted=true",
                            "fetchActiveWindowInfo: AXFocusedApplication pid=" + pid + " app=XTerm",
                            "fetchActiveWindowInfo: system-wide focused window title for "
                            "XTerm=build log <b>&amp;"));
    const auto& target = manager->activeWindowInfo.get();
    ASSERT_TRUE(target);
    EXPECT_EQ(target->pid, xterm.pid());
    EXPECT_EQ(target->appName, "XTerm");
    const auto app = system.runningApplication(xterm.pid());
    ASSERT_TRUE(app);
    EXPECT_EQ(app->bundleIdentifier, "/usr/bin/xterm") << "the identifier is /proc/PID/exe";
    EXPECT_TRUE(app->isActive);
    EXPECT_FALSE(app->isHidden);
    EXPECT_EQ(app->activationPolicy, ActivationPolicy::regular);
}

TEST_F(X11WindowSystemTest, PidComesFromTheServerWhenTheClientSetsNone) {
    auto& xlogo = session.startProgram({"xlogo"});
    auto& silent = session.startTestClient({"--no-pid", "--title", "silent"});
    auto& lying = session.startTestClient({"--bad-pid", "--title", "lying"});
    for (auto* client : {&xlogo, &silent, &lying}) {
        activate(client->windows.front());
        const auto wide = system.createSystemWide();
        const auto focused = system.copyAttributeValue(*wide, attr::focusedApplication);
        ASSERT_EQ(focused.code, ax::success);
        Pid pid = 0;
        EXPECT_EQ(system.getPid(*focused.element(), pid), ax::success);
        EXPECT_EQ(pid, client->pid()) << "X-Resource names the client that made the window";
        const auto frontmost = system.frontmostApplication();
        ASSERT_TRUE(frontmost);
        EXPECT_EQ(frontmost->processIdentifier, client->pid());
    }
}

TEST_F(X11WindowSystemTest, WindowListIsFrontmostFirstWithTheFieldsWmctrlReports) {
    auto& xlogo = session.startProgram({"xlogo", "-geometry", "320x240"});
    auto& first = session.startTestClient({"--title", "first", "--size", "400x300"});
    auto& second = session.startTestClient({"--title", "second", "--size", "500x350"});
    session.startTestClient({"--type", "desktop", "--title", "desktop"});
    auto& dock = session.startTestClient({"--type", "dock", "--title", "dock", "--size", "600x40"});
    auto& above = session.startTestClient({"--state", "above", "--title", "above"});
    auto& iconified = session.startTestClient({"--title", "iconified"});
    session.run({"xdotool", "windowminimize", "--sync", std::to_string(iconified.windows[0])});
    activate(first.windows.front());

    const auto list = system.copyWindowList();
    ASSERT_TRUE(list);
    std::vector<std::string> titles;
    for (const auto& entry : *list) titles.push_back(entry.windowName.value_or("?"));
    ASSERT_EQ(titles.size(), 5u);
    EXPECT_THAT(std::vector(titles.begin(), titles.begin() + 2),
                ::testing::UnorderedElementsAre("dock", "above"));
    EXPECT_THAT(std::vector(titles.begin() + 2, titles.end()),
                ElementsAre("first", "second", "xlogo"))
        << "desktop and iconified windows are not on screen; docks and above windows stay on top";

    // wmctrl -lpG lists _NET_CLIENT_LIST: id, desktop, pid, x, y, w, h, host, title.
    std::map<std::int64_t, std::istringstream> wmctrl;
    std::istringstream lines(session.run({"wmctrl", "-lpG"}));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string id;
        words >> id;
        wmctrl.emplace(std::stoll(id, nullptr, 16), std::istringstream(line));
    }
    std::map<std::string, std::int64_t> layers;
    for (const auto& entry : *list) {
        ASSERT_TRUE(entry.windowNumber);
        const auto window = static_cast<xcb_window_t>(*entry.windowNumber);
        ASSERT_TRUE(wmctrl.count(*entry.windowNumber)) << *entry.windowName;
        std::string id, desktop, host;
        long pid = 0;
        wmctrl[*entry.windowNumber] >> id >> desktop >> pid;
        if (pid != 0) {
            EXPECT_EQ(entry.ownerPID, pid) << *entry.windowName;
        }
        const auto frame = session.frameGeometry(window);
        ASSERT_TRUE(entry.bounds);
        const auto& bounds = *entry.bounds;
        EXPECT_EQ(bounds.at("X"), frame.x) << *entry.windowName;
        EXPECT_EQ(bounds.at("Y"), frame.y) << *entry.windowName;
        EXPECT_EQ(bounds.at("Width"), frame.width) << *entry.windowName;
        EXPECT_EQ(bounds.at("Height"), frame.height) << *entry.windowName;
        layers[*entry.windowName] = entry.windowLayer.value_or(-1);
    }
    EXPECT_EQ(list->back().ownerPID, xlogo.pid()) << "xlogo sets no _NET_WM_PID";
    EXPECT_EQ(list->back().ownerName, "XLogo");
    EXPECT_EQ(layers["first"], 0);
    EXPECT_EQ(layers["above"], 3);
    EXPECT_EQ(layers["dock"], 20);
    EXPECT_EQ((*list)[2].ownerPID, first.pid());
    EXPECT_EQ((*list)[3].ownerPID, second.pid());
    EXPECT_EQ(system.runningApplication(dock.pid())->activationPolicy, ActivationPolicy::accessory);
    EXPECT_EQ(system.runningApplication(above.pid())->activationPolicy, ActivationPolicy::regular);
    EXPECT_TRUE(system.runningApplication(iconified.pid())->isHidden);
}

TEST_F(X11WindowSystemTest, SizesAreOuterFramesIncludingTinyMaximizedAndShadowedWindows) {
    auto& client = session.startTestClient({"--title", "sized"});
    const auto window = client.windows.front();
    const auto element = windowOf(client.pid());
    ASSERT_TRUE(element);
    const auto extents = session.frameExtents(window);
    ASSERT_EQ(extents.size(), 4u);

    const auto exact = system.createSizeValue(1920, 1080);
    ASSERT_TRUE(exact);
    EXPECT_EQ(system.setAttributeValue(*element, attr::size, *exact).code, ax::success);
    EXPECT_TRUE(outerSizeBecomes(window, 1920, 1080));

    // Smaller than the decorations: the smallest client the window manager allows.
    EXPECT_EQ(system.setAttributeValue(*element, attr::size, *system.createSizeValue(1, 1)).code,
              ax::success);
    EXPECT_TRUE(X11Session::waitUntil([&] { return session.clientGeometry(window).width <= 2; }));

    session.run(
        {"wmctrl", "-i", "-r", std::to_string(window), "-b", "add,maximized_vert,maximized_horz"});
    EXPECT_TRUE(X11Session::waitUntil([&] { return session.frameGeometry(window).width == 2560; }));
    EXPECT_EQ(
        system.setAttributeValue(*element, attr::size, *system.createSizeValue(800, 600)).code,
        ax::success);
    EXPECT_TRUE(outerSizeBecomes(window, 800, 600)) << "a maximized window is unmaximized first";

    // A client-side-decorated window draws an invisible shadow inside its own area.
    auto& shadowed = session.startTestClient({"--title", "csd", "--shadow", "10,10,8,12"});
    const auto csd = windowOf(shadowed.pid());
    ASSERT_TRUE(csd);
    const auto csdExtents = session.frameExtents(shadowed.windows[0]);
    EXPECT_EQ(system.setAttributeValue(*csd, attr::size, *system.createSizeValue(640, 480)).code,
              ax::success);
    EXPECT_TRUE(X11Session::waitUntil([&] {
        const auto inner = session.clientGeometry(shadowed.windows[0]);
        return inner.width == 640 - csdExtents[0] - csdExtents[1] + 20 &&
               inner.height == 480 - csdExtents[2] - csdExtents[3] + 20;
    }));

    const double infinity = std::numeric_limits<double>::infinity();
    for (const double bad : {0.0, -1.0, 32768.0, 1e300, std::nan(""), infinity, -infinity}) {
        EXPECT_FALSE(system.createSizeValue(bad, 100)) << bad;
        EXPECT_FALSE(system.createSizeValue(100, bad)) << bad;
    }
    EXPECT_TRUE(system.createSizeValue(32767, 0.5)) << "the protocol's largest size";
    const auto app = system.createApplication(client.pid());
    EXPECT_EQ(system.setAttributeValue(*app, attr::size, *exact).code, ax::illegalArgument);
    EXPECT_EQ(system.setAttributeValue(*element, attr::title, *exact).code,
              ax::attributeUnsupported);
}

TEST_F(X11WindowSystemTest, DestroyedWindowIsAnInvalidElementNotACrash) {
    auto& client = session.startTestClient({"--title", "doomed"});
    const auto element = windowOf(client.pid());
    ASSERT_TRUE(element);
    EXPECT_EQ(titleOf(*element), "doomed");
    const auto pid = client.pid();
    session.stopClient(client);

    EXPECT_EQ(system.copyAttributeValue(*element, attr::title).code, ax::invalidUIElement);
    EXPECT_EQ(
        system.setAttributeValue(*element, attr::size, *system.createSizeValue(640, 480)).code,
        ax::invalidUIElement);
    Pid read = 0;
    EXPECT_EQ(system.getPid(*element, read), ax::invalidUIElement);
    EXPECT_EQ(read, 0);
    const auto app = system.createApplication(pid);
    EXPECT_EQ(system.copyAttributeValue(*app, attr::focusedWindow).code, ax::invalidUIElement);
    EXPECT_FALSE(system.runningApplication(pid));

    // The same through the resize path: a clean log line for the vanished target.
    auto& other = session.startTestClient({"--title", "next"});
    activate(other.windows.front());
    const auto window = windowOf(other.pid());
    session.stopClient(other);
    testing::LogCapture log;
    WindowResizer(system).resizeWindow(RunningApplication{other.pid(), "Gone", {}, {}}, 640, 480);
    EXPECT_THAT(log.lines(), ::testing::Contains(HasSubstr("Gone")));
    EXPECT_TRUE(system.isProcessTrusted()) << "the connection survives every error";
}

TEST_F(X11WindowSystemTest, HostileTitlesAndMalformedPropertiesAreReadSafely) {
    auto& huge = session.startTestClient({"--title-bytes", "1048576", "--icon", "huge"});
    auto& broken = session.startTestClient(
        {"--title-hex", "41ff42c0af43eda080", "--bad-state", "--icon", "truncated"});
    auto& latin = session.startTestClient({"--latin1-name", "436166e9", "--icon", "overflow"});
    auto& good = session.startTestClient({"--title", "Ünïcödé ✓", "--icon", "good"});

    const auto hugeTitle = titleOf(*windowOf(huge.pid()));
    EXPECT_EQ(hugeTitle, std::string(64 * 1024, 'T')) << "megabyte titles are cut at 64 KiB";
    EXPECT_EQ(titleOf(*windowOf(broken.pid())), "A\uFFFDB\uFFFD\uFFFDC\uFFFD\uFFFD\uFFFD")
        << "stray, overlong and surrogate bytes become U+FFFD";
    EXPECT_EQ(titleOf(*windowOf(latin.pid())), "Caf\u00e9") << "WM_NAME STRING is Latin-1";
    EXPECT_EQ(titleOf(*windowOf(good.pid())), "Ünïcödé ✓");

    // openbox puts its own 48 x 48 icon in place of one it cannot read either.
    for (auto* client : {&huge, &latin}) {
        const auto replaced = system.runningApplication(client->pid())->icon;
        ASSERT_TRUE(replaced);
        EXPECT_EQ(std::tie(replaced->width, replaced->height), std::make_tuple(48, 48));
    }
    const auto truncated = system.runningApplication(broken.pid())->icon;
    ASSERT_TRUE(truncated) << "the complete image before the truncated one";
    EXPECT_EQ(truncated->width, 16);
    const auto icon = system.runningApplication(good.pid())->icon;
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->width, 128) << "the smallest image at least 64 pixels wide";
    EXPECT_EQ(icon->argb.size(), 128u * 128u);
    EXPECT_EQ(icon->argb.front(), 0xFF0000FFu);

    const auto list = system.copyWindowList();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->size(), 4u);
}

TEST_F(X11WindowSystemTest, ActivationNotificationsArriveThroughProcessEvents) {
    auto& xlogo = session.startProgram({"xlogo"});
    auto& client = session.startTestClient({"--title", "activated"});
    std::vector<ActivationNotification> seen;
    const auto subscription =
        system.subscribeActivations([&](const ActivationNotification& n) { seen.push_back(n); });
    auto waitForActivation = [&](Pid pid) {
        return X11Session::waitUntil(
            [&] {
                system.processEvents();
                return !seen.empty() && seen.back().application &&
                       seen.back().application->processIdentifier == pid;
            },
            5s);
    };

    activate(xlogo.windows.front());
    ASSERT_TRUE(waitForActivation(xlogo.pid()));
    EXPECT_EQ(seen.back().application->localizedName, "XLogo");
    EXPECT_EQ(seen.back().application->bundleIdentifier, "/usr/bin/xlogo");
    activate(client.windows.front());
    ASSERT_TRUE(waitForActivation(client.pid()));
    const auto count = seen.size();
    activate(client.windows.front());
    system.processEvents();
    EXPECT_EQ(seen.size(), count) << "no notification without a change of application";
}

TEST_F(X11WindowSystemTest, FrozenServerGrabCostsTheTimeoutNotAHang) {
    auto& client = session.startTestClient({"--title", "frozen"});
    const auto app = system.createApplication(client.pid());
    system.setMessagingTimeout(*app, 2.0f);
    client.process->signal(SIGUSR1);
    ASSERT_EQ(client.process->readLine(5s), "frozen");
    testing::LogCapture log;

    const auto start = std::chrono::steady_clock::now();
    const auto read = system.copyAttributeValue(*app, attr::focusedWindow);
    const auto elapsed = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(read.code, ax::cannotComplete);
    EXPECT_GE(elapsed, 1900ms);
    EXPECT_LT(elapsed, 3000ms) << "bounded by the 2.0 s messaging timeout";
    EXPECT_THAT(log.lines(), ElementsAre("X11: no answer from the X server within 2.0 s"));

    session.stopClient(client);
    EXPECT_TRUE(system.isProcessTrusted()) << "late replies are dropped once the grab ends";
    EXPECT_TRUE(system.copyWindowList());
}

}  // namespace
}  // namespace varnic
