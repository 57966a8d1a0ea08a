// The panel under a real window manager, opened over another application's
// window: the keyboard comes to its first field, and Escape closes it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <chrono>
#include <functional>

#include "app/PopoverWindow.h"
#include "tests/x11/X11Session.h"

namespace varnic {
namespace {

using testing::X11Session;

TEST(PanelKeyboard, TheFirstFieldTakesTheKeysAndEscapeCloses) {
    X11Session session;
    auto& underneath = session.startProgram({"xterm"});
    session.run(
        {"xdotool", "windowactivate", "--sync", std::to_string(underneath.windows.front())});
    qputenv("DISPLAY", QByteArray::fromStdString(session.display()));
    qputenv("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "panel";
    char* argv[] = {name, nullptr};
    QApplication application(argc, argv);
    const auto eventually = [&](const std::function<bool()>& condition) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            QApplication::processEvents();
            QThread::msleep(10);
        }
        return true;
    };
    PopoverWindow panel;
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->addWidget(new QPushButton(QStringLiteral("720p (HD)")));
    auto* field = new QLineEdit(QStringLiteral("1920"));
    layout->addWidget(field);
    content->setFocusProxy(field);
    panel.setContent(content);

    panel.open({100, 100});
    ASSERT_TRUE(eventually([&] { return session.activeWindow() == panel.winId(); }))
        << "the window manager gives the panel the focus";
    session.run({"xdotool", "type", "5"});
    EXPECT_TRUE(eventually([&] { return field->text() == QStringLiteral("19205"); }))
        << field->text().toStdString();
    session.run({"xdotool", "key", "Escape"});
    EXPECT_TRUE(eventually([&] { return !panel.isVisible(); }));
}

}  // namespace
}  // namespace varnic
