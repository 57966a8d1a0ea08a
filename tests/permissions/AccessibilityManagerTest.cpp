// The permission monitor on the virtual clock: checks, the prompt, polling and the settings page.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "permissions/AccessibilityManager.h"
#include "tests/doubles/FakeDesktopShell.h"
#include "tests/doubles/FakeWindowSystem.h"
#include "tests/doubles/VirtualClockQueue.h"
#include "tests/support/LogCapture.h"

namespace varnic {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr auto settingsLink =
    "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

class AccessibilityManagerTest : public ::testing::Test {
  protected:
    std::shared_ptr<AccessibilityManager> start(bool trusted) {
        system.trusted = trusted;
        auto manager = AccessibilityManager::create(system, shell, queue);
        EXPECT_THAT(log.take(),
                    ElementsAre(trusted ? "isAuthorized : true" : "isAuthorized : false"));
        return manager;
    }

    testing::LogCapture log;
    FakeWindowSystem system;
    FakeDesktopShell shell;
    VirtualClockQueue queue;
};

TEST_F(AccessibilityManagerTest, GrantedAtStartThenWithdrawnNeverPolls) {
    const auto manager = start(true);
    system.trusted = false;
    queue.advance(10);
    EXPECT_TRUE(manager->isAuthorized.get()) << "nothing watches while idle";

    manager->checkPermission();  // opening the popover
    EXPECT_FALSE(manager->isAuthorized.get());
    EXPECT_THAT(log.take(), ElementsAre("isAuthorized : false"));
    EXPECT_EQ(queue.pendingCount(), 0u) << "neither construction nor a withdrawal starts a timer";
    EXPECT_EQ(system.promptCount, 0);
}

// A request prompts, opens the settings a second later and polls once a second
// until the tick that finds the permission.
TEST_F(AccessibilityManagerTest, RequestWhileMissingPromptsPollsAndOpensSettings) {
    const auto manager = start(false);
    int announcements = 0;
    const auto subscription = manager->isAuthorized.subscribe([&] { ++announcements; });

    manager->requestPermissionAndOpenSettings();
    EXPECT_EQ(system.promptCount, 1);
    EXPECT_THAT(log.take(), ElementsAre("requestPermission : false"));
    queue.advance(0.999);
    EXPECT_THAT(shell.openedURLs, IsEmpty()) << "the settings wait a full second";
    queue.advance(0.001);
    EXPECT_THAT(log.take(), ElementsAre("isAuthorized : false"))
        << "one check, by the tick; the delayed task only reads the stored flag";
    EXPECT_THAT(shell.openedURLs, ElementsAre(settingsLink));
    queue.advance(2);
    EXPECT_EQ(announcements, 3) << "every tick announces, also when nothing changed";

    system.trusted = true;
    queue.advance(1);
    EXPECT_THAT(log.take(),
                ElementsAre("isAuthorized : false", "isAuthorized : false", "isAuthorized : true"));
    EXPECT_FALSE(manager->isPolling()) << "the tick that finds the permission stops the timer";

    // Granted within the second ("Check Again"): the settings stay closed.
    system.trusted = false;
    manager->requestPermissionAndOpenSettings();
    queue.advance(0.5);
    system.trusted = true;
    manager->checkPermission();
    queue.advance(5);
    EXPECT_EQ(shell.openedURLs.size(), 1u);
    EXPECT_FALSE(manager->isPolling());
}

TEST_F(AccessibilityManagerTest, TwoQuickRequestsKeepOneTimerAndTwoDelayedTasksUntilDestroyed) {
    auto manager = start(false);
    manager->requestPermissionAndOpenSettings();
    queue.advance(0.2);
    manager->requestPermissionAndOpenSettings();
    log.take();
    queue.advance(0.9);  // t = 1.1: the first timer would have ticked at 1.0
    EXPECT_THAT(log.take(), IsEmpty()) << "the replaced timer never ticks";
    queue.advance(0.1);
    EXPECT_EQ(shell.openedURLs.size(), 2u) << "each request has its own delayed task";

    manager->requestPermissionAndOpenSettings();
    log.take();
    manager.reset();  // with a tick and a delayed task pending
    queue.advance(5);
    EXPECT_THAT(log.lines(), IsEmpty()) << "no tick after destruction";
    EXPECT_EQ(shell.openedURLs.size(), 2u) << "the delayed task found the manager gone";
    EXPECT_EQ(queue.pendingCount(), 0u) << "the timer was invalidated";
}

}  // namespace
}  // namespace varnic
