// Varnic's StatusNotifierItem on a private session bus, seen the way a tray
// host sees it: registration with the watcher (stand-in), what the host
// reads that real hosts do not show to a test, and the clicks it forwards.
// The menu itself is tested through real hosts (waybar, GNOME Shell).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QMenu>
#include <atomic>
#include <thread>

#include "platform/sni/StatusNotifierTray.h"
#include "tests/x11/ChildProcess.h"
#include "views/Glyphs.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;

class SniItemTest : public ::testing::Test {
  protected:
    // A host's call to the item, answered by this process's event loop.
    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments) {
        auto message = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(),
                                                      path, interface, method);
        message.setArguments(arguments);
        return hostBus.call(message, QDBus::BlockWithGui, 2000);
    }
    QVariant property(const QString& name) {
        return call("/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                    {"org.kde.StatusNotifierItem", name})
            .arguments()
            .value(0)
            .value<QDBusVariant>()
            .variant();
    }
    // A panel's tray starts; the item it hears of, while this process answers the bus.
    std::optional<std::string> panelStarts() {
        watcher = std::make_unique<testing::ChildProcess>(
            std::vector<std::string>{VARNIC_SNI_WATCHER}, std::vector<std::string>{}, "/dev/null");
        std::optional<std::string> line;
        std::atomic<bool> done = false;
        std::thread reader([&] {
            if (watcher->readLine(10s) == "ready") line = watcher->readLine(10s);
            done = true;
        });
        const QDeadlineTimer deadline(15000);
        while (!done && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        reader.join();
        return line;
    }

    QDBusConnection hostBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "host");
    std::unique_ptr<testing::ChildProcess> watcher;
};

TEST_F(SniItemTest, RegistersWithEachPanelThatComesAndForwardsClicksWithTheirPosition) {
    EXPECT_FALSE(sni::StatusNotifierTray::hostAvailable(QDBusConnection::sessionBus()));
    sni::StatusNotifierTray tray(QDBusConnection::sessionBus(), "Varnic", glyphs::trayIcon());
    QMenu menu;
    menu.addAction("Quit")->setShortcut(QKeySequence("Ctrl+Q"));
    tray.setMenu(&menu);
    const auto item = "item org.kde.StatusNotifierItem-" +
                      std::to_string(QCoreApplication::applicationPid()) + "-1 /StatusNotifierItem";
    EXPECT_EQ(panelStarts(), item);
    EXPECT_TRUE(sni::StatusNotifierTray::hostAvailable(QDBusConnection::sessionBus()));
    EXPECT_FALSE(sni::StatusNotifierTray::watcherIsGnomeShell(QDBusConnection::sessionBus()));
    watcher.reset();
    EXPECT_EQ(panelStarts(), item) << "a panel that restarts shows the icon again";

    EXPECT_EQ(property("Menu").value<QDBusObjectPath>().path(), "/MenuBar");
    const auto pixmaps =
        qdbus_cast<sni::IconPixmapList>(property("IconPixmap").value<QDBusArgument>());
    ASSERT_FALSE(pixmaps.isEmpty());
    EXPECT_EQ(pixmaps.front().width, 16);
    EXPECT_EQ(pixmaps.back().width, 64) << "sharp at scale 2 and beyond";
    EXPECT_EQ(pixmaps.back().argb.size(), 64 * 64 * 4);
    const auto layout = qdbus_cast<sni::MenuLayout>(
        call("/MenuBar", "com.canonical.dbusmenu", "GetLayout", {0, -1, QStringList()})
            .arguments()
            .value(1));
    const auto quit = qdbus_cast<sni::MenuLayout>(layout.children.value(0).value<QDBusArgument>());
    EXPECT_EQ(
        qdbus_cast<QList<QStringList>>(quit.properties.value("shortcut").value<QDBusArgument>()),
        QList<QStringList>({{"Control", "q"}}));

    std::vector<std::pair<const char*, QPoint>> clicks;
    QObject::connect(&tray, &sni::StatusNotifierTray::activated,
                     [&](QPoint at) { clicks.emplace_back("activate", at); });
    QObject::connect(&tray, &sni::StatusNotifierTray::contextMenuRequested,
                     [&](QPoint at) { clicks.emplace_back("menu", at); });
    call("/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", {1850, 12});
    call("/StatusNotifierItem", "org.kde.StatusNotifierItem", "ContextMenu", {1700, 1060});
    EXPECT_EQ(clicks, (std::vector<std::pair<const char*, QPoint>>{{"activate", {1850, 12}},
                                                                   {"menu", {1700, 1060}}}));
}

}  // namespace
}  // namespace varnic

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
