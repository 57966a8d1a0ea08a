// Discovery of the target window: each route, each fall-through, the exact
// log sequence and what ends up in activeWindowInfo.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/fake/FakeWindowSystem.h"
#include "platform/fake/VirtualClockQueue.h"
#include "support/LogFormat.h"
#include "tests/support/LogCapture.h"
#include "windows/WindowBounds.h"
#include "windows/WindowManager.h"

namespace varnic {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Lines = std::vector<std::string>;

const std::string trusted = "fetchActiveWindowInfo: AXIsProcessTrusted=true";
const std::string focusedSelf = "fetchActiveWindowInfo: AXFocusedApplication pid=4242 app=Varnic";
const std::string usingXlogo = "fetchActiveWindowInfo: using last non-self app pid=812 app=xlogo";
const std::string noList = "fetchActiveWindowInfo: CGWindowListCopyWindowInfo returned nil";

class DiscoveryTest : public ::testing::Test {
  protected:
    DiscoveryTest() {
        auto& xlogo = system.addApplication(812, "xlogo", "/usr/bin/xlogo");
        xlogo.info.icon = icon;
        xlogo.focusedWindow = {ax::success, 1};
        system.addWindow(1, "the logo");
        system.addApplication(900, "xterm", "/usr/bin/xterm").focusedWindow = {ax::success, 2};
        system.addWindow(2, "shell");
        system.addApplication(system.selfPid, "Varnic", system.ownBundle).focusedWindow = {
            ax::success, 3};
        system.addWindow(3, "Varnic");
    }

    // Runs discovery; returns its lines, the stored target being unchanged until the queue runs.
    Lines discover() {
        const auto before = target();
        manager->fetchActiveWindowInfo();
        EXPECT_EQ(target(), before) << "the target is stored by a queued task, never at once";
        queue.runPending();
        EXPECT_EQ(system.liveElements(), 0) << "every element released";
        return log.take();
    }
    void rememberLastOther(Pid pid) {
        system.postActivation({system.runningApplication(pid)});
        system.focus(system.selfPid);
    }
    std::optional<std::pair<std::string, std::string>> target() const {
        const auto& info = manager->activeWindowInfo.get();
        if (!info) return std::nullopt;
        return std::pair(info->appName, info->windowTitle);
    }

    std::shared_ptr<const AppIcon> icon = std::make_shared<AppIcon>();
    FakeWindowSystem system;
    VirtualClockQueue queue;
    std::shared_ptr<WindowManager> manager = WindowManager::create(system, queue);
    testing::LogCapture log;
};

TEST_F(DiscoveryTest, FocusedApplicationIsPublishedWithItsFocusedWindowTitle) {
    system.focus(812);
    EXPECT_THAT(
        discover(),
        ElementsAre(trusted, "fetchActiveWindowInfo: AXFocusedApplication pid=812 app=xlogo",
                    "fetchActiveWindowInfo: system-wide focused window title for xlogo=the logo"));
    const auto& info = *manager->activeWindowInfo.get();
    EXPECT_EQ(info.pid, 812);
    EXPECT_EQ(info.appIcon, icon);
    EXPECT_TRUE(system.timeouts.empty()) << "the focused application's reads set no timeout";
    EXPECT_EQ(system.windowListRequests, 0);

    // An empty title is a title; a hostile one stays one log line but is stored verbatim.
    for (const std::string title : {"", "rm -rf /\n\x1b[2J"}) {
        system.window(1).title.text = title;
        EXPECT_EQ(discover().back(),
                  "fetchActiveWindowInfo: system-wide focused window title for xlogo=" +
                      logformat::escaped(title));
        EXPECT_EQ(target(), std::pair(std::string("xlogo"), title));
    }
}

TEST_F(DiscoveryTest, VarnicFocusedUsesTheLastOtherApplicationOrElseItself) {
    rememberLastOther(812);
    EXPECT_THAT(discover(), ElementsAre(trusted, focusedSelf, usingXlogo));
    EXPECT_EQ(target(), std::pair(std::string("xlogo"), std::string("the logo")));
    EXPECT_EQ(manager->activeWindowInfo.get()->appIcon, icon);
    ASSERT_EQ(system.timeouts.size(), 1u);
    EXPECT_EQ(system.timeouts[0].pid, 812);
    EXPECT_EQ(system.timeouts[0].seconds, 2.0f);

    // Once the remembered application has quit, Varnic's own window is the target.
    system.application(812).running = false;
    EXPECT_THAT(discover(), ElementsAre(trusted, focusedSelf,
                                        "fetchActiveWindowInfo: system-wide focused window title "
                                        "for Varnic=Varnic"));
    EXPECT_EQ(manager->activeWindowInfo.get()->pid, system.selfPid);

    // Without an identifier of its own, Varnic takes an unidentifiable focused application
    // (here its pid could not be read) for itself.
    system.application(812).running = true;
    system.ownBundle.reset();
    system.focusedApplication.pidCode = ax::failure;
    EXPECT_THAT(discover(), ElementsAre(trusted,
                                        "fetchActiveWindowInfo: AXFocusedApplication "
                                        "pid=0 app=unknown",
                                        usingXlogo));
}

TEST_F(DiscoveryTest, LastOtherApplicationWindowFallbacksAndTheirFailureLines) {
    const std::string lookup = "fetchActiveWindowInfo: AX window lookup failed for xlogo: ";
    const std::string noTitle = "fetchActiveWindowInfo: AX window title missing for xlogo";
    using Read = FakeWindowSystem::ElementRead;
    struct Case {
        const char* why;
        Read focused, main;
        AXError windowsCode;
        std::vector<int> windows;
        std::optional<std::string> title;
        Lines tail;
    };
    const Read none{ax::success, std::nullopt};
    const Read fails{ax::cannotComplete, std::nullopt};
    const Read first{ax::success, 1};
    const Case cases[]{
        {"main window", fails, first, ax::apiDisabled, {}, "main", {}},
        {"first listed", fails, fails, ax::success, {1, 2}, "1st", {}},
        {"focused without value", none, first, ax::success, {}, "x", {lookup + "0 (success)"}},
        {"main without value", fails, none, ax::success, {}, "x", {lookup + "0 (success)"}},
        {"list failed",
         fails,
         {ax::attributeUnsupported, std::nullopt},
         ax::apiDisabled,
         {},
         "x",
         {lookup + "-25211 (apiDisabled)", lookup + "-25205 (attributeUnsupported)"}},
        {"list empty",
         fails,
         fails,
         ax::success,
         {},
         "x",
         {lookup + "0 (success)", lookup + "-25204 (cannotComplete)"}},
        {"no title", first, fails, ax::success, {}, std::nullopt, {noTitle}},
    };
    rememberLastOther(812);
    system.windowList.emplace();
    for (const auto& c : cases) {
        auto& xlogo = system.application(812);
        xlogo.focusedWindow = c.focused;
        xlogo.mainWindow = c.main;
        xlogo.windows = {c.windowsCode, c.windows};
        system.window(1).title.text = c.title;
        manager->activeWindowInfo.set(TargetWindowInfo{"old", "window", nullptr});
        Lines expected{trusted, focusedSelf, usingXlogo};
        expected.insert(expected.end(), c.tail.begin(), c.tail.end());
        EXPECT_THAT(discover(), ElementsAreArray(expected)) << c.why;
        const auto published = c.tail.empty()
                                   ? std::pair(std::string("xlogo"), *c.title)
                                   : std::pair(std::string("old"), std::string("window"));
        EXPECT_EQ(target(), published) << c.why;
    }
    EXPECT_EQ(system.windowListRequests, 0) << "this route never scans the window list";

    manager->fetchWindowInfo(*system.runningApplication(812));
    EXPECT_THAT(log.take(), ElementsAre(noTitle)) << "the same route when called by itself";
}

TEST_F(DiscoveryTest, FocusedRouteFailuresFallThroughToTheWindowList) {
    const std::string head = "fetchActiveWindowInfo: ";
    const std::string xterm = head + "AXFocusedApplication pid=900 app=xterm";
    struct Case {
        std::function<void()> script;
        Lines lines;
    };
    const Case cases[]{
        {[&] {
             system.focusedApplication = {ax::cannotComplete, std::nullopt};
         },
         {head + "AXFocusedApplication failed: -25204 (cannotComplete)"}},
        {[&] {
             system.focusedApplication = {ax::success, std::nullopt};
         },
         {head + "AXFocusedApplication failed: 0 (success)"}},
        {[&] {
             system.application(900).focusedWindow = {ax::success, std::nullopt};
         },
         {xterm, head + "AXFocusedWindow for focused app failed: 0 (success)"}},
        {[&] {
             system.application(900).focusedWindow = {ax::invalidUIElement, std::nullopt};
         },
         {xterm, head + "AXFocusedWindow for focused app failed: -25202 (invalidUIElement)"}},
        {[&] { system.window(2).title.wrongType = true; },
         {xterm, head + "system-wide focused window title missing for pid=900"}},
        // A failed pid read leaves 0, which names no application.
        {[&] {
             system.focusedApplication.pidCode = ax::failure;
             system.window(2).title = {};
         },
         {head + "AXFocusedApplication pid=0 app=unknown",
          head + "system-wide focused window title missing for pid=0"}},
    };
    for (const auto& c : cases) {
        system.focus(900);
        system.application(900).focusedWindow = {ax::success, 2};
        system.window(2).title = {ax::success, "shell"};
        c.script();
        Lines expected{trusted};
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        expected.push_back(noList);
        EXPECT_THAT(discover(), ElementsAreArray(expected));
    }
    EXPECT_EQ(system.windowListRequests, 6);
    EXPECT_FALSE(target()) << "no window list leaves the target as it was";
}

TEST_F(DiscoveryTest, WindowListSkipsUnusableEntriesAndTakesTheFirstOther) {
    system.focusedApplication = {ax::cannotComplete, std::nullopt};
    system.addApplication(700, "tint2", "/usr/bin/tint2").info.activationPolicy =
        ActivationPolicy::accessory;
    system.addApplication(701, "gone", "/usr/bin/gone").running = false;
    system.addListEntry(812, "no owner", 600, 400).ownerPID.reset();
    system.addListEntry(system.selfPid, "Varnic", 300, 400);
    system.addListEntry(701, "gone", 600, 400);
    system.addListEntry(700, "panel", 1280, 60);
    system.addListEntry(812, "too narrow", 49, 400);
    system.addListEntry(812, "too low", 600, 49);
    system.addListEntry(900, "tiny but fine", 50, 50).windowLayer = 3;
    system.addListEntry(812, "never looked at", 600, 400);
    system.frontmost = 900;
    EXPECT_THAT(discover(),
                ElementsAre("fetchActiveWindowInfo: AXIsProcessTrusted=true",
                            "fetchActiveWindowInfo: AXFocusedApplication failed: -25204 "
                            "(cannotComplete)",
                            "fetchActiveWindowInfo: CGWindowList returned 8 windows",
                            "fetchActiveWindowInfo: candidate app=xterm ownerName=xterm pid=900 "
                            "isActive=true isHidden=false",
                            "fetchActiveWindowInfo: CGWindow name=\"tiny but fine\" number=7 "
                            "layer=3 bounds={Height = 50; Width = 50; X = 0; Y = 25}",
                            "Successfully got title via AX for xterm: shell"));
    EXPECT_EQ(target(), std::pair(std::string("xterm"), std::string("shell")));
    EXPECT_EQ(manager->activeWindowInfo.get()->pid, 900);

    // Sizes that are missing or fractional never filter, however small.
    system.windowList->erase(system.windowList->begin() + 6, system.windowList->end());
    system.windowList->at(4).bounds->at("Width") = 10.5;
    EXPECT_EQ(discover().at(4),
              "fetchActiveWindowInfo: CGWindow name=\"too narrow\" number=5 "
              "layer=0 bounds={Height = 400; Width = 10.5; X = 0; Y = 25}");
    system.windowList->at(4).bounds.reset();
    EXPECT_THAT(discover().at(4), ::testing::EndsWith("bounds={}"));

    // When every entry is skipped the target becomes absent.
    system.windowList->erase(system.windowList->begin() + 4, system.windowList->end());
    EXPECT_EQ(discover().back(), "fetchActiveWindowInfo: CGWindowList returned 4 windows");
    EXPECT_FALSE(target());
}

TEST_F(DiscoveryTest, WithoutPermissionTheListStillGivesATargetAndTheLogSaysWhy) {
    const std::string head = "fetchActiveWindowInfo: ";
    auto& windows = system.application(812).windows;
    auto& firstTitle = system.window(1).title.text;
    struct Case {
        std::function<void()> script;
        Lines tail;
    };
    const Case cases[]{
        {[&] {
             windows = {ax::apiDisabled, std::nullopt};
         },
         {"AXWindows fetch failed for xlogo: -25211 (apiDisabled)"}},
        {[&] {
             windows = {ax::success, std::nullopt};
         },
         {"AXWindows fetch failed for xlogo: 0 (success)"}},
        {[&] {
             windows = {ax::success, std::nullopt, true};
         },
         {"AXWindows fetch failed for xlogo: 0 (success)"}},
        {[&] {
             windows = {ax::success, std::vector<int>{}};
         },
         {"AXWindows count for xlogo=0"}},
        {[&] {
             windows = {ax::success, std::vector<int>{1, 2}};
             firstTitle = "the\tlogo";
         },
         {"AXWindows count for xlogo=2", "first AXWindow title for xlogo=the\\x09logo"}},
        {[&] {
             windows = {ax::success, std::vector<int>{1}};
             firstTitle.reset();
         },
         {"AXWindows count for xlogo=1", "first AXWindow title for xlogo=no title"}},
    };
    system.trusted = false;
    system.focusedApplication = {ax::apiDisabled, std::nullopt};
    system.addListEntry(812, "list title", 640, 480).ownerName.reset();
    system.application(812).focusedWindow = {ax::apiDisabled, std::nullopt};
    system.application(812).mainWindow = {ax::apiDisabled, std::nullopt};
    for (const auto& c : cases) {
        c.script();
        Lines expected{head + "AXIsProcessTrusted=false",
                       head + "AXFocusedApplication failed: -25211 (apiDisabled)",
                       head + "CGWindowList returned 1 windows",
                       head +
                           "candidate app=xlogo ownerName=unknown owner pid=812 isActive=false "
                           "isHidden=false",
                       head +
                           "CGWindow name=\"list title\" number=1 layer=0 bounds={Height = 480; "
                           "Width = 640; X = 0; Y = 25}",
                       "AX focused window failed for xlogo in fetch: -25211 (apiDisabled)",
                       head + "AXMainWindow result for xlogo: -25211 (apiDisabled)",
                       head + "AXFocusedUIElement result for xlogo: -25212 (noValue)"};
        for (const auto& line : c.tail) expected.push_back(head + line);
        EXPECT_THAT(discover(), ElementsAreArray(expected));
        EXPECT_EQ(target(), std::pair(std::string("xlogo"), std::string("list title")))
            << "the reads for the log never change the target";
    }
    system.window(1).title.code = ax::cannotComplete;
    EXPECT_EQ(discover().back(), head + "AXWindows count for xlogo=1")
        << "a failed first-title read writes nothing";
}

TEST_F(DiscoveryTest, CandidateWithoutAccessibleTitleKeepsTheListTitleOrNone) {
    system.focusedApplication = {ax::cannotComplete, std::nullopt};
    auto& entry = system.addListEntry(812, "from the list", 640, 480);
    system.window(1).title.code = ax::noValue;
    EXPECT_EQ(discover().back(),
              "fetchActiveWindowInfo: AX focused window title missing for xlogo");
    EXPECT_EQ(target(), std::pair(std::string("xlogo"), std::string("from the list")));
    entry.windowName.reset();
    entry.windowNumber.reset();
    entry.windowLayer.reset();
    system.application(812).info.localizedName.reset();
    const auto lines = discover();
    EXPECT_EQ(lines.at(4),
              "fetchActiveWindowInfo: CGWindow name=\"\" number=-1 layer=-1 "
              "bounds={Height = 480; Width = 640; X = 0; Y = 25}");
    EXPECT_EQ(lines.back(),
              "fetchActiveWindowInfo: AX focused window title missing for Unknown App");
    EXPECT_EQ(target(), std::pair(std::string("Unknown App"), std::string()));
}

TEST_F(DiscoveryTest, TwoRunsBeforeTheQueueDrainsStoreInOrder) {
    Lines stored;
    const auto watch = manager->activeWindowInfo.subscribe([&] { stored.push_back("announced"); });
    system.focus(812);
    manager->fetchActiveWindowInfo();
    system.focus(900);
    manager->fetchActiveWindowInfo();
    EXPECT_TRUE(stored.empty());
    queue.runPending();
    EXPECT_EQ(stored.size(), 2u);
    EXPECT_EQ(target(), std::pair(std::string("xterm"), std::string("shell"))) << "the later wins";
}

TEST(WindowBounds, RendersSortedAndFiltersOnlyWholeSides) {
    EXPECT_EQ(describeBounds(WindowBounds{{"Y", 25}, {"X", -0.5}, {"Width", 1e21}}),
              "{Width = 1e+21; X = -0.5; Y = 25}");
    EXPECT_EQ(describeBounds(WindowBounds{}), "{}");
    EXPECT_EQ(describeBounds(std::nullopt), "{}");

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const auto small = [](double width, double height) {
        return isSmallerThan(WindowBounds{{"Width", width}, {"Height", height}}, 50);
    };
    EXPECT_TRUE(small(49, 400) && small(400, 49) && small(-3, 400));
    EXPECT_FALSE(small(50, 50) || small(49.5, 10) || small(nan, 10) || small(-inf, 10));
    EXPECT_FALSE(small(10, inf)) << "an infinite side is not a whole number";
    EXPECT_FALSE(isSmallerThan(WindowBounds{{"Width", 10}}, 50));
}

}  // namespace
}  // namespace varnic
