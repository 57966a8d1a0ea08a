// The start-at-login switch over a scripted login-item service.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "permissions/StartupManager.h"
#include "tests/doubles/FakeLoginItemService.h"

namespace varnic {
namespace {

using ::testing::ElementsAre;

TEST(StartupManager, ReadsTheStatusAndKeepsAFailureTextUntilTheNextSuccess) {
    FakeLoginItemService service;
    service.current = LoginItemStatus::enabled;
    EXPECT_TRUE(StartupManager(service).isEnabled.get()) << "read at construction";
    service.current = LoginItemStatus::notRegistered;
    StartupManager manager(service);
    std::vector<std::string> stores;
    const auto errors = manager.lastError.subscribe([&] { stores.push_back("lastError"); });
    const auto enabled = manager.isEnabled.subscribe([&] { stores.push_back("isEnabled"); });

    service.failures = {"Could not write /x/varnic.desktop: Permission denied", ""};
    manager.setEnabled(true);
    EXPECT_EQ(manager.lastError.get(), "Could not write /x/varnic.desktop: Permission denied");
    EXPECT_FALSE(manager.isEnabled.get()) << "the switch falls back to what the service reports";
    EXPECT_THAT(stores, ElementsAre("lastError", "isEnabled"));

    manager.setEnabled(true);
    EXPECT_NE(manager.lastError.get().value_or(""), "") << "a failure without text still shows";

    manager.setEnabled(true);
    EXPECT_EQ(manager.lastError.get(), std::nullopt) << "a success empties the old error";
    EXPECT_TRUE(manager.isEnabled.get());
    manager.setEnabled(false);
    EXPECT_FALSE(manager.isEnabled.get());

    service.afterRegister = LoginItemStatus::requiresApproval;
    manager.setEnabled(true);
    EXPECT_FALSE(manager.isEnabled.get()) << "approval required after a success";
    EXPECT_EQ(manager.lastError.get(), std::nullopt);
}

}  // namespace
}  // namespace varnic
