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

TEST_F(RootViewTest, OnboardingShowsTheGuideChecksAgainAndSwitchesAtThePollTickThatFindsIt) {
    withoutPermission();
    auto root = makeRoot();
    ASSERT_TRUE(shows<OnboardingView>(*root));
    std::vector<std::pair<int, std::string>> steps;
    for (auto* step : root->findChildren<InstructionStep*>()) {
        steps.emplace_back(step->number(), step->text().toStdString());
    }
    const auto guide = system.permissionGuide().steps;
    EXPECT_THAT(steps,
                ElementsAre(std::pair(1, guide[0]), std::pair(2, guide[1]), std::pair(3, guide[2])))
        << "the window system's own steps";

    auto* onboarding = root->currentScreen();
    find<QPushButton>(*root, "checkAgainButton")->click();
    queue.runPending();
    EXPECT_THAT(log.take(), ElementsAre("isAuthorized : false"));
    EXPECT_EQ(root->currentScreen(), onboarding) << "the same screen, not a new one";

    find<QPushButton>(*root, "openSettingsButton")->click();
    EXPECT_THAT(log.take(), ElementsAre("requestPermission : false"));
    queue.advance(1.0);
    EXPECT_TRUE(shows<OnboardingView>(*root)) << "still missing at the first tick";
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
    auto* startup = &root->startupManager();
    QTest::keyClicks(find<QLineEdit>(*root, "widthField"), "0");
    for (const bool trusted : {false, true}) {
        system.trusted = trusted;
        accessibility->checkPermission();
        queue.runPending();
    }
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
    EXPECT_EQ(path->text().count('\n'), 1) << "two lines";
    EXPECT_THAT(path->text().toStdString(),
                ::testing::AllOf(::testing::StartsWith("App Path: /home/someone/"),
                                 ::testing::HasSubstr("…"), ::testing::EndsWith("/bin/varnic")))
        << "the middle goes, the end stays";
    EXPECT_TRUE(path->textInteractionFlags() & Qt::TextSelectableByMouse);
    find<QPushButton>(*root, "revealButton")->click();
    EXPECT_EQ(bundle.revealCount, 1);
}

}  // namespace
}  // namespace varnic
