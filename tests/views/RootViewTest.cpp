// The root view switches between onboarding and the panel on its own, and
// keeps one startup manager through every switch.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "permissions/StartupManager.h"
#include "tests/views/ViewsFixture.h"
#include "views/ContentView.h"
#include "views/InstructionStep.h"
#include "views/OnboardingView.h"
#include "views/RootView.h"

namespace varnic {
namespace {

using ::testing::ElementsAre;

class RootViewTest : public testing::ViewsFixture {
  protected:
    void withoutPermission() {
        system.trusted = false;
        accessibility->checkPermission();
        queue.runPending();
        log.take();
    }

    template <typename Screen>
    bool shows(RootView& root) {
        return qobject_cast<Screen*>(root.currentScreen()) != nullptr;
    }
};

TEST_F(RootViewTest,
       OnboardingListsTheStepsChecksAgainAndSwitchesAtThePollTickThatFindsThePermission) {
    withoutPermission();
    auto root = makeRoot();
    ASSERT_TRUE(shows<OnboardingView>(*root));
    EXPECT_EQ(root->currentScreen()->width(), 450);

    std::vector<std::pair<int, std::string>> steps;
    for (auto* step : root->findChildren<InstructionStep*>()) {
        steps.emplace_back(step->number(), step->text().toStdString());
    }
    // The texts are the window system's own.
    EXPECT_THAT(steps,
                ElementsAre(std::pair(1, "Click the button below."), std::pair(2, "Trust Varnic."),
                            std::pair(3, "The change is detected.")));
    EXPECT_EQ(find<QLabel>(*root, "accessibilityStatus")->text(), "Accessibility: Not Authorized");

    auto* onboarding = root->currentScreen();
    EXPECT_EQ(find<QPushButton>(*root, "checkAgainButton")->text(), "Check Again");
    find<QPushButton>(*root, "checkAgainButton")->click();
    queue.runPending();
    EXPECT_THAT(log.take(), ElementsAre("isAuthorized : false"));
    EXPECT_EQ(root->currentScreen(), onboarding) << "the same screen, not a new one";

    EXPECT_EQ(find<QPushButton>(*root, "openSettingsButton")->text(), "Open Fake Settings");
    find<QPushButton>(*root, "openSettingsButton")->click();
    EXPECT_THAT(log.take(), ElementsAre("requestPermission : false"));
    EXPECT_EQ(system.promptCount, 1);
    queue.advance(1.0);
    EXPECT_TRUE(shows<OnboardingView>(*root)) << "still missing at the first tick";
    EXPECT_EQ(shell.openedURLs.size(), 1u) << "settings opened once the second has passed";

    system.trusted = true;
    queue.advance(0.99);
    EXPECT_TRUE(shows<OnboardingView>(*root));
    queue.advance(0.01);
    EXPECT_TRUE(shows<ContentView>(*root)) << "switched at the tick, without any action";
    EXPECT_TRUE(root->currentScreen()->isVisible());
    EXPECT_EQ(find<QLabel>(*root, "accessibilityStatus")->text(), "Accessibility: Authorized");
    EXPECT_EQ(root->findChildren<OnboardingView*>().size(), 0u) << "the old screen is gone";
}

TEST_F(RootViewTest, OneStartupManagerServesEveryPanelAndEachSwitchBackBuildsAFreshPanel) {
    auto root = makeRoot();
    ASSERT_TRUE(shows<ContentView>(*root));
    auto* startup = &root->startupManager();
    auto* width = find<QLineEdit>(*root, "widthField");
    QTest::keyClicks(width, "0");
    EXPECT_EQ(width->text(), "19200");

    accessibility->checkPermission();
    queue.runPending();
    EXPECT_EQ(find<QLineEdit>(*root, "widthField")->text(), "19200")
        << "a redraw with the same permission keeps the panel and its state";

    system.trusted = false;
    accessibility->checkPermission();
    queue.runPending();
    EXPECT_TRUE(shows<OnboardingView>(*root));
    system.trusted = true;
    accessibility->checkPermission();
    queue.runPending();
    ASSERT_TRUE(shows<ContentView>(*root));
    EXPECT_EQ(find<QLineEdit>(*root, "widthField")->text(), "1920") << "a new panel";
    EXPECT_EQ(&root->startupManager(), startup);

    loginItems.current = LoginItemStatus::enabled;
    root->startupManager().setEnabled(true);
    queue.runPending();
    EXPECT_TRUE(find<QAbstractButton>(*root, "startupSwitch")->isChecked());
}

TEST_F(RootViewTest, DebugLinesWithoutIdentifierAndWithALongPath) {
    bundle.identifier.reset();
    bundle.path = "/home/someone/" + std::string(40, 'a') + "/" + std::string(60, 'b') + "/" +
                  std::string(60, 'c') + "/bin/varnic";
    withoutPermission();
    auto root = makeRoot();
    EXPECT_EQ(root->findChild<QLabel*>("bundleIdLabel"), nullptr) << "the line is left out";
    auto* path = find<QLabel>(*root, "appPathLabel");
    const auto shown = path->text().toStdString();
    EXPECT_EQ(path->text().count('\n'), 1) << "two lines";
    EXPECT_THAT(shown, ::testing::StartsWith("App Path: /home/someone/"));
    EXPECT_THAT(shown, ::testing::HasSubstr("…"));
    EXPECT_THAT(shown, ::testing::EndsWith("/bin/varnic")) << "the middle goes, the end stays";
    EXPECT_TRUE(path->textInteractionFlags() & Qt::TextSelectableByMouse);

    find<QPushButton>(*root, "revealButton")->click();
    EXPECT_EQ(bundle.revealCount, 1);
}

}  // namespace
}  // namespace varnic
