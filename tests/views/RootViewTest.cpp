// The root view switches from onboarding to the panel on its own.
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

class RootViewTest : public testing::ViewsFixture {};

// The poll that "Open Help Page" starts switches at the tick that finds the
// permission; "Check Again" switches at once.
TEST_F(RootViewTest, OnboardingSwitchesAtTheTickOrTheCheckThatFindsThePermission) {
    system.trusted = false;
    accessibility->checkPermission();
    auto root = std::make_unique<RootView>(
        queue, accessibility, [this]() -> WindowManager& { return *manager; }, loginItems, bundle);
    root->show();
    queue.runPending();
    auto* onboarding = qobject_cast<OnboardingView*>(root->currentScreen());
    ASSERT_NE(onboarding, nullptr);

    find<QPushButton>(*root, "openSettingsButton")->click();
    EXPECT_EQ(system.promptCount, 1);
    queue.advance(1.0);
    EXPECT_EQ(root->currentScreen(), onboarding) << "the same screen at the first tick";
    system.trusted = true;
    queue.advance(1.0);
    EXPECT_TRUE(qobject_cast<ContentView*>(root->currentScreen())) << "switched by the tick";
    EXPECT_TRUE(root->currentScreen()->isVisible());
    EXPECT_EQ(find<QLabel>(*root, "accessibilityStatus")->text(), "Accessibility: Authorized");

    system.trusted = false;
    accessibility->checkPermission();
    queue.runPending();
    ASSERT_TRUE(qobject_cast<OnboardingView*>(root->currentScreen())) << "withdrawn";
    system.trusted = true;
    find<QPushButton>(*root, "checkAgainButton")->click();
    queue.runPending();
    EXPECT_TRUE(qobject_cast<ContentView*>(root->currentScreen())) << "switched by Check Again";
}

}  // namespace
}  // namespace varnic
