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

// A request prompts, opens the settings a second later unless the permission
// came meanwhile, and polls once a second until the tick that finds it.
TEST(AccessibilityManager, RequestPromptsPollsUntilGrantedAndOpensTheSettings) {
    const testing::LogCapture log;
    FakeWindowSystem system;
    FakeDesktopShell shell;
    VirtualClockQueue queue;
    system.trusted = false;
    auto manager = AccessibilityManager::create(system, shell, queue);
    EXPECT_FALSE(manager->isPolling()) << "construction only checks";

    manager->requestPermissionAndOpenSettings();
    EXPECT_EQ(system.promptCount, 1);
    queue.advance(0.999);
    EXPECT_THAT(shell.openedURLs, IsEmpty()) << "the settings wait a full second";
    queue.advance(0.001);
    EXPECT_THAT(shell.openedURLs,
                ElementsAre("x-apple.systempreferences:com.apple.preference.security?"
                            "Privacy_Accessibility"));
    system.trusted = true;
    queue.advance(1);
    EXPECT_THAT(log.lines(), ElementsAre("isAuthorized : false", "requestPermission : false",
                                         "isAuthorized : false", "isAuthorized : true"));
    EXPECT_FALSE(manager->isPolling()) << "the tick that finds the permission stops the timer";

    // Granted within the second ("Check Again"): the settings stay closed.
    system.trusted = false;
    manager->requestPermissionAndOpenSettings();
    queue.advance(0.5);
    system.trusted = true;
    manager->checkPermission();
    queue.advance(5);
    EXPECT_EQ(shell.openedURLs.size(), 1u);

    // Destroyed with a tick and a delayed task pending: neither runs.
    system.trusted = false;
    manager->requestPermissionAndOpenSettings();
    manager.reset();
    const auto lines = log.lines().size();
    queue.advance(5);
    EXPECT_EQ(log.lines().size(), lines) << "no tick after destruction";
    EXPECT_EQ(shell.openedURLs.size(), 1u) << "the delayed task found the manager gone";
}

}  // namespace
}  // namespace varnic
