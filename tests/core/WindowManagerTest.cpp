// The window manager's discovery of the target and its resizing: each route,
// fall-through and fallback with its whole log (the wording of every line
// pinned here once), the target stored and the windows sized.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "support/Responsive.h"
#include "tests/core/Desktop.h"
#include "windows/WindowBounds.h"

namespace varnic {
namespace {

using testing::Desktop;
using testing::Lines;

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
const std::string kept = "old: window";
const std::string again = "performResizeRunning() ";

// Varnic focused, xlogo the last other application (Varnic's own activation
// and one naming no application after it); its focused window fails.
void rememberXlogo(Desktop& d, FakeWindowSystem::Read focused = {ax::cannotComplete, {}}) {
    d.system.postActivation({d.system.runningApplication(812)});
    d.system.postActivation({d.system.runningApplication(d.system.selfPid)});
    d.system.postActivation({});
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

// One run on a fresh desktop: a discovery, or with a width a resize to width x
// 480 while xlogo is frontmost. Its outcome: the target stored, or the windows sized.
struct Case {
    const char* why;
    std::function<void(Desktop&)> script;
    Lines lines;
    std::string outcome;
    double width = 0;
    std::optional<Pid> pid = std::nullopt;
};

std::string outcome(const Desktop& d, bool resized) {
    if (resized) {
        std::string sized = "sized";
        for (const auto& write : d.system.sizeWrites) sized += " " + std::to_string(write.window);
        return sized;
    }
    const auto& target = d.manager->activeWindowInfo.get();
    return target ? target->appName + ": " + target->windowTitle : "no target";
}

TEST(WindowManager, EachPathWritesItsWholeLogAndEndsAsItShould) {
    // clang-format off
    const Case cases[]{
        {"focused application; a hostile title is one log line, stored verbatim", [](Desktop& d) {
             d.system.focus(812);
             d.system.titles[1].value = "rm -rf /\n\x1b[2J";
         }, {trusted, L("AXFocusedApplication pid=812 app=xlogo"),
             L("system-wide focused window title for xlogo=rm -rf /\\n\\x1b[2J")},
         "xlogo: rm -rf /\n\x1b[2J"},
        {"Varnic focused: the last other application's focused window", [](Desktop& d) {
             rememberXlogo(d, {ax::success, 1});
         }, {trusted, focusedSelf, usingXlogo}, "xlogo: the logo"},
        {"... else its first listed window, not stored without a title", [](Desktop& d) {
             rememberXlogo(d);
             d.system.application(812).reads[attr::windows] = {ax::success, std::vector{1, 2}};
             d.system.titles[1] = {ax::noValue, {}};
         }, {trusted, focusedSelf, usingXlogo, L("AX window title missing for xlogo")}, kept},
        {"... no window: the list's code, then the main window's; the list is not scanned",
         [](Desktop& d) {
             rememberXlogo(d);
             d.system.application(812).reads[attr::windows] = {ax::apiDisabled, {}};
             d.system.addListEntry(900, "shell", 640, 480);
         }, {trusted, focusedSelf, usingXlogo,
             L("AX window lookup failed for xlogo: -25211 (apiDisabled)"),
             L("AX window lookup failed for xlogo: -25212 (noValue)")}, kept},
        {"Varnic focused, the last other application gone: never Varnic's own window",
         [](Desktop& d) {
             rememberXlogo(d, {ax::success, 1});
             d.system.application(812).running = false;
         }, {trusted, focusedSelf, noList}, kept},
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
             "Successfully got title via AX for xterm: shell"}, "xterm: shell"},
        {"every entry skipped: no target", [](Desktop& d) {
             d.system.addListEntry(d.system.selfPid, "Varnic", 300, 400);
             d.system.addListEntry(812, "tool tip", 40, 20);
         }, {trusted, noFocus, L("CGWindowList returned 2 windows")}, "no target"},
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
         "Unknown App: "},
        {"without permission the list's title; the reads after it are for the log alone",
         [](Desktop& d) {
             unreadableXlogo(d);
             d.system.application(812).reads[attr::windows] = {ax::success, std::vector{1, 2}};
             d.system.titles[1].value = "the\tlogo";
         }, unreadableLines + Lines{L("AXWindows count for xlogo=2"),
                                    L("first AXWindow title for xlogo=the\\x09logo")},
         "xlogo: list title"},
        {"... and when its window list fails too", unreadableXlogo,
         unreadableLines + Lines{L("AXWindows fetch failed for xlogo: -25212 (noValue)")},
         "xlogo: list title"},
        {"resize the given pid, not the frontmost; a fraction is printed as such, a hostile "
         "name and title on one line", [](Desktop& d) {
             d.system.application(900).info.localizedName = "evil\nSuccessfully resized xlogo";
             d.system.titles[2].value = "title\r\n\x1b[2Jcleared";
         }, {"Found focused window for evil\\nSuccessfully resized xlogo",
             "Targeting window: title\\x0d\\n\\x1b[2Jcleared",
             "Successfully resized evil\\nSuccessfully resized xlogo to 800.5x480.0"}, "sized 2",
         800.5, 900},
        {"resize with no frontmost", [](Desktop& d) { d.system.frontmost.reset(); },
         {"No frontmost application found"}, "sized", 640, 812},
        {"resize the first listed window", [](Desktop& d) {
             d.system.application(812).reads[attr::focusedWindow] = {ax::cannotComplete, {}};
             d.system.application(812).reads[attr::windows] = {ax::success, std::vector{4, 1}};
             d.system.titles[4] = {};
         }, {"AXFocusedWindow failed (-25204), trying AXWindows fallback...",
             "Using first window from AXWindows list for xlogo", "Targeting window: no title",
             "Successfully resized xlogo to 640.0x480.0"}, "sized 4", 640},
        {"resize with no window at all, nor in the second attempt", [](Desktop& d) {
             d.system.application(812).reads = {{attr::windows, {ax::success, std::vector<int>{}}}};
         }, {"AXFocusedWindow failed (-25212), trying AXWindows fallback...",
             "Could not find any window for xlogo. AXResult: 0", again,
             "Could not find focused window for xlogo"}, "sized", 640},
        {"a nameless application's refused size, written by the second attempt", [](Desktop& d) {
             d.system.addApplication(77, std::nullopt, "/opt/nameless", 1);
             d.system.focus(77);
             d.system.sizeResults = {{ax::failure, {}}, {ax::success, {{{643, 481}, "its steps"}}}};
         }, {"Found focused window for unknown", "Targeting window: the logo",
             "Failed to set window size for unknown: -25200", again,
             "Successfully resized window of unknown app to 640.0x480.0",
             "The window took the nearest size it allows, 643.0x481.0: its steps"}, "sized 1 1",
         640},
        {"a size refused twice", [](Desktop& d) {
             d.system.sizeResults = {{ax::failure, {}}, {ax::failure, {}}};
         }, {"Found focused window for xlogo", "Targeting window: the logo",
             "Failed to set window size for xlogo: -25200", again,
             "Failed to set window size: AXError"}, "sized 1 1", 640},
    };
    // clang-format on
    for (const auto& c : cases) {
        Desktop desktop;
        desktop.manager->activeWindowInfo.set(TargetWindowInfo{"old", "window", nullptr, 1});
        const bool resize = c.width != 0;
        if (resize) desktop.system.focus(812);
        c.script(desktop);
        if (resize) {
            desktop.manager->resizeActiveWindow(c.pid, c.width, 480);  // no hide: written at once
        } else {
            desktop.manager->fetchActiveWindowInfo();
            EXPECT_EQ(outcome(desktop, false), kept) << c.why << ": stored by a queued task";
            desktop.queue.runPending();
        }
        EXPECT_EQ(desktop.log.take(), c.lines) << c.why;
        EXPECT_EQ(outcome(desktop, resize), c.outcome) << c.why;
    }
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

class WindowManagerTest : public ::testing::Test, protected testing::Desktop {};

// The hide gives the focus back to another application: each request, however
// quick the next, resizes the named window, or else whatever is frontmost by then.
TEST_F(WindowManagerTest, VarnicFrontmostHidesAndResizesHalfASecondLater) {
    system.focus(system.selfPid);
    manager->resizeActiveWindow(std::nullopt, 1280, 720);
    manager->resizeActiveWindow(812, 1280, 720);
    manager->resizeActiveWindow(std::nullopt, 1280, 720);
    EXPECT_EQ(shell.hideCount, 3);
    queue.advance(0.499);
    EXPECT_TRUE(system.sizeWrites.empty()) << "nothing is written before 0.5 s";
    system.frontmost = 900;
    queue.advance(0.001);
    EXPECT_EQ(outcome(*this, true), "sized 2 1 2");

    system.frontmost = system.selfPid;
    manager->resizeActiveWindow(std::nullopt, 1280, 720);
    system.frontmost.reset();
    queue.advance(0.5);
    EXPECT_EQ(system.sizeWrites.size(), 3u) << "nothing frontmost after the hide";
}

// A wait inside a call hands input to the application; a resize or discovery
// that input asks for runs after the call in progress, in order, never inside it.
TEST_F(WindowManagerTest, InputDuringAWaitIsServedAfterTheCallInProgress) {
    system.focus(812);
    int inputs = 0;
    Responsive::install([&] {
        if (++inputs > 1) return;
        manager->resizeActiveWindow(std::nullopt, 800, 600);
        manager->fetchActiveWindowInfo();
    });
    manager->resizeActiveWindow(std::nullopt, 640, 480);
    ASSERT_EQ(system.sizeWrites.size(), 1u) << "nothing runs inside the wait";
    queue.runPending();
    Responsive::install(nullptr);
    ASSERT_EQ(system.sizeWrites.size(), 2u);
    EXPECT_EQ(system.sizeWrites[1].size.width, 800);
    EXPECT_EQ(inputs, 2) << "the deferred resize waits too, and handles input again";
    EXPECT_TRUE(manager->activeWindowInfo.get()) << "the deferred discovery ran";
}

}  // namespace
}  // namespace varnic
