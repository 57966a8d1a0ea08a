// Varnic's tray icon in a real Plasma panel (plasmashell under a headless
// KWin: Plasma 5.27 from this system, or Plasma 6 from the Debian 13 root when
// VARNIC_PLASMA is 6, as tools/plasma6-tray.sh runs it), used as a person
// would: real pointer clicks and keys reach the panel through KWin's
// fake-input protocol; the menu is the one plasmashell draws from Varnic's
// exported menu.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include <gtest/gtest.h>

#include "tests/kwin/KWinSession.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;
using testing::KWinSession;

// kded answers once it has loaded its modules, which a loaded machine delays
// by many seconds.
QString call(const QString& service, const QString& path, const QString& interface,
             const QString& method, const QVariantList& arguments) {
    auto message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(arguments);
    const auto reply = QDBusConnection::sessionBus().call(message, QDBus::Block, 40000);
    return reply.arguments().value(0).toString();
}

// The tray applet's area on the screen, as plasmashell lays it out.
QRect tray() {
    const auto answer =
        call("org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell", "evaluateScript",
             {"const p = panels()[0]; const t = p.widgets('org.kde.plasma.systemtray')[0];"
              "print(JSON.stringify({x: t.geometry.x, y: t.geometry.y, w: t.geometry.width,"
              " h: t.geometry.height, panel: p.height}));"});
    const auto tray = QJsonDocument::fromJson(answer.toUtf8()).object();
    if (tray.isEmpty()) return {};
    // The default panel spans the bottom edge of the 1920x1080 screen.
    const int top = 1080 - tray["panel"].toInt();
    return {tray["x"].toInt(), top + tray["y"].toInt(), tray["w"].toInt(), tray["h"].toInt()};
}

// Whether Varnic's visible window (its panel) on XWayland's screen is within
// 80 pixels of the point.
bool panelBeside(KWinSession& session, QPoint point) {
    const auto shell = session.run({"xdotool", "search", "--onlyvisible", "--class", "varnic",
                                    "getwindowgeometry", "--shell", "%@"});
    int x = 0, y = 0, width = 0, height = 0;
    const char* format = "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d";
    if (std::sscanf(shell.c_str(), format, &x, &y, &width, &height) != 4) return false;
    const int dx = std::max({x - point.x(), 0, point.x() - (x + width - 1)});
    const int dy = std::max({y - point.y(), 0, point.y() - (y + height - 1)});
    return std::hypot(dx, dy) <= 80.0;
}

TEST(PlasmaTrayTest, TheMenuResizesThePanelOpensBesideTheIconAndQuitEnds) {
    // Lets the test's client send input events, as a remote-control tool may.
    setenv("KWIN_WAYLAND_NO_PERMISSION_CHECKS", "1", 1);
    KWinSession session;
    // The seat keeps a pointer and a keyboard while this client runs: a client
    // that joins and leaves for each click takes them away before the panel
    // has seen them.
    const auto input = session.spawn({VARNIC_FAKE_INPUT, "hold"});
    const auto bus = session.spawn({"dbus-monitor", "--session"});
    const auto awaitBus = [&](const std::string& text) { return bus->awaitLine(text, 10s); };
    const auto fakeInput = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), VARNIC_FAKE_INPUT);
        session.run(arguments);
    };
    const auto click = [&](QPoint at, const std::string& button) {
        fakeInput({"click", std::to_string(at.x()), std::to_string(at.y()), button});
    };
    ASSERT_EQ(input->readLine(10s), "ready") << "fake input";
    // The monitor's own name goes once it watches.
    ASSERT_TRUE(awaitBus("member=NameLost")) << "dbus-monitor";
    // Plasma's tray and its helpers: kded carries the StatusNotifierWatcher,
    // plasmashell aborts without the activity manager.
    const std::vector<std::string> wayland{"QT_QPA_PLATFORM=wayland"};
    session.start(session.ofPlasma({"/usr/lib/x86_64-linux-gnu/libexec/kactivitymanagerd"}),
                  wayland);
    ASSERT_TRUE(awaitBus("string \"org.kde.ActivityManager\"")) << "kactivitymanagerd";
    // kded5 or kded6, named so on the bus too.
    const auto kded = "kded" + std::to_string(session.plasma());
    session.start(session.ofPlasma({kded}), wayland);
    ASSERT_TRUE(awaitBus("string \"org.kde." + kded + "\"")) << kded;
    // kded loads the watcher only when a session asks for it.
    const auto service = QString::fromStdString("org.kde." + kded);
    ASSERT_EQ(call(service, "/kded", service, "loadModule", {"statusnotifierwatcher"}), "true")
        << "the StatusNotifierWatcher";
    // plasmashell tells a session's splash screen how far it got: with the
    // name held here the call fails at once, where the bus would start a
    // stand-in that outlives the test by a minute.
    QDBusConnection::sessionBus().registerService(QStringLiteral("org.kde.KSplash"));
    session.start(session.ofPlasma({"plasmashell", "--no-respawn"}), wayland);
    ASSERT_TRUE(awaitBus("member=RegisterStatusNotifierHost")) << "plasmashell's tray";

    const auto target = session.spawn({"gtk3-demo"}, {"GDK_BACKEND=wayland"});
    ASSERT_TRUE(KWinSession::waitUntil([&] { return session.frameSize("gtk3-demo").has_value(); }));
    QRect before;
    ASSERT_TRUE(KWinSession::waitUntil([&] { return !(before = tray()).isEmpty(); }));

    const auto folder = session.logDirectory();
    // On Plasma 6 Varnic runs with the root's Qt 6, which loads the KDE
    // platform theme (plasma-integration) in a Plasma session: the tray must
    // still be Varnic's own item and menu, not the theme's. The root sees
    // /tmp only, so the binary goes to the session's folder.
    std::string binary = VARNIC_BINARY;
    std::vector<std::string> environment{"XDG_CONFIG_HOME=" + folder};
    if (session.plasma() == 6) {
        const auto copy = folder + "/varnic";
        std::filesystem::copy_file(binary, copy);
        binary = copy;
        environment.insert(environment.end(), {"XDG_CURRENT_DESKTOP=KDE", "KDE_FULL_SESSION=true",
                                               "KDE_SESSION_VERSION=6"});
    }
    const auto varnic = session.spawn(session.ofPlasma({binary}), environment);
    ASSERT_TRUE(varnic->awaitLine("Window system: KDE Plasma on Wayland", 10s));
    ASSERT_TRUE(awaitBus("path=/StatusNotifierItem; interface=org.freedesktop.DBus.Properties"))
        << "Plasma's host reads the item";
    // The tray grows by a cell for the icon, which leads the tray: Plasma's
    // own applets and the expander follow it. Under load those applets may
    // still be coming, each pushing the icon aside, so the icon is found
    // afresh before each click (a cell is about as wide as the tray is high).
    QRect after;
    ASSERT_TRUE(KWinSession::waitUntil([&] { return (after = tray()).width() > before.width(); }))
        << "the icon takes its place in the tray";
    const int cell = std::min(after.width() - before.width(), after.height());
    const auto icon = [&] {
        const QRect area = tray();
        return QPoint(area.x() + cell / 2, area.center().y());
    };

    // Keys reach the menu once it shows, which comes after "opened".
    const auto menusShow = [&](std::size_t count) {
        return awaitBus("string \"opened\"") &&
               KWinSession::waitUntil([&] { return session.popupFrames().size() == count; });
    };
    const auto menuOpens = [&] {
        click(icon(), "right");
        return awaitBus("member=AboutToShow") && menusShow(1);
    };
    session.activate("gtk3-demo");
    ASSERT_TRUE(menuOpens()) << "Plasma shows Varnic's menu";
    // A click on "Resize to...", the menu's first entry, opens its presets
    // (on Plasma 6 a submenu opened with the Right key never shows), whose
    // second entry is "720p (HD)"; the submenu then takes keys.
    int x = 0, y = 0, width = 0, height = 0;
    std::sscanf(session.popupFrames()[0].c_str(), "%d %d %d %d", &x, &y, &width, &height);
    click({x + width / 2, y + height / 4}, "left");
    ASSERT_TRUE(menusShow(2)) << "the presets show";
    fakeInput({"key", "Down", "Down", "Return"});
    EXPECT_TRUE(varnic->awaitLine("Successfully resized gtk3-demo to 1280.0x720.0", 10s));
    EXPECT_EQ(session.frameSize("gtk3-demo"), "1280x720");

    const QPoint clicked = icon();
    click(clicked, "left");
    ASSERT_TRUE(awaitBus("member=Activate")) << "Plasma activates the item";
    EXPECT_TRUE(KWinSession::waitUntil([&] { return panelBeside(session, clicked); }))
        << "the panel opens beside the icon";

    ASSERT_TRUE(menuOpens()) << "the menu again";
    // "Quit" is the last entry; Up wraps round to it.
    fakeInput({"key", "Up", "Return"});
    EXPECT_EQ(varnic->waitForExit(10s), 0) << "Varnic quit";
    if (HasFailure()) {
        for (const auto& line : varnic->seen()) std::cerr << "varnic: " << line << "\n";
    }
}

}  // namespace
}  // namespace varnic
