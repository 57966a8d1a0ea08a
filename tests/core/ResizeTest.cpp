// Resizing: which application is targeted, the hide-and-wait path, the
// fallbacks and their exact log lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "platform/fake/FakeWindowSystem.h"
#include "platform/fake/VirtualClockQueue.h"
#include "tests/support/LogCapture.h"
#include "windows/WindowManager.h"

namespace varnic {
namespace {

using ::testing::ElementsAre;
using Lines = std::vector<std::string>;

class ResizeTest : public ::testing::Test {
protected:
    ResizeTest() {
        auto& xlogo = system.addApplication(812, "xlogo", "/usr/bin/xlogo");
        xlogo.focusedWindow = {ax::success, 1};
        system.addWindow(1, "the logo");
        auto& xterm = system.addApplication(900, "xterm", "/usr/bin/xterm");
        xterm.focusedWindow = {ax::success, 2};
        system.addWindow(2, "shell");
        system.addApplication(system.selfPid, "Varnic", system.ownBundle);
        system.focus(812);
    }

    std::vector<int> writtenWindows() const {
        std::vector<int> ids;
        for (const auto& write : system.sizeWrites) ids.push_back(write.window);
        return ids;
    }

    FakeWindowSystem system;
    VirtualClockQueue queue;
    std::shared_ptr<WindowManager> manager = WindowManager::create(system, queue);
    testing::LogCapture log;
};

TEST_F(ResizeTest, FocusedWindowOfTheFrontmostApplicationIsResizedAtOnce) {
    manager->resizeActiveWindow(std::nullopt, 1920, 1080);
    EXPECT_THAT(log.take(), ElementsAre("Found focused window for xlogo",
                                        "Targeting window: the logo",
                                        "Successfully resized xlogo to 1920.0x1080.0"));
    ASSERT_EQ(system.sizeWrites.size(), 1u);
    EXPECT_EQ(system.sizeWrites[0].window, 1);
    EXPECT_EQ(system.sizeWrites[0].size.width, 1920);
    EXPECT_EQ(system.sizeWrites[0].size.height, 1080);
    EXPECT_EQ(system.hideCount, 0);
    EXPECT_EQ(queue.pendingCount(), 0u) << "no delay when another application is frontmost";
    ASSERT_EQ(system.timeouts.size(), 1u);
    EXPECT_EQ(system.timeouts[0].seconds, 2.0f);
    EXPECT_EQ(system.liveElements(), 0) << "every element released";
}

TEST_F(ResizeTest, GivenPidWinsOverFrontmostUnlessItHasQuit) {
    manager->resizeActiveWindow(900, 1179, 2556);
    EXPECT_THAT(log.take(), ElementsAre("Found focused window for xterm", "Targeting window: shell",
                                        "Successfully resized xterm to 1179.0x2556.0"));
    system.application(900).running = false;
    manager->resizeActiveWindow(900, 800.5, 600);
    EXPECT_THAT(log.take().back(), "Successfully resized xlogo to 800.5x600.0");
    EXPECT_EQ(writtenWindows(), (std::vector<int>{2, 1}));
}

TEST_F(ResizeTest, NoFrontmostApplicationWritesOneLineAndDoesNothingElse) {
    system.frontmost.reset();
    manager->resizeActiveWindow(812, 1920, 1080);
    EXPECT_THAT(log.take(), ElementsAre("No frontmost application found"));
    EXPECT_EQ(system.hideCount, 0);
    EXPECT_TRUE(system.sizeWrites.empty());
}

TEST_F(ResizeTest, VarnicFrontmostHidesThenResizesHalfASecondLater) {
    system.frontmost = system.selfPid;
    manager->resizeActiveWindow(812, 1080, 1080);
    EXPECT_EQ(system.hideCount, 1);
    queue.advance(0.499);
    EXPECT_TRUE(system.sizeWrites.empty()) << "nothing is written before 0.5 s";
    EXPECT_TRUE(log.lines().empty());
    queue.advance(0.001);
    EXPECT_THAT(log.take().back(), "Successfully resized xlogo to 1080.0x1080.0");

    // Without a pid (or with a stale one) whatever is frontmost after the hide is taken.
    manager->resizeActiveWindow(std::nullopt, 1280, 720);
    system.frontmost = 900;
    queue.advance(0.5);
    EXPECT_EQ(writtenWindows(), (std::vector<int>{1, 2}));

    // And when nothing is frontmost then, the delayed step stays silent.
    system.frontmost = system.selfPid;
    manager->resizeActiveWindow(std::nullopt, 1280, 720);
    system.frontmost.reset();
    log.take();
    queue.advance(0.5);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(system.sizeWrites.size(), 2u);
}

TEST_F(ResizeTest, TwoQuickRequestsEachRunTheirOwnDelayedStep) {
    system.frontmost = system.selfPid;
    manager->resizeActiveWindow(812, 1920, 1080);
    queue.advance(0.2);
    manager->resizeActiveWindow(900, 1280, 720);
    queue.advance(1.0);
    EXPECT_EQ(system.hideCount, 2);
    EXPECT_EQ(writtenWindows(), (std::vector<int>{1, 2}));
}

TEST_F(ResizeTest, FocusedWindowFailureFallsBackToTheFirstListedWindow) {
    auto& xlogo = system.application(812);
    xlogo.focusedWindow = {ax::cannotComplete, std::nullopt};
    xlogo.windows.windows = std::vector<int>{3, 1};
    system.addWindow(3, std::nullopt);
    manager->resizeActiveWindow(std::nullopt, 640, 480);
    EXPECT_THAT(log.take(), ElementsAre("AXFocusedWindow failed (-25204), trying AXWindows fallback...",
                                        "Using first window from AXWindows list for xlogo",
                                        "Targeting window: no title",
                                        "Successfully resized xlogo to 640.0x480.0"));
    EXPECT_EQ(writtenWindows(), (std::vector<int>{3}));
}

TEST_F(ResizeTest, NoWindowAtAllMakesOneSecondAttempt) {
    auto& xlogo = system.application(812);
    xlogo.focusedWindow = {ax::noValue, std::nullopt};
    manager->resizeActiveWindow(std::nullopt, 640, 480);
    EXPECT_THAT(log.take(), ElementsAre("AXFocusedWindow failed (-25212), trying AXWindows fallback...",
                                        "Could not find any window for xlogo. AXResult: 0",
                                        "performResizeRunning() ",
                                        "Could not find focused window for xlogo"));

    xlogo.windows = {ax::apiDisabled, std::nullopt};
    manager->resizeActiveWindow(std::nullopt, 640, 480);
    EXPECT_EQ(log.take()[1], "Could not find any window for xlogo. AXResult: -25211");
    EXPECT_EQ(system.liveElements(), 0);
}

TEST_F(ResizeTest, RejectedSizeIsTriedOnceMoreThenGivenUp) {
    system.window(1).sizeResult = ax::attributeUnsupported;
    manager->resizeActiveWindow(std::nullopt, 1920, 1080);
    EXPECT_THAT(log.take(), ElementsAre("Found focused window for xlogo", "Targeting window: the logo",
                                        "Failed to set window size for xlogo: -25205",
                                        "performResizeRunning() ",
                                        "Failed to set window size: AXError"));
    EXPECT_EQ(writtenWindows(), (std::vector<int>{1, 1}));
    ASSERT_EQ(system.timeouts.size(), 1u) << "the second attempt sets no timeout";

    system.window(1).sizeResult = ax::success;
    system.application(812).focusedWindow = {ax::success, 1};
    system.window(1).title = {ax::cannotComplete, std::nullopt, false};
    manager->resizeActiveWindow(std::nullopt, 1920, 1080);
    EXPECT_THAT(log.take(), ElementsAre("Found focused window for xlogo",
                                        "Successfully resized xlogo to 1920.0x1080.0"))
        << "a failed title read logs nothing";
}

TEST_F(ResizeTest, SecondAttemptSucceedsWithItsOwnLine) {
    system.window(1).nextSizeResults = {ax::cannotComplete};
    manager->resizeActiveWindow(std::nullopt, 1920, 1080);
    EXPECT_THAT(log.take(), ElementsAre("Found focused window for xlogo", "Targeting window: the logo",
                                        "Failed to set window size for xlogo: -25204",
                                        "performResizeRunning() ",
                                        "Successfully resized window of xlogo to 1920.0x1080.0"));
}

TEST_F(ResizeTest, NamelessApplicationsAndUnrepresentableSizes) {
    auto& nameless = system.addApplication(77, std::nullopt, "/opt/nameless");
    nameless.focusedWindow = {ax::success, 1};
    system.focus(77);
    system.window(1).sizeResult = ax::failure;
    manager->resizeActiveWindow(std::nullopt, 100, 100);
    EXPECT_THAT(log.take(), ElementsAre("Found focused window for unknown", "Targeting window: the logo",
                                        "Failed to set window size for unknown: -25200",
                                        "performResizeRunning() ",
                                        "Failed to set window size: AXError"));

    system.application(77).focusedWindow = {ax::noValue, std::nullopt};
    manager->resizeActiveWindow(std::nullopt, 100, 100);
    EXPECT_EQ(log.take().back(), "Could not find focused window for unknown app");

    system.refuseSizeValues = true;
    system.focus(812);
    manager->resizeActiveWindow(std::nullopt, std::nan(""), 100);
    EXPECT_THAT(log.take(), ElementsAre("Found focused window for xlogo", "Targeting window: the logo"))
        << "a size the platform cannot carry stops silently";
}

TEST_F(ResizeTest, HostileNamesAndTitlesStayOnOneLine) {
    auto& evil = system.addApplication(66, "evil\nSuccessfully resized xterm", "/opt/evil");
    evil.focusedWindow = {ax::success, 6};
    system.addWindow(6, "title\r\n\x1b[2Jcleared");
    system.focus(66);
    manager->resizeActiveWindow(std::nullopt, 10, 10);
    EXPECT_THAT(log.take(),
                ElementsAre("Found focused window for evil\\nSuccessfully resized xterm",
                            "Targeting window: title\\x0d\\n\\x1b[2Jcleared",
                            "Successfully resized evil\\nSuccessfully resized xterm to 10.0x10.0"));
}

}  // namespace
}  // namespace varnic
