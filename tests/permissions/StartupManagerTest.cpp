// The start-at-login switch over a scripted login-item service.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "permissions/StartupManager.h"
#include "platform/fake/FakeLoginItemService.h"
#include "tests/support/LogCapture.h"

namespace varnic {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Call = FakeLoginItemService::Call;

TEST(StartupManager, OnlyTheEnabledStatusTurnsTheSwitchOn) {
    const std::vector<std::pair<LoginItemStatus, bool>> cases{
        {LoginItemStatus::notRegistered, false},
        {LoginItemStatus::enabled, true},
        {LoginItemStatus::requiresApproval, false},
        {LoginItemStatus::notFound, false},
    };
    for (const auto& [status, enabled] : cases) {
        FakeLoginItemService service;
        service.current = status;
        const StartupManager manager(service);
        EXPECT_EQ(manager.isEnabled.get(), enabled) << "status " << static_cast<int>(status);
        EXPECT_EQ(manager.lastError.get(), std::nullopt);
        EXPECT_THAT(service.calls, ElementsAre(Call::status)) << "read once, nothing changed";
    }
}

TEST(StartupManager, FailureKeepsTheTextUntilTheNextSuccess) {
    testing::LogCapture log;
    FakeLoginItemService service;
    StartupManager manager(service);
    std::vector<std::string> stores;
    const auto errorStores = manager.lastError.subscribe([&] { stores.push_back("lastError"); });
    const auto enabledStores = manager.isEnabled.subscribe([&] { stores.push_back("isEnabled"); });

    service.failures.push_back("Could not write /x/varnic.desktop: Permission denied");
    manager.setEnabled(true);
    EXPECT_EQ(manager.lastError.get(), "Could not write /x/varnic.desktop: Permission denied")
        << "the service's text, unchanged";
    EXPECT_FALSE(manager.isEnabled.get()) << "the switch falls back to what the service reports";
    EXPECT_THAT(stores, ElementsAre("lastError", "isEnabled"));

    manager.setEnabled(true);
    EXPECT_EQ(manager.lastError.get(), std::nullopt) << "a success empties the old error";
    EXPECT_TRUE(manager.isEnabled.get());

    manager.setEnabled(false);
    EXPECT_EQ(manager.lastError.get(), std::nullopt);
    EXPECT_FALSE(manager.isEnabled.get());
    EXPECT_THAT(service.calls,
                ElementsAre(Call::status, Call::registerItem, Call::status, Call::registerItem,
                            Call::status, Call::unregisterItem, Call::status))
        << "the status is read again after every change";
    EXPECT_EQ(stores.size(), 6u) << "every store is announced";
    EXPECT_THAT(log.lines(), IsEmpty()) << "nothing is logged";
}

TEST(StartupManager, ApprovalRequiredAfterSuccessTurnsTheSwitchOffWithoutError) {
    FakeLoginItemService service;
    service.afterRegister = LoginItemStatus::requiresApproval;
    StartupManager manager(service);
    manager.setEnabled(true);
    EXPECT_FALSE(manager.isEnabled.get());
    EXPECT_EQ(manager.lastError.get(), std::nullopt);
}

TEST(StartupManager, FailureWithoutTextStillShowsAnError) {
    FakeLoginItemService service;
    service.current = LoginItemStatus::enabled;
    StartupManager manager(service);
    service.failures.push_back("");
    manager.setEnabled(false);
    ASSERT_TRUE(manager.lastError.get().has_value());
    EXPECT_FALSE(manager.lastError.get()->empty()) << "an empty text would look like success";
    EXPECT_TRUE(manager.isEnabled.get());
}

}  // namespace
}  // namespace varnic
