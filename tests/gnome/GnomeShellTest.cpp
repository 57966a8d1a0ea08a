// The GNOME backend's onboarding against a real headless GNOME Shell running
// Varnic's extension, started by gnome-session.sh. Resizes, the fixed-size
// window, the focus and the tray are tray.py's, through the real program.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <chrono>
#include <functional>

#include "permissions/AccessibilityManager.h"
#include "platform/gnome/ExtensionBus.h"
#include "platform/gnome/GnomeWindowSystem.h"
#include "platform/qt/QtMainQueue.h"
#include "tests/doubles/FakeDesktopShell.h"
#include "tests/x11/ChildProcess.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;

// Everything here waits on D-Bus traffic, which the Qt event loop delivers.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeout.count()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

TEST(GnomeShellTest, OnboardingTurnsToThePanelOnceTheExtensionIsSwitchedOn) {
    // Extensions switched on or off while the shell starts up stay as they were.
    const auto settled = QDBusMessage::createMethodCall(
        QStringLiteral("io.github.varnic.TestInput"), QStringLiteral("/io/github/varnic/TestInput"),
        QStringLiteral("io.github.varnic.TestInput"), QStringLiteral("Settled"));
    ASSERT_TRUE(waitUntil(
        [&] { return QDBusConnection::sessionBus().call(settled).arguments().value(0).toBool(); },
        30s));
    GnomeWindowSystem system(QDBusConnection::sessionBus(),
                             QStringLiteral(VARNIC_EXTENSION_BUILD_DIR));
    auto disable = QDBusMessage::createMethodCall(gnome::shellName, gnome::shellPath,
                                                  QStringLiteral("org.gnome.Shell.Extensions"),
                                                  QStringLiteral("DisableExtension"));
    disable << gnome::extensionUuid;
    QDBusConnection::sessionBus().call(disable, QDBus::Block, 3000);
    ASSERT_TRUE(waitUntil([&] { return !system.isProcessTrusted(); }));

    QtMainQueue queue;
    FakeDesktopShell shell;
    const auto manager = AccessibilityManager::create(system, shell, queue);
    EXPECT_FALSE(manager->isAuthorized.get());
    // The onboarding button: Varnic asks GNOME Shell to switch the extension on and polls.
    manager->requestPermissionAndOpenSettings();
    ASSERT_TRUE(waitUntil([&] { return manager->isAuthorized.get(); }));

    // The extension's signals reach the mirror again.
    testing::ChildProcess demo({"gtk3-demo"}, {"GDK_BACKEND=wayland"}, "/dev/null");
    EXPECT_TRUE(waitUntil([&] {
        const auto list = system.copyWindowList();
        return list && std::ranges::any_of(*list, [&](const WindowListEntry& entry) {
                   return entry.ownerPID == demo.pid();
               });
    }));
}

}  // namespace
}  // namespace varnic
