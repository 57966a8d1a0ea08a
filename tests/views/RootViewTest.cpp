// The root view switches from onboarding to the panel on its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <memory>

#include "tests/views/ViewsFixture.h"
#include "views/ContentView.h"
#include "views/OnboardingView.h"
#include "views/RootView.h"

namespace varnic {
namespace {

using ::testing::ElementsAre;

class RootViewTest : public testing::ViewsFixture {};

TEST_F(RootViewTest, OnboardingChecksAgainAndSwitchesAtThePollTickThatFindsThePermission) {
    system.trusted = false;
    accessibility->checkPermission();
    auto root = std::make_unique<RootView>(
        queue, accessibility, [this]() -> WindowManager& { return *manager; }, loginItems, bundle);
    root->show();
    queue.runPending();
    log.take();
    auto* onboarding = qobject_cast<OnboardingView*>(root->currentScreen());
    ASSERT_NE(onboarding, nullptr);

    find<QPushButton>(*root, "checkAgainButton")->click();
    queue.runPending();
    EXPECT_THAT(log.take(), ElementsAre("isAuthorized : false"));
    EXPECT_EQ(root->currentScreen(), onboarding) << "the same screen, not a new one";

    find<QPushButton>(*root, "openSettingsButton")->click();
    EXPECT_THAT(log.take(), ElementsAre("requestPermission : false"));
    queue.advance(1.0);
    EXPECT_EQ(root->currentScreen(), onboarding) << "still missing at the first tick";
    system.trusted = true;
    queue.advance(1.0);
    EXPECT_TRUE(qobject_cast<ContentView*>(root->currentScreen())) << "switched by the tick";
    EXPECT_TRUE(root->currentScreen()->isVisible());
    EXPECT_EQ(find<QLabel>(*root, "accessibilityStatus")->text(), "Accessibility: Authorized");
}

}  // namespace
}  // namespace varnic
