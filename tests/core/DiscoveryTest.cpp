// Discovery of the target window: each route and fall-through with its whole
// log (the wording of every line pinned here once) and what ends up in
// activeWindowInfo.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "tests/core/Desktop.h"
#include "windows/WindowBounds.h"

namespace varnic {
namespace {

using testing::Desktop;
using testing::Lines;
using Target = std::optional<std::pair<std::string, std::string>>;

// Most discovery lines share this prefix.
std::string L(const std::string& text) {
    return "fetchActiveWindowInfo: " + text;
}

Lines operator+(Lines head, const Lines& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

const std::string trusted = L("AXIsProcessTrusted=true");
const std::string noFocus = L("AXFocusedApplication failed: -25212 (noValue)");
const std::string focusedSelf = L("AXFocusedApplication pid=4242 app=Varnic");
const std::string focusedXterm = L("AXFocusedApplication pid=900 app=xterm");
const std::string usingXlogo = L("using last non-self app pid=812 app=xlogo");
const std::string noList = L("CGWindowListCopyWindowInfo returned nil");
const Target kept{{"old", "window"}};

// Varnic focused, xlogo the last other application; its focused window fails.
void rememberXlogo(Desktop& d, FakeWindowSystem::Read focused = {ax::cannotComplete, {}}) {
    d.system.postActivation({d.system.runningApplication(812)});
    d.system.focus(d.system.selfPid);
    d.system.application(812).reads[attr::focusedWindow] = focused;
}

// xlogo's window listed, its accessibility reads refused.
void unreadableXlogo(Desktop& d) {
    d.system.trusted = false;
    d.system.addListEntry(812, "list title", 640, 480).ownerName.reset();
    auto& reads = d.system.application(812).reads;
    reads[attr::focusedWindow] = reads[attr::mainWindow] = {ax::apiDisabled, {}};
}
const Lines unreadableLines{
    L("AXIsProcessTrusted=false"),
    noFocus,
    L("CGWindowList returned 1 windows"),
    L("candidate app=xlogo ownerName=unknown owner pid=812 isActive=false isHidden=false"),
    L("CGWindow name=\"list title\" number=1 layer=0 bounds={Height = 480; Width = 640; X = 0; "
      "Y = 25}"),
    "AX focused window failed for xlogo in fetch: -25211 (apiDisabled)",
    L("AXMainWindow result for xlogo: -25211 (apiDisabled)"),
    L("AXFocusedUIElement result for xlogo: -25212 (noValue)")};

struct Case {
    const char* why;
    std::function<void(Desktop&)> script;
    Lines lines;
    Target target;
};

TEST(Discovery, EachRouteWritesItsWholeLogAndStoresItsTarget) {
    const auto xlogo = Target{{"xlogo", "the logo"}};
    // clang-format off
    const Case cases[]{
        {"focused application; a hostile title is one log line, stored verbatim", [](Desktop& d) {
             d.system.focus(812);
             d.system.titles[1].value = "rm -rf /\n\x1b[2J";
         }, {trusted, L("AXFocusedApplication pid=812 app=xlogo"),
             L("system-wide focused window title for xlogo=rm -rf /\\n\\x1b[2J")},
         Target{{"xlogo", "rm -rf /\n\x1b[2J"}}},
        {"Varnic focused: the last other application's focused window", [](Desktop& d) {
             rememberXlogo(d, {ax::success, 1});
         }, {trusted, focusedSelf, usingXlogo}, xlogo},
        {"... else its first listed window", [](Desktop& d) {
             rememberXlogo(d);
             d.system.application(812).reads[attr::windows] = {ax::success, std::vector{1, 2}};
         }, {trusted, focusedSelf, usingXlogo}, xlogo},
        {"... no window: the list's code, then the main window's; the list is not scanned",
         [](Desktop& d) {
             rememberXlogo(d);
             d.system.application(812).reads[attr::windows] = {ax::apiDisabled, {}};
             d.system.addListEntry(900, "shell", 640, 480);
         }, {trusted, focusedSelf, usingXlogo,
             L("AX window lookup failed for xlogo: -25211 (apiDisabled)"),
             L("AX window lookup failed for xlogo: -25212 (noValue)")}, kept},
        {"... a window without title", [](Desktop& d) {
             rememberXlogo(d, {ax::success, 1});
             d.system.titles[1] = {ax::noValue, {}};
         }, {trusted, focusedSelf, usingXlogo, L("AX window title missing for xlogo")}, kept},
        {"Varnic focused, the last other application gone: never Varnic's own window",
         [](Desktop& d) {
             rememberXlogo(d, {ax::success, 1});
             d.system.application(812).running = false;
         }, {trusted, focusedSelf, noList}, kept},
        {"no focused application, no window list", [](Desktop&) {}, {trusted, noFocus, noList},
         kept},
        {"the focused window fails", [](Desktop& d) {
             d.system.focus(900);
             d.system.application(900).reads[attr::focusedWindow] = {ax::invalidUIElement, {}};
         }, {trusted, focusedXterm,
             L("AXFocusedWindow for focused app failed: -25202 (invalidUIElement)"), noList},
         kept},
        {"its title is not text", [](Desktop& d) {
             d.system.focus(900);
             d.system.titles[2].value = 7;
         }, {trusted, focusedXterm, L("system-wide focused window title missing for pid=900"),
             noList}, kept},
        {"the list's first usable entry", [](Desktop& d) {
             auto& s = d.system;
             s.addApplication(700, "tint2", "/usr/bin/tint2").info.activationPolicy =
                 ActivationPolicy::accessory;
             s.addApplication(701, "gone", "/usr/bin/gone").running = false;
             s.addListEntry(812, "no owner", 600, 400).ownerPID.reset();
             s.addListEntry(s.selfPid, "Varnic", 300, 400);
             s.addListEntry(701, "gone", 600, 400);
             s.addListEntry(700, "panel", 1280, 60);
             s.addListEntry(812, "too narrow", 49, 400);
             s.addListEntry(812, "too low", 600, 49);
             s.addListEntry(900, "tiny but fine", 50, 50).windowLayer = 3;
             s.addListEntry(812, "never looked at", 600, 400);
             s.frontmost = 900;
         }, {trusted, noFocus, L("CGWindowList returned 8 windows"),
             L("candidate app=xterm ownerName=xterm pid=900 isActive=true isHidden=false"),
             L("CGWindow name=\"tiny but fine\" number=7 layer=3 "
               "bounds={Height = 50; Width = 50; X = 0; Y = 25}"),
             "Successfully got title via AX for xterm: shell"}, Target{{"xterm", "shell"}}},
        {"every entry skipped: no target", [](Desktop& d) {
             d.system.addListEntry(d.system.selfPid, "Varnic", 300, 400);
             d.system.addListEntry(812, "tool tip", 40, 20);
         }, {trusted, noFocus, L("CGWindowList returned 2 windows")}, std::nullopt},
        {"no title from the candidate's window: the list's, or none", [](Desktop& d) {
             d.system.application(812).info.localizedName.reset();
             d.system.addListEntry(812, "", 640, 480).windowName.reset();
             d.system.titles[1] = {ax::noValue, {}};
         }, {trusted, noFocus, L("CGWindowList returned 1 windows"),
             L("candidate app=Unknown App ownerName=unknown owner pid=812 isActive=false "
               "isHidden=false"),
             L("CGWindow name=\"\" number=1 layer=0 bounds={Height = 480; Width = 640; X = 0; "
               "Y = 25}"),
             L("AX focused window title missing for Unknown App")},
         Target{{"Unknown App", ""}}},
        {"without permission the list's title; the reads after it are for the log alone",
         [](Desktop& d) {
             unreadableXlogo(d);
             d.system.application(812).reads[attr::windows] = {ax::success, std::vector{1, 2}};
             d.system.titles[1].value = "the\tlogo";
         }, unreadableLines + Lines{L("AXWindows count for xlogo=2"),
                                    L("first AXWindow title for xlogo=the\\x09logo")},
         Target{{"xlogo", "list title"}}},
        {"... and when its window list fails too", unreadableXlogo,
         unreadableLines + Lines{L("AXWindows fetch failed for xlogo: -25212 (noValue)")},
         Target{{"xlogo", "list title"}}},
    };
    // clang-format on
    for (const auto& c : cases) {
        Desktop desktop;
        auto& stored = desktop.manager->activeWindowInfo;
        stored.set(TargetWindowInfo{"old", "window", nullptr, 1});
        c.script(desktop);
        const auto target = [&]() -> Target {
            if (!stored.get()) return std::nullopt;
            return std::pair(stored.get()->appName, stored.get()->windowTitle);
        };
        desktop.manager->fetchActiveWindowInfo();
        EXPECT_EQ(target(), kept) << c.why << ": stored by a queued task, never at once";
        desktop.queue.runPending();
        EXPECT_EQ(desktop.log.take(), c.lines) << c.why;
        EXPECT_EQ(target(), c.target) << c.why;
    }
}

TEST(Discovery, RemembersTheLastActivatedApplicationThatIsNotVarnic) {
    Desktop desktop;
    auto& system = desktop.system;
    const auto activate = [&](std::optional<std::string> bundle) {
        system.postActivation({RunningApplication{900, {}, std::move(bundle), {}}});
        return desktop.manager->lastNonSelfFrontmostPID();
    };
    system.postActivation({system.runningApplication(812)});
    EXPECT_EQ(activate(system.ownBundle), 812) << "Varnic's own activation";
    system.postActivation({});
    EXPECT_EQ(desktop.manager->lastNonSelfFrontmostPID(), 812) << "no application named";
    EXPECT_EQ(activate(std::nullopt), 900) << "no identifier differs from Varnic's";
    system.ownBundle.reset();
    system.postActivation({system.runningApplication(812)});
    EXPECT_EQ(activate(std::nullopt), 812) << "both absent counts as Varnic itself";
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
