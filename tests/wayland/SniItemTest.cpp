// Varnic's StatusNotifierItem on a private session bus, seen the way a tray
// host sees it: registration with the watcher (stand-in), the exported menu,
// and the clicks a host forwards.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QMenu>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/sni/StatusNotifierTray.h"
#include "tests/wayland/PanelHost.h"
#include "views/Glyphs.h"

namespace varnic {
namespace {

bool processUntil(const std::function<bool()>& ready, int millis = 5000) {
    const QDeadlineTimer deadline(millis);
    while (!ready() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    return ready();
}

sni::MenuLayout layoutOf(const QVariant& value) {
    return qdbus_cast<sni::MenuLayout>(value.value<QDBusArgument>());
}

// "label" of each child, "-" for a separator.
QStringList labels(const sni::MenuLayout& layout) {
    QStringList list;
    for (const auto& child : layout.children) {
        const auto properties = layoutOf(child).properties;
        list << (properties.value("type") == "separator" ? QStringLiteral("-")
                                                         : properties.value("label").toString());
    }
    return list;
}

class SniItemTest : public ::testing::Test {
  protected:
    SniItemTest() {
        auto pattern = QDir::tempPath().toStdString() + "/sni-XXXXXX";
        folder = mkdtemp(pattern.data()) ? pattern : std::string();
        panel = std::make_unique<testing::PanelHost>(folder);
    }
    ~SniItemTest() override {
        panel.reset();
        std::filesystem::remove_all(folder);
    }

    // A host's call to the item, answered by this process's event loop.
    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments) {
        auto message = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(),
                                                      path, interface, method);
        message.setArguments(arguments);
        return hostBus.call(message, QDBus::BlockWithGui, 2000);
    }
    // The next line of the watcher stand-in (another process), while this
    // process answers the bus.
    std::optional<std::string> watcherSays() {
        std::optional<std::string> line;
        std::atomic<bool> done = false;
        std::thread reader([&] {
            line = panel->readLine();
            done = true;
        });
        processUntil([&] { return done.load(); }, 15000);
        reader.join();
        return line;
    }

    QDBusConnection hostBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "host");
    std::string folder;
    std::unique_ptr<testing::PanelHost> panel;
};

TEST_F(SniItemTest, RegistersWithTheWatcherAndAgainWhenAPanelRestarts) {
    EXPECT_TRUE(sni::StatusNotifierTray::hostAvailable(QDBusConnection::sessionBus()));
    EXPECT_FALSE(sni::StatusNotifierTray::watcherIsGnomeShell(QDBusConnection::sessionBus()));
    sni::StatusNotifierTray tray(QDBusConnection::sessionBus(), "Varnic", glyphs::trayIcon());
    const auto name =
        "org.kde.StatusNotifierItem-" + std::to_string(QCoreApplication::applicationPid()) + "-1";
    EXPECT_EQ(watcherSays(), "item " + name + " /StatusNotifierItem");

    panel.reset();
    std::filesystem::create_directory(folder + "/again");
    panel = std::make_unique<testing::PanelHost>(folder + "/again");
    EXPECT_EQ(watcherSays(), "item " + name + " /StatusNotifierItem");
}

TEST_F(SniItemTest, AHostReadsTheIconAndMenuAndItsClicksArriveWithTheirPosition) {
    sni::StatusNotifierTray tray(QDBusConnection::sessionBus(), "Varnic", glyphs::trayIcon());
    QMenu menu;
    QMenu* sizes = menu.addMenu("Resize to...");
    sizes->addAction("1080p (Full HD) (1920x1080)");
    QAction* hd = sizes->addAction("720p (HD) (1280x720)");
    menu.addSeparator();
    QAction* quit = menu.addAction("Quit");
    quit->setShortcut(QKeySequence("Ctrl+Q"));
    tray.setMenu(&menu);
    int chosen = 0;
    QObject::connect(hd, &QAction::triggered, [&] { ++chosen; });

    const auto property = [&](const QString& name) {
        return call("/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                    {"org.kde.StatusNotifierItem", name})
            .arguments()
            .value(0)
            .value<QDBusVariant>()
            .variant();
    };
    EXPECT_EQ(property("Menu").value<QDBusObjectPath>().path(), "/MenuBar");
    EXPECT_EQ(property("Title").toString(), "Varnic");
    const auto pixmaps =
        qdbus_cast<sni::IconPixmapList>(property("IconPixmap").value<QDBusArgument>());
    ASSERT_FALSE(pixmaps.isEmpty());
    EXPECT_EQ(pixmaps.front().width, 16);
    EXPECT_EQ(pixmaps.back().width, 64) << "sharp at scale 2 and beyond";
    EXPECT_EQ(pixmaps.back().argb.size(), 64 * 64 * 4);

    const auto reply =
        call("/MenuBar", "com.canonical.dbusmenu", "GetLayout", {0, -1, QStringList()});
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    const auto root = qdbus_cast<sni::MenuLayout>(reply.arguments().value(1));
    EXPECT_EQ(labels(root), QStringList({"Resize to...", "-", "Quit"}));
    const auto submenu = layoutOf(root.children.value(0));
    EXPECT_EQ(submenu.properties.value("children-display"), "submenu");
    EXPECT_EQ(labels(submenu),
              QStringList({"1080p (Full HD) (1920x1080)", "720p (HD) (1280x720)"}));
    const auto quitShortcut = qdbus_cast<QList<QStringList>>(
        layoutOf(root.children.value(2)).properties.value("shortcut").value<QDBusArgument>());
    EXPECT_EQ(quitShortcut, QList<QStringList>({{"Control", "q"}}));

    const int hdId = layoutOf(submenu.children.value(1)).id;
    // libdbusmenu-gtk (waybar) sends its clicks as a group.
    const auto clicked =
        call("/MenuBar", "com.canonical.dbusmenu", "EventGroup",
             {QVariant::fromValue(QList<sni::MenuEvent>{{hdId, "clicked", QDBusVariant(0), 0u}})});
    EXPECT_EQ(clicked.type(), QDBusMessage::ReplyMessage) << clicked.errorMessage().toStdString();
    EXPECT_TRUE(processUntil([&] { return chosen == 1; })) << "the entry's own action runs";

    std::vector<std::pair<const char*, QPoint>> clicks;
    QObject::connect(&tray, &sni::StatusNotifierTray::activated,
                     [&](QPoint at) { clicks.emplace_back("activate", at); });
    QObject::connect(&tray, &sni::StatusNotifierTray::contextMenuRequested,
                     [&](QPoint at) { clicks.emplace_back("menu", at); });
    call("/StatusNotifierItem", "org.kde.StatusNotifierItem", "Activate", {1850, 12});
    call("/StatusNotifierItem", "org.kde.StatusNotifierItem", "ContextMenu", {1700, 1060});
    ASSERT_EQ(clicks.size(), 2u);
    EXPECT_EQ(clicks[0], std::make_pair("activate", QPoint(1850, 12)));
    EXPECT_EQ(clicks[1], std::make_pair("menu", QPoint(1700, 1060)));
}

}  // namespace
}  // namespace varnic

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
