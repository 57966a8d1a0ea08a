// Resizing: which application is targeted, the hide-and-wait path, the
// fallbacks and their log lines (the wording of each pinned here once).
#include <gtest/gtest.h>

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
    const std::string again = "performResizeRunning() ";
    // clang-format off
    const Case cases[]{
        {"success", [](auto&) {}, {"Found focused window for xlogo", "Targeting window: the logo",
          "Successfully resized xlogo to 640.0x480.0"}, {1}},
        {"the given pid wins over the frontmost; a fraction is printed as such", [](auto&) {},
         {"Found focused window for xterm", "Targeting window: shell",
          "Successfully resized xterm to 800.5x480.0"}, {2}, 900, 800.5},
        {"no frontmost", [](auto& s) { s.frontmost.reset(); },
         {"No frontmost application found"}, {}, 812},
        {"the first listed window", [](auto& s) {
             s.application(812).reads[attr::focusedWindow] = {ax::cannotComplete, {}};
             s.application(812).reads[attr::windows] = {ax::success, std::vector{4, 1}};
             s.titles[4] = {};
         }, {"AXFocusedWindow failed (-25204), trying AXWindows fallback...",
             "Using first window from AXWindows list for xlogo", "Targeting window: no title",
             "Successfully resized xlogo to 640.0x480.0"}, {4}},
        {"no window at all, nor in the second attempt", [](auto& s) {
             s.application(812).reads = {{attr::windows, {ax::success, std::vector<int>{}}}};
         }, {"AXFocusedWindow failed (-25212), trying AXWindows fallback...",
             "Could not find any window for xlogo. AXResult: 0", again,
             "Could not find focused window for xlogo"}, {}},
        {"a nameless application's refused size, written by the second attempt", [](auto& s) {
             s.addApplication(77, std::nullopt, "/opt/nameless", 1);
             s.focus(77);
             s.sizeResults = {ax::failure};
         }, {"Found focused window for unknown", "Targeting window: the logo",
             "Failed to set window size for unknown: -25200", again,
             "Successfully resized window of unknown app to 640.0x480.0"}, {1, 1}},
        {"a hostile name and title stay on one line", [](auto& s) {
             s.addApplication(66, "evil\nSuccessfully resized xterm", "/opt/evil", 6);
             s.titles[6] = {ax::success, "title\r\n\x1b[2Jcleared"};
             s.focus(66);
         }, {"Found focused window for evil\\nSuccessfully resized xterm",
             "Targeting window: title\\x0d\\n\\x1b[2Jcleared",
             "Successfully resized evil\\nSuccessfully resized xterm to 640.0x480.0"}, {6}},
    };
    // clang-format on
    for (const auto& c : cases) {
        testing::Desktop desktop;
        desktop.system.focus(812);
        c.script(desktop.system);
        desktop.manager->resizeActiveWindow(c.pid, c.width, 480);
        EXPECT_EQ(desktop.log.take(), c.lines) << c.why;
        EXPECT_EQ(writtenWindows(desktop.system), c.written) << c.why;
        EXPECT_EQ(desktop.shell.hideCount, 0) << c.why << ": another application is frontmost";
    }
}

class ResizeTest : public ::testing::Test, protected testing::Desktop {};

TEST_F(ResizeTest, VarnicFrontmostHidesAndResizesHalfASecondLater) {
    system.focus(system.selfPid);
    manager->resizeActiveWindow(812, 1080, 1080);
    EXPECT_EQ(shell.hideCount, 1);
    queue.advance(0.499);
    EXPECT_TRUE(system.sizeWrites.empty()) << "nothing is written before 0.5 s";
    system.frontmost = 900;  // the hide gave the focus to another application
    queue.advance(0.001);
    EXPECT_EQ(writtenWindows(system), std::vector{1}) << "the given pid, not the frontmost";

    // Without a pid whatever is frontmost after the hide is taken; two quick
    // requests each run their own delayed step.
    system.frontmost = system.selfPid;
    manager->resizeActiveWindow(std::nullopt, 1280, 720);
    queue.advance(0.2);
    manager->resizeActiveWindow(812, 1280, 720);
    system.frontmost = 900;
    queue.advance(0.5);
    EXPECT_EQ(writtenWindows(system), (std::vector{1, 2, 1}));

    // And when nothing is frontmost then, the delayed step stays silent.
    system.frontmost = system.selfPid;
    manager->resizeActiveWindow(std::nullopt, 1280, 720);
    system.frontmost.reset();
    log.take();
    queue.advance(0.5);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(system.sizeWrites.size(), 3u);
}

// A wait inside a call hands input to the application; a resize or discovery
// that input asks for runs after the call in progress, in order, never inside it.
TEST_F(ResizeTest, InputDuringAWaitIsServedAfterTheCallInProgress) {
    struct WaitingSystem : FakeWindowSystem {
        SizeWriteResult setAttributeValue(const ElementRef& element, std::string_view attribute,
                                          const SizeValue& value) override {
            Responsive::handleInput();
            return FakeWindowSystem::setAttributeValue(element, attribute, value);
        }
    } waiting;
    waiting.addApplication(812, "xlogo", "/usr/bin/xlogo", 1);
    waiting.titles[1] = {ax::success, "the logo"};
    waiting.focus(812);
    const auto waitingManager = WindowManager::create(waiting, shell, queue);
    int inputs = 0;
    Responsive::install([&] {
        if (++inputs > 1) return;
        waitingManager->resizeActiveWindow(std::nullopt, 800, 600);
        waitingManager->fetchActiveWindowInfo();
    });
    waitingManager->resizeActiveWindow(std::nullopt, 640, 480);
    ASSERT_EQ(waiting.sizeWrites.size(), 1u) << "nothing runs inside the wait";
    queue.runPending();
    Responsive::install(nullptr);
    ASSERT_EQ(waiting.sizeWrites.size(), 2u);
    EXPECT_EQ(waiting.sizeWrites[1].size.width, 800);
    EXPECT_EQ(inputs, 2) << "the deferred resize waits too, and handles input again";
    EXPECT_TRUE(waitingManager->activeWindowInfo.get()) << "the deferred discovery ran";
}

}  // namespace
}  // namespace varnic
