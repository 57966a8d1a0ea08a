// Varnic's StatusNotifierItem on a private session bus, read and called the
// way a tray host would, for what the real hosts' tests (waybar, Plasma, xfce,
// GNOME Shell) do not show: the icon's sizes, the menu's shortcuts and calls
// no well-behaved host makes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QMenu>

#include "platform/sni/StatusNotifierTray.h"
#include "views/Glyphs.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;

// A host's call to the item, answered by this process's event loop.
QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments) {
    auto host = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "host");
    auto message = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), path,
                                                  interface, method);
    message.setArguments(arguments);
    return host.call(message, QDBus::BlockWithGui, 2000);
}

TEST(SniItemTest, ServesSharpIconsAndShortcutsAndSurvivesCallsForItemsItDoesNotHave) {
    EXPECT_FALSE(sni::StatusNotifierTray::hostAvailable(QDBusConnection::sessionBus()))
        << "a bus without a tray";
    sni::StatusNotifierTray tray(QDBusConnection::sessionBus(), "Varnic", glyphs::trayIcon());
    QMenu menu;
    bool quit = false;
    QObject::connect(menu.addAction("Quit"), &QAction::triggered, [&] { quit = true; });
    menu.actions().front()->setShortcut(QKeySequence("Ctrl+Q"));
    tray.setMenu(&menu);

    const auto pixmaps = qdbus_cast<sni::IconPixmapList>(
        call("/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
             {"org.kde.StatusNotifierItem", "IconPixmap"})
            .arguments()
            .value(0)
            .value<QDBusVariant>()
            .variant()
            .value<QDBusArgument>());
    ASSERT_FALSE(pixmaps.isEmpty());
    EXPECT_EQ(pixmaps.front().width, 16);
    EXPECT_EQ(pixmaps.back().width, 64) << "sharp at scale 2 and beyond";
    EXPECT_EQ(pixmaps.back().argb.size(), 64 * 64 * 4);
    const auto layout = [&](int id) {
        return call("/MenuBar", "com.canonical.dbusmenu", "GetLayout", {id, -1, QStringList()});
    };
    const auto root = qdbus_cast<sni::MenuLayout>(layout(0).arguments().value(1));
    const auto entry = qdbus_cast<sni::MenuLayout>(root.children.value(0).value<QDBusArgument>());
    EXPECT_EQ(
        qdbus_cast<QList<QStringList>>(entry.properties.value("shortcut").value<QDBusArgument>()),
        QList<QStringList>({{"Control", "q"}}));

    // A host whose view of the menu is stale, or that makes ids up.
    layout(9999);
    call("/MenuBar", "com.canonical.dbusmenu", "Event",
         {9999, "clicked", QVariant::fromValue(QDBusVariant(0)), 0u});
    EXPECT_EQ(layout(0).type(), QDBusMessage::ReplyMessage) << "the menu still answers";
    EXPECT_FALSE(quit);
}

}  // namespace
}  // namespace varnic

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
