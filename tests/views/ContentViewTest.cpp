// The main panel against the scripted desktop: what its controls ask of the
// window and startup managers, and what it shows of other programs' texts.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <cstdlib>
#include <cstring>
#include <set>

#include "permissions/StartupManager.h"
#include "platform/xdg/AutostartFailure.h"
#include "tests/views/ViewsFixture.h"
#include "views/ContentView.h"
#include "views/ElidedLabel.h"
#include "views/ToggleSwitch.h"

namespace varnic {
namespace {

class ContentViewTest : public testing::ViewsFixture {
  protected:
    ContentViewTest() {
        panel.show();
        queue.runPending();
    }

    QPushButton* button(const QString& name) { return find<QPushButton>(panel, name); }
    QLineEdit* field(const QString& name) { return find<QLineEdit>(panel, name); }
    QLabel* label(const QString& name) { return find<QLabel>(panel, name); }

    void type(const QString& name, const QString& text) {
        auto* edit = field(name);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }

    StartupManager startup{loginItems};
    ContentView panel{queue, *accessibility, startup, *manager, bundle};
};

// Twelve presets do not fit the panel: a bar shows that the row scrolls, and a
// mouse's vertical wheel scrolls it sideways to the last preset and back.
TEST_F(ContentViewTest, PresetsRowShowsItsScrollBarAndFollowsTheWheel) {
    auto* strip = find<QScrollArea>(panel, "presetStrip");
    auto* bar = strip->horizontalScrollBar();
    EXPECT_TRUE(bar->isVisible());
    const auto turn = [&](int notches) {
        for (int i = 0; i < std::abs(notches); ++i) {
            QWheelEvent wheel(QPointF(10, 10), strip->mapToGlobal(QPointF(10, 10)), QPoint(),
                              QPoint(0, notches < 0 ? -120 : 120), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(strip->viewport(), &wheel);
        }
    };
    turn(-1);
    EXPECT_GT(bar->value(), 0) << "turning the wheel down moves the row to the left";
    turn(-50);
    auto* last = button(QStringLiteral("preset:") + manager->presets().back().name.c_str());
    const QRect shown(last->mapTo(strip->viewport(), QPoint(0, 0)), last->size());
    EXPECT_TRUE(strip->viewport()->rect().contains(shown)) << "the last preset comes into view";
    turn(50);
    EXPECT_EQ(bar->value(), 0);
}

// Enabled with a target while idle. Hiding gives the focus to another
// application: the target's pid still picks xlogo. Typed text is passed on
// only when both fields hold numbers (the rule is DimensionText's).
TEST_F(ContentViewTest, ResizesTheTargetByItsPidWhileIdleAndOnlyTypedNumbers) {
    auto* resize = button("resizeButton");
    EXPECT_FALSE(resize->isEnabled()) << "no target";
    setTarget();
    EXPECT_TRUE(resize->isEnabled());
    button("preset:720p (HD)")->click();
    EXPECT_FALSE(resize->isEnabled()) << "resizing";
    system.focus(900);
    queue.advance(1.5);
    EXPECT_FALSE(panel.isResizing());
    EXPECT_EQ(field("widthField")->text() + "x" + field("heightField")->text(), "1280x720");
    ASSERT_EQ(system.sizeWrites.size(), 1u);
    EXPECT_EQ(system.sizeWrites[0].window, 1) << "xlogo's, though xterm had the focus";

    const std::vector<std::tuple<QString, QString, std::optional<double>>> cases{
        {"1,5", "600", std::nullopt}, {"800", "600 ", std::nullopt}, {"0x10.8p0", "600", 16.5}};
    for (const auto& [width, height, expected] : cases) {
        type("widthField", width);
        type("heightField", height);
        resize->click();
        queue.advance(1.5);
        EXPECT_EQ(system.sizeWrites.size(), 1u + expected.has_value()) << width.toStdString();
    }
    EXPECT_EQ(system.sizeWrites.back().size.width, 16.5) << "passed on unchanged";

    manager->activeWindowInfo.set(std::nullopt);
    queue.runPending();
    EXPECT_FALSE(resize->isEnabled()) << "target gone";
}

// The switch shows what the service reports after a change, never the click
// alone; a failure, even one without text, shows under it until a success.
TEST_F(ContentViewTest, SwitchShowsWhatTheServiceReportsAndAFailureUntilASuccess) {
    auto* toggle = find<ToggleSwitch>(panel, "startupSwitch");
    auto* error = label("startupError");
    loginItems.failures.push_back("");
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_FALSE(toggle->isChecked()) << "the click alone never flips it";
    queue.runPending();
    EXPECT_FALSE(toggle->isChecked()) << "registration failed";
    EXPECT_TRUE(error->isVisible());
    QTest::mouseClick(toggle, Qt::LeftButton);
    queue.runPending();
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_FALSE(error->isVisible()) << "a success clears the error";
    EXPECT_TRUE(StartupManager(loginItems).isEnabled.get()) << "read at construction";
}

// Each text of a failed start-at-login change, with any reason the system
// gives, shows whole in the two lines under the switch.
TEST_F(ContentViewTest, EveryStartAtLoginFailureShowsWhole) {
    std::set<std::string> texts;
    for (int failure = 0; failure <= static_cast<int>(AutostartFailure::entryNotRemoved);
         ++failure) {
        for (int code = 1; code < 134; ++code) {
            texts.insert(failureText(static_cast<AutostartFailure>(failure), std::strerror(code)));
        }
    }
    auto* error = static_cast<ElidedLabel*>(label("startupError"));
    for (const auto& text : texts) {
        loginItems.failures.push_back(text);
        startup.setEnabled(true);
        settle();
        ASSERT_EQ(error->fullText().toStdString(), text);
        EXPECT_FALSE(error->text().contains(QStringLiteral("…"))) << text;
        EXPECT_LE(error->text().count('\n'), 1) << "at most two lines";
    }
}

// A redraw (new target, permission check, switch change) rebuilds nothing the user is typing in.
TEST_F(ContentViewTest, TypingSurvivesARedraw) {
    auto* width = field("widthField");
    width->setCursorPosition(2);
    QTest::keyClicks(width, "5");
    width->setSelection(1, 2);
    setTarget();
    accessibility->checkPermission();
    startup.setEnabled(true);
    queue.runPending();
    EXPECT_EQ(width->text(), "19520");
    EXPECT_EQ(width->selectedText(), "95") << "selection and cursor untouched";
    QTest::keyClicks(width, "0");
    EXPECT_EQ(panel.widthString(), "1020");
}

// Names and titles come from any program: markup stays text, line breaks and
// overrides cannot split or reorder the one-line labels.
TEST_F(ContentViewTest, TargetTextsStayPlainOnOneLineInTheirOwnOrder) {
    auto* title = static_cast<ElidedLabel*>(label("targetWindowTitle"));
    auto* app = static_cast<ElidedLabel*>(label("targetAppName"));
    const auto shown = [](ElidedLabel* label) {
        // The isolate around every text is not part of what the user reads.
        EXPECT_TRUE(label->text().startsWith(QChar(0x2068))) << label->text().toStdString();
        return label->text().remove(QChar(0x2068)).remove(QChar(0x2069)).toStdString();
    };
    const std::vector<std::pair<std::string, std::string>> hostile{
        {"<b>bold</b> &amp;", "<b>bold</b> &amp;"},
        {"a\nb\r\nc\u2028d", "a⏎b⏎c⏎d"},
        {"tab\tesc\x1b[2Jcsi\u009b"
         "2J",
         "tab esc [2Jcsi 2J"},
        {"\u2069\u202Edangling \u2067override", "dangling override"}};
    for (const auto& [text, expected] : hostile) {
        manager->activeWindowInfo.set(TargetWindowInfo{text, text, nullptr, 812});
        settle();
        EXPECT_EQ(shown(title), expected);
        EXPECT_EQ(shown(app), expected);
    }
    EXPECT_EQ(title->textFormat(), Qt::PlainText) << "markup is shown, not applied";
}

}  // namespace
}  // namespace varnic
