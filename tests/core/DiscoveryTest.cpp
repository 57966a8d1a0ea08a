// Discovery of the target window: each route and fall-through, its log lines
// (pinned here once) and what ends up in activeWindowInfo.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/core/Desktop.h"
#include "windows/WindowBounds.h"

namespace varnic {
namespace {

using ::testing::ElementsAre;
using testing::Lines;
using Target = std::pair<std::string, std::string>;

// Most discovery lines share this prefix.
std::string L(const std::string& text) {
    return "fetchActiveWindowInfo: " + text;
}

Lines operator+(Lines head, const Lines& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

const std::string trusted = L("AXIsProcessTrusted=true");
const std::string focusedSelf = L("AXFocusedApplication pid=4242 app=Varnic");
const std::string usingXlogo = L("using last non-self app pid=812 app=xlogo");
const std::string noList = L("CGWindowListCopyWindowInfo returned nil");

class DiscoveryTest : public ::testing::Test, protected testing::Desktop {
  protected:
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
    std::optional<Target> target() const {
        const auto& info = manager->activeWindowInfo.get();
        if (!info) return std::nullopt;
        return Target(info->appName, info->windowTitle);
    }
    void setOld() { manager->activeWindowInfo.set(TargetWindowInfo{"old", "window", nullptr}); }
};

TEST_F(DiscoveryTest, FocusedApplicationIsPublishedWithItsFocusedWindowTitle) {
    const auto icon = std::make_shared<AppIcon>();
    system.application(812).info.icon = icon;
    system.focus(812);
    // A hostile title stays one log line but is stored verbatim.
    system.window(1).title.text = "rm -rf /\n\x1b[2J";
    EXPECT_THAT(discover(),
                ElementsAre(trusted, L("AXFocusedApplication pid=812 app=xlogo"),
                            L("system-wide focused window title for xlogo=rm -rf /\\n\\x1b[2J")));
    EXPECT_EQ(target(), Target("xlogo", "rm -rf /\n\x1b[2J"));
    EXPECT_EQ(manager->activeWindowInfo.get()->appIcon, icon);
    EXPECT_EQ(system.windowListRequests, 0);

    // Two runs before the queue drains store in order: the later wins.
    manager->fetchActiveWindowInfo();
    system.focus(900);
    manager->fetchActiveWindowInfo();
    queue.runPending();
    EXPECT_EQ(target(), Target("xterm", "shell"));
}

// Varnic's own panel is never the target.
TEST_F(DiscoveryTest, VarnicFocusedUsesTheLastOtherApplicationOrElseTheWindowList) {
    rememberLastOther(812);
    EXPECT_THAT(discover(), ElementsAre(trusted, focusedSelf, usingXlogo));
    EXPECT_EQ(target(), Target("xlogo", "the logo"));
    ASSERT_EQ(system.timeouts.size(), 1u);
    EXPECT_EQ(std::tuple(system.timeouts[0].pid, system.timeouts[0].seconds),
              std::tuple(812, 2.0f));

    system.application(812).running = false;
    EXPECT_THAT(discover(), ElementsAre(trusted, focusedSelf, noList));
    EXPECT_EQ(target(), Target("xlogo", "the logo")) << "no window list keeps the target";

    // Without an identifier of its own, Varnic takes an unidentifiable focused
    // application (its pid could not be read) for itself.
    system.application(812).running = true;
    system.ownBundle.reset();
    system.focusedApplication.pidCode = ax::failure;
    EXPECT_THAT(discover(),
                ElementsAre(trusted, L("AXFocusedApplication pid=0 app=unknown"), usingXlogo));
}

TEST_F(DiscoveryTest, LastOtherApplicationWindowFallbacksAndTheirFailureLines) {
    const std::string lookup = L("AX window lookup failed for xlogo: ");
    using Read = FakeWindowSystem::ElementRead;
    struct Case {
        Read focused, main;
        AXError windowsCode;
        std::vector<int> windows;
        std::optional<std::string> title;
        Lines tail;
    };
    const Read fails{ax::cannotComplete, std::nullopt};
    const Read first{ax::success, 1};
    // The main window, the first listed one, a failed list (its code, then the
    // main window's), no title.
    const Case cases[]{
        {fails, first, ax::apiDisabled, {}, "main", {}},
        {fails, fails, ax::success, {1, 2}, "1st", {}},
        {fails,
         fails,
         ax::apiDisabled,
         {},
         "x",
         {lookup + "-25211 (apiDisabled)", lookup + "-25204 (cannotComplete)"}},
        {first, fails, ax::success, {}, std::nullopt, {L("AX window title missing for xlogo")}},
    };
    rememberLastOther(812);
    system.windowList.emplace();
    for (const auto& c : cases) {
        auto& xlogo = system.application(812);
        xlogo.focusedWindow = c.focused;
        xlogo.mainWindow = c.main;
        xlogo.windows = {c.windowsCode, c.windows};
        system.window(1).title.text = c.title;
        setOld();
        EXPECT_EQ(discover(), Lines({trusted, focusedSelf, usingXlogo}) + c.tail);
        EXPECT_EQ(target(), c.tail.empty() ? Target("xlogo", *c.title) : Target("old", "window"));
    }
    EXPECT_EQ(system.windowListRequests, 0) << "this route never scans the window list";
}

TEST_F(DiscoveryTest, FocusedRouteFailuresFallThroughToTheWindowList) {
    const auto run = [&](const Lines& lines) {
        EXPECT_EQ(discover(), Lines{trusted} + lines + Lines{noList});
        system.focus(900);
    };
    const std::string xterm = L("AXFocusedApplication pid=900 app=xterm");
    setOld();
    system.focusedApplication = {ax::cannotComplete, std::nullopt};
    run({L("AXFocusedApplication failed: -25204 (cannotComplete)")});
    system.application(900).focusedWindow = {ax::invalidUIElement, std::nullopt};
    run({xterm, L("AXFocusedWindow for focused app failed: -25202 (invalidUIElement)")});
    system.application(900).focusedWindow = {ax::success, 2};
    system.window(2).title.wrongType = true;
    run({xterm, L("system-wide focused window title missing for pid=900")});
    EXPECT_EQ(target(), Target("old", "window")) << "no window list leaves the target as it was";
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
                ElementsAre(trusted, L("AXFocusedApplication failed: -25204 (cannotComplete)"),
                            L("CGWindowList returned 8 windows"),
                            L("candidate app=xterm ownerName=xterm pid=900 isActive=true "
                              "isHidden=false"),
                            L("CGWindow name=\"tiny but fine\" number=7 layer=3 "
                              "bounds={Height = 50; Width = 50; X = 0; Y = 25}"),
                            "Successfully got title via AX for xterm: shell"));
    EXPECT_EQ(manager->activeWindowInfo.get()->pid, 900);

    system.windowList->resize(4);
    EXPECT_EQ(discover().back(), L("CGWindowList returned 4 windows"));
    EXPECT_FALSE(target()) << "every entry skipped: no target";
}

TEST_F(DiscoveryTest, WithoutPermissionTheListStillGivesATargetAndTheLogSaysWhy) {
    system.trusted = false;
    system.focusedApplication = {ax::apiDisabled, std::nullopt};
    system.addListEntry(812, "list title", 640, 480).ownerName.reset();
    auto& xlogo = system.application(812);
    xlogo.focusedWindow = {ax::apiDisabled, std::nullopt};
    xlogo.mainWindow = {ax::apiDisabled, std::nullopt};
    xlogo.windows = {ax::success, std::vector<int>{1, 2}};
    system.window(1).title.text = "the\tlogo";
    // The reads after the candidate are for the log alone: the target keeps the list's title.
    EXPECT_THAT(discover(),
                ElementsAre(L("AXIsProcessTrusted=false"),
                            L("AXFocusedApplication failed: -25211 (apiDisabled)"),
                            L("CGWindowList returned 1 windows"),
                            L("candidate app=xlogo ownerName=unknown owner pid=812 isActive=false "
                              "isHidden=false"),
                            L("CGWindow name=\"list title\" number=1 layer=0 "
                              "bounds={Height = 480; Width = 640; X = 0; Y = 25}"),
                            "AX focused window failed for xlogo in fetch: -25211 (apiDisabled)",
                            L("AXMainWindow result for xlogo: -25211 (apiDisabled)"),
                            L("AXFocusedUIElement result for xlogo: -25212 (noValue)"),
                            L("AXWindows count for xlogo=2"),
                            L("first AXWindow title for xlogo=the\\x09logo")));
    EXPECT_EQ(target(), Target("xlogo", "list title"));
    xlogo.windows = {ax::apiDisabled, std::nullopt};
    EXPECT_EQ(discover().back(), L("AXWindows fetch failed for xlogo: -25211 (apiDisabled)"));
}

TEST_F(DiscoveryTest, CandidateWithoutNamesOrTitleIsStillTheTarget) {
    system.focusedApplication = {ax::cannotComplete, std::nullopt};
    auto& entry = system.addListEntry(812, "from the list", 640, 480);
    system.window(1).title.code = ax::noValue;
    EXPECT_EQ(discover().back(), L("AX focused window title missing for xlogo"));
    EXPECT_EQ(target(), Target("xlogo", "from the list"));
    entry.windowName.reset();
    system.application(812).info.localizedName.reset();
    EXPECT_EQ(discover().back(), L("AX focused window title missing for Unknown App"));
    EXPECT_EQ(target(), Target("Unknown App", ""));
}

// The last other application, which discovery falls back on while Varnic is focused.
TEST_F(DiscoveryTest, TracksTheLastActivatedApplicationThatIsNotVarnicUntilDestroyed) {
    const auto activate = [&](Pid pid, std::optional<std::string> bundle) {
        system.postActivation({RunningApplication{pid, {}, std::move(bundle), {}}});
        return manager->lastNonSelfFrontmostPID();
    };
    EXPECT_EQ(activate(812, "/usr/bin/xterm"), 812);
    EXPECT_EQ(activate(system.selfPid, system.ownBundle), 812) << "Varnic's own activation";
    system.postActivation(ActivationNotification{});
    EXPECT_EQ(manager->lastNonSelfFrontmostPID(), 812) << "a notification without application";
    EXPECT_EQ(activate(900, std::nullopt), 900) << "no identifier differs from Varnic's";
    system.ownBundle.reset();
    EXPECT_EQ(activate(901, std::nullopt), 900) << "both absent counts as Varnic itself";
    EXPECT_EQ(activate(4242, "/usr/bin/other"), 4242) << "recognised by identifier, not pid";

    manager.reset();
    EXPECT_EQ(system.activationSubscribers(), 0u) << "stops listening when destroyed";
}

// Bounds come from other programs: NaN, infinities and huge values must neither crash nor filter.
TEST(WindowBounds, RendersSortedAndFiltersOnlyWholeSides) {
    EXPECT_EQ(describeBounds(WindowBounds{{"Y", 25}, {"X", -0.5}, {"Width", 1e21}}),
              "{Width = 1e+21; X = -0.5; Y = 25}");
    const auto small = [](double width, double height) {
        return isSmallerThan(WindowBounds{{"Width", width}, {"Height", height}}, 50);
    };
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_TRUE(small(-3, 400) && small(400, 49));
    EXPECT_FALSE(isSmallerThan(std::nullopt, 50)) << "missing sizes never filter";
    EXPECT_FALSE(small(std::nan(""), 10) || small(-inf, 10) || small(49.5, 10));
}

}  // namespace
}  // namespace varnic
