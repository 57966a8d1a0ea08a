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

// The screen follows the permission (the polling that "Open Help Page" starts
// is the accessibility manager's): a check that finds it still missing keeps
// the screen, one that finds it shows the panel.
TEST_F(RootViewTest, OnboardingSwitchesToThePanelWhenACheckFindsThePermission) {
    system.trusted = false;
    accessibility->checkPermission();
    auto root = std::make_unique<RootView>(
        queue, accessibility, [this]() -> WindowManager& { return *manager; }, loginItems, bundle);
    root->show();
    queue.runPending();
    auto* onboarding = qobject_cast<OnboardingView*>(root->currentScreen());
    ASSERT_NE(onboarding, nullptr);

    auto* checkAgain = find<QPushButton>(*root, "checkAgainButton");
    checkAgain->click();
    queue.runPending();
    EXPECT_EQ(root->currentScreen(), onboarding) << "still missing: the same screen, not a new one";
    system.trusted = true;
    checkAgain->click();
    queue.runPending();
    EXPECT_TRUE(qobject_cast<ContentView*>(root->currentScreen())) << "switched by Check Again";
    EXPECT_TRUE(root->currentScreen()->isVisible());
    EXPECT_EQ(find<QLabel>(*root, "accessibilityStatus")->text(), "Accessibility: Authorized");
}

}  // namespace
}  // namespace varnic
