// The main panel against the scripted desktop: what it shows, in which order,
// and what its controls ask of the window and startup managers.
#include <gmock/gmock.h>
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

using ::testing::AllOf;
using ::testing::Contains;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

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

// Enabled with a target while idle (presets work without one); a second start
// keeps the first start's reset.
TEST_F(ContentViewTest, ResizeButtonIsEnabledExactlyWithATargetWhileIdle) {
    EXPECT_EQ(field("widthField")->text() + "x" + field("heightField")->text(), "1920x1080");
    EXPECT_TRUE(label("noTargetLabel")->isVisible());
    EXPECT_TRUE(button("preset:4K (UHD)")->isEnabled());
    auto* resize = button("resizeButton");
    EXPECT_FALSE(resize->isEnabled()) << "no target";
    setTarget();
    EXPECT_TRUE(resize->isEnabled());
    EXPECT_FALSE(label("noTargetLabel")->isVisible());

    button("preset:4K (UHD)")->click();
    EXPECT_FALSE(resize->isEnabled()) << "resizing";
    EXPECT_TRUE(label("resizingLabel")->isVisible());
    EXPECT_FALSE(label("resizeNote")->isVisible());
    queue.advance(1.0);
    button("preset:720p (HD)")->click();
    queue.advance(0.49);
    EXPECT_TRUE(panel.isResizing());
    queue.advance(0.01);
    EXPECT_FALSE(panel.isResizing()) << "reset 1.5 s after the first start, not the second";
    EXPECT_TRUE(resize->isEnabled());
    EXPECT_TRUE(label("resizeNote")->isVisible());

    manager->activeWindowInfo.set(std::nullopt);
    EXPECT_TRUE(resize->isEnabled()) << "the stored value is read on the next turn";
    queue.runPending();
    EXPECT_FALSE(resize->isEnabled()) << "target gone";
}

TEST_F(ContentViewTest, PresetClickFillsTheFieldsThenResizesTheTargetByItsPid) {
    setTarget();
    button("preset:720p (HD)")->click();
    EXPECT_EQ(field("widthField")->text() + "x" + field("heightField")->text(), "1280x720");
    EXPECT_EQ(shell.hideCount, 1) << "Varnic is frontmost: it hides first";

    // Hiding gives focus to some other application; the pid still picks xlogo.
    system.focus(900);
    queue.advance(0.5);
    EXPECT_THAT(log.lines(), Contains("Successfully resized xlogo to 1280.0x720.0"));

    // Without a target no pid is passed: the frontmost application is resized.
    queue.advance(1.0);
    manager->activeWindowInfo.set(std::nullopt);
    queue.runPending();
    system.focus(system.selfPid);
    button("preset:Social Square")->click();
    system.focus(900);
    queue.advance(0.5);
    EXPECT_THAT(log.lines(), Contains("Successfully resized xterm to 1080.0x1080.0"));
}

// The number rule itself is DimensionText's; here, that both fields go through
// it and a number is passed on unchanged.
TEST_F(ContentViewTest, TypedSizesStartAResizeOnlyWhenBothAreNumbers) {
    setTarget();
    const std::vector<std::tuple<QString, QString, std::optional<double>>> cases{
        {"0x10.8p0", "600", 16.5}, {"1,5", "600", std::nullopt}, {"800", "600 ", std::nullopt}};
    for (const auto& [width, height, expected] : cases) {
        SCOPED_TRACE((width + " x " + height).toStdString());
        type("widthField", width);
        type("heightField", height);
        const auto writes = system.sizeWrites.size();
        button("resizeButton")->click();
        queue.advance(1.5);
        EXPECT_EQ(field("widthField")->text(), width) << "the text stays as typed";
        ASSERT_EQ(system.sizeWrites.size(), writes + expected.has_value());
        if (!expected) continue;
        EXPECT_EQ(system.sizeWrites.back().size.width, *expected) << "passed on unchanged";
    }
}

TEST_F(ContentViewTest, SwitchShowsWhatTheManagerReadsBackAndItsFailure) {
    auto* toggle = find<ToggleSwitch>(panel, "startupSwitch");
    auto* error = static_cast<ElidedLabel*>(label("startupError"));
    loginItems.failures.push_back("Cannot write /home/u/.config/autostart: read-only file system");
    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_FALSE(toggle->isChecked()) << "the click alone never flips it";
    queue.runPending();
    EXPECT_FALSE(toggle->isChecked()) << "registration failed";
    EXPECT_TRUE(error->isVisible());

    QTest::mouseClick(toggle, Qt::LeftButton);
    queue.runPending();
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_FALSE(error->isVisible()) << "a success clears the error";
}

// Each text of a failed start-at-login change, with any reason the system
// gives, shows whole in the two lines under the switch: nothing elided, and no
// ink (an underscore of XDG_CONFIG_HOME) below the label's bottom.
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

        // Drawn taller than the panel gives it, the rows below stay empty.
        const int height = error->height();
        error->resize(error->width(), height + 10);
        const QImage image = error->grab().toImage();
        error->resize(error->width(), height);
        const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
        int inkBelow = 0;
        for (int y = height; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) inkBelow += image.pixel(x, y) != background;
        }
        EXPECT_EQ(inkBelow, 0) << text;
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
// overrides cannot split or reorder the one-line labels, long titles shorten.
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
    EXPECT_FALSE(label("targetIcon")->isVisible()) << "no icon, no image";

    const std::string longTitle = "Start of a very long title " + std::string(300, 'x') + " end";
    setTarget(longTitle, std::make_shared<AppIcon>(AppIcon{2, 1, {0xffff0000u, 0xff0000ffu}}));
    EXPECT_TRUE(label("targetIcon")->isVisible());
    EXPECT_THAT(shown(title), AllOf(StartsWith("Start"), HasSubstr("…"), EndsWith(" end")));
    EXPECT_LE(title->mapTo(&panel, QPoint(title->width(), 0)).x(), 300) << "inside the panel";
}

}  // namespace
}  // namespace varnic
