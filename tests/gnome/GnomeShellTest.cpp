// The GNOME backend against a real headless GNOME Shell running Varnic's
// extension, started by gnome-session.sh, with real native Wayland clients.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <chrono>
#include <functional>
#include <optional>

#include "permissions/AccessibilityManager.h"
#include "platform/gnome/ExtensionBus.h"
#include "platform/gnome/GnomeWindowSystem.h"
#include "platform/qt/QtMainQueue.h"
#include "tests/doubles/FakeDesktopShell.h"
#include "tests/x11/ChildProcess.h"

namespace varnic {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;

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

QDBusMessage shellCall(const QString& interface, const QString& method, const QVariantList& args) {
    auto call =
        QDBusMessage::createMethodCall(gnome::shellName, gnome::shellPath, interface, method);
    call.setArguments(args);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 3000);
}

bool overviewActive() {
    const auto reply =
        shellCall(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                  {QStringLiteral("org.gnome.Shell"), QStringLiteral("OverviewActive")});
    return reply.type() == QDBusMessage::ReplyMessage &&
           reply.arguments().front().value<QDBusVariant>().variant().toBool();
}

// The extension's own answer, independent of Varnic's mirror.
std::optional<QRect> frameOf(std::uint64_t id) {
    auto call =
        QDBusMessage::createMethodCall(gnome::extensionName, gnome::extensionPath,
                                       gnome::extensionInterface, QStringLiteral("ListWindows"));
    const auto windows =
        shellwindow::fromMessage(QDBusConnection::sessionBus().call(call, QDBus::Block, 3000));
    if (!windows) return std::nullopt;
    for (const auto& window : *windows) {
        if (window.id == id) return window.frame;
    }
    return std::nullopt;
}

class GnomeShellTest : public ::testing::Test {
  protected:
    // The shell opens its overview once it has started; windows opened
    // behind the overview do not get the focus.
    static void SetUpTestSuite() {
        waitUntil(overviewActive, 5s);
        shellCall(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
                  {QStringLiteral("org.gnome.Shell"), QStringLiteral("OverviewActive"),
                   QVariant::fromValue(QDBusVariant(false))});
        ASSERT_TRUE(waitUntil([] { return !overviewActive(); }));
    }

    ChildProcess launch(std::vector<std::string> argv) {
        return ChildProcess(argv, {"GDK_BACKEND=wayland"}, "/dev/null");
    }

    // The window the mirror lists for pid once it has a size.
    const WindowListEntry* listed(pid_t pid) {
        list_ = system_.copyWindowList();
        if (!list_) return nullptr;
        for (const auto& entry : *list_) {
            if (entry.ownerPID == pid) return &entry;
        }
        return nullptr;
    }

    Element focusedWindowOf(pid_t pid) {
        auto application = system_.createApplication(pid);
        return system_.copyAttributeValue(*application, attr::focusedWindow).takeElement();
    }

    GnomeWindowSystem system_{QDBusConnection::sessionBus(),
                              QStringLiteral(VARNIC_EXTENSION_BUILD_DIR)};
    std::optional<std::vector<WindowListEntry>> list_;
};

// A successful resize, and that it keeps the window's place, is tray.py's.
TEST_F(GnomeShellTest, FollowsTheFocusAndFailsTruthfullyOnAFixedSizeWindowAndAClosedOne) {
    std::vector<Pid> activations;
    const auto subscription = system_.subscribeActivations([&](const ActivationNotification& n) {
        activations.push_back(n.application->processIdentifier);
    });
    auto demo = launch({"gtk3-demo"});
    ASSERT_TRUE(
        waitUntil([&] { return !activations.empty() && activations.back() == demo.pid(); }));
    auto fixed = launch({VARNIC_TEST_WINDOWS, "Fixed size", "--fixed"});
    ASSERT_TRUE(waitUntil([&] { return activations.back() == fixed.pid(); }));
    EXPECT_EQ(system_.frontmostApplication()->processIdentifier, fixed.pid());
    ASSERT_TRUE(waitUntil([&] { return listed(fixed.pid()) != nullptr; }));
    const auto id = static_cast<std::uint64_t>(*listed(fixed.pid())->windowNumber);
    const auto fixedFrame = frameOf(id);
    const auto window = focusedWindowOf(fixed.pid());
    ASSERT_TRUE(window);
    EXPECT_EQ(
        system_.setAttributeValue(*window, attr::size, *system_.createSizeValue(1280, 720)).code,
        ax::failure);
    EXPECT_EQ(frameOf(id), fixedFrame);

    // The window closes: the focus goes back, and the element is gone.
    fixed.stop();
    ASSERT_TRUE(waitUntil([&] { return activations.back() == demo.pid(); }));
    EXPECT_TRUE(waitUntil([&] {
        return system_.copyAttributeValue(*window, attr::title).code == ax::invalidUIElement;
    }));
    EXPECT_EQ(
        system_.setAttributeValue(*window, attr::size, *system_.createSizeValue(1280, 720)).code,
        ax::invalidUIElement);
}

TEST_F(GnomeShellTest, OnboardingTurnsToThePanelOnceTheExtensionIsSwitchedOn) {
    const QVariantList uuid{gnome::extensionUuid};
    shellCall(QStringLiteral("org.gnome.Shell.Extensions"), QStringLiteral("DisableExtension"),
              uuid);
    ASSERT_TRUE(waitUntil([&] { return !system_.isProcessTrusted(); }));

    QtMainQueue queue;
    FakeDesktopShell shell;
    const auto manager = AccessibilityManager::create(system_, shell, queue);
    EXPECT_FALSE(manager->isAuthorized.get());
    // The onboarding button: Varnic asks GNOME Shell to switch the extension on and polls.
    manager->requestPermissionAndOpenSettings();
    ASSERT_TRUE(waitUntil([&] { return manager->isAuthorized.get(); }, 3s));

    // The extension's signals reach the mirror again.
    auto demo = launch({"gtk3-demo"});
    EXPECT_TRUE(waitUntil([&] { return listed(demo.pid()) != nullptr; }));
}

}  // namespace
}  // namespace varnic

