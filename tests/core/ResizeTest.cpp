// Resizing: which application is targeted, the hide-and-wait path, the
// fallbacks and their log lines (pinned here once).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "support/Responsive.h"
#include "tests/core/Desktop.h"

namespace varnic {
namespace {

using testing::Lines;

std::vector<int> writtenWindows(const FakeWindowSystem& system) {
    std::vector<int> ids;
    for (const auto& write : system.sizeWrites) ids.push_back(write.window);
    return ids;
}

// Each case scripts a fresh desktop with xlogo frontmost, then resizes to width x 480.
struct Case {
    const char* why;
    std::function<void(FakeWindowSystem&)> script;
    Lines lines;
    std::vector<int> written;
    std::optional<Pid> pid = std::nullopt;
    double width = 640;
};

TEST(Resize, EachPathWritesItsWholeLogSequence) {
    const std::string found = "Found focused window for xlogo";
    const std::string logo = "Targeting window: the logo";
    const std::string fallback = "AXFocusedWindow failed (-25212), trying AXWindows fallback...";
    const std::string again = "performResizeRunning() ";
    const auto nameless = [](FakeWindowSystem& s) {
        s.addApplication(77, std::nullopt, "/opt/nameless").focusedWindow = {ax::success, 1};
        s.focus(77);
        s.window(1).sizeResult = ax::failure;
    };
    const std::string resized = "Successfully resized xlogo to 640.0x480.0";
    // clang-format off
    const Case cases[]{
        {"success", [](auto&) {}, {found, logo, resized}, {1}},
        {"given pid wins over frontmost", [](auto&) {},
         {"Found focused window for xterm", "Targeting window: shell",
          "Successfully resized xterm to 800.5x480.0"}, {2}, 900, 800.5},
        {"given pid has quit: not the frontmost instead",
         [](auto& s) { s.application(900).running = false; },
         {"The target application (pid 900) is gone; no window was resized"}, {}, 900},
        {"no frontmost", [](auto& s) { s.frontmost.reset(); },
         {"No frontmost application found"}, {}, 812},
        {"first listed window", [](auto& s) {
             s.application(812).focusedWindow = {ax::cannotComplete, std::nullopt};
             s.application(812).windows.windows = std::vector<int>{4, 1};
             s.addWindow(4, std::nullopt);
         }, {"AXFocusedWindow failed (-25204), trying AXWindows fallback...",
             "Using first window from AXWindows list for xlogo", "Targeting window: no title",
             resized}, {4}},
        {"no window at all", [](auto& s) { s.application(812).focusedWindow = {}; },
         {fallback, "Could not find any window for xlogo. AXResult: 0", again,
          "Could not find focused window for xlogo"}, {}},
        {"second attempt succeeds",
         [](auto& s) { s.window(1).nextSizeResults = {ax::cannotComplete}; },
         {found, logo, "Failed to set window size for xlogo: -25204", again,
          "Successfully resized window of xlogo to 640.0x480.0"}, {1, 1}},
        {"the window took the nearest size it allows", [](auto& s) {
             s.window(1).nearest = {{{638, 481}, "whole character cells of 6x13"}};
         }, {found, logo, resized,
             "The window took the nearest size it allows, 638.0x481.0: "
             "whole character cells of 6x13"}, {1}},
        {"a failed title read logs nothing",
         [](auto& s) { s.window(1).title.code = ax::cannotComplete; },
         {found, resized}, {1}},
        {"nameless application", nameless,
         {"Found focused window for unknown", logo, "Failed to set window size for unknown: -25200",
          again, "Failed to set window size: AXError"}, {1, 1}},
        {"nameless without window",
         [&](auto& s) { nameless(s); s.application(77).focusedWindow = {}; },
         {fallback, "Could not find any window for unknown. AXResult: 0", again,
          "Could not find focused window for unknown app"}, {}},
        {"a size the platform cannot carry stops silently",
         [](auto& s) { s.refuseSizeValues = true; },
         {found, logo}, {}, std::nullopt, std::nan("")},
        {"hostile name and title stay on one line", [](auto& s) {
             auto& evil = s.addApplication(66, "evil\nSuccessfully resized xterm", "/opt/evil");
             evil.focusedWindow = {ax::success, 6};
             s.addWindow(6, "title\r\n\x1b[2Jcleared");
             s.focus(66);
         }, {"Found focused window for evil\\nSuccessfully resized xterm",
             "Targeting window: title\\x0d\\n\\x1b[2Jcleared",
             "Successfully resized evil\\nSuccessfully resized xterm to 640.0x480.0"}, {6}},
    };
    // clang-format on
    for (const auto& c : cases) {
        testing::Desktop desktop;
        auto& system = desktop.system;
        system.focus(812);
        c.script(system);
        desktop.manager->resizeActiveWindow(c.pid, c.width, 480);
        EXPECT_EQ(desktop.log.take(), c.lines) << c.why;
        EXPECT_EQ(writtenWindows(system), c.written) << c.why;
        EXPECT_EQ(desktop.shell.hideCount, 0) << c.why;
        EXPECT_EQ(system.liveElements(), 0) << c.why << ": every element released";
        EXPECT_LE(system.timeouts.size(), 1u) << c.why << ": the second attempt sets no timeout";
    }
}

class ResizeTest : public ::testing::Test, protected testing::Desktop {};

TEST_F(ResizeTest, AnotherFrontmostIsResizedAtOnceVarnicFrontmostHalfASecondAfterHiding) {
    system.focus(812);
    manager->resizeActiveWindow(std::nullopt, 1920, 1080);
    ASSERT_EQ(system.sizeWrites.size(), 1u);
    EXPECT_EQ(queue.pendingCount(), 0u) << "no delay when another application is frontmost";
    ASSERT_EQ(system.timeouts.size(), 1u);
    EXPECT_EQ(system.timeouts[0].seconds, 2.0f);

    system.frontmost = system.selfPid;
    manager->resizeActiveWindow(812, 1080, 1080);
    EXPECT_EQ(shell.hideCount, 1);
    queue.advance(0.499);
    EXPECT_EQ(system.sizeWrites.size(), 1u) << "nothing is written before 0.5 s";
    queue.advance(0.001);
    ASSERT_EQ(system.sizeWrites.size(), 2u);
    EXPECT_EQ(system.sizeWrites.back().size.width, 1080.0);

    // Without a pid whatever is frontmost after the hide is taken; two quick
    // requests each run their own delayed step.
    manager->resizeActiveWindow(std::nullopt, 1280, 720);
    queue.advance(0.2);
    manager->resizeActiveWindow(812, 1280, 720);
    system.frontmost = 900;
    queue.advance(0.5);
    EXPECT_EQ(writtenWindows(system), (std::vector<int>{1, 1, 2, 1}));

    // And when nothing is frontmost then, the delayed step stays silent.
    system.frontmost = system.selfPid;
    manager->resizeActiveWindow(std::nullopt, 1280, 720);
    system.frontmost.reset();
    log.take();
    queue.advance(0.5);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(system.sizeWrites.size(), 4u);
}

// A wait inside a call hands input to the application; a resize or discovery
// that input asks for runs after the call in progress, in order, never inside it.
TEST(Resize, InputDuringAWaitIsServedAfterTheCallInProgress) {
    struct WaitingSystem : FakeWindowSystem {
        SizeWriteResult setAttributeValue(const ElementRef& element, std::string_view attribute,
                                          const SizeValue& value) override {
            Responsive::handleInput();
            return FakeWindowSystem::setAttributeValue(element, attribute, value);
        }
    } system;
    system.addApplication(812, "xlogo", "/usr/bin/xlogo").focusedWindow = {ax::success, 1};
    system.addWindow(1, "the logo");
    system.focus(812);
    FakeDesktopShell shell;
    VirtualClockQueue queue;
    const auto manager = WindowManager::create(system, shell, queue);
    const testing::LogCapture log;
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
