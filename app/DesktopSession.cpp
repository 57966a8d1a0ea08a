#include "app/DesktopSession.h"

#include <QCoreApplication>
#include <QDBusConnection>

#include "platform/gnome/ExtensionInstaller.h"
#include "platform/gnome/GnomeWindowSystem.h"
#include "platform/gnome/TopBarService.h"
#include "platform/qt/SocketEventPump.h"
#include "platform/x11/X11WindowSystem.h"
#include "support/Log.h"
#include "support/LogFormat.h"

namespace varnic {

DesktopSession::DesktopSession(std::unique_ptr<WindowSystem> system, std::unique_ptr<QObject> pump)
    : system_(std::move(system)), pump_(std::move(pump)) {}

DesktopSession::~DesktopSession() {
    // The pump refers to the window system.
    pump_.reset();
}

namespace {

bool gnomeSession() {
    const auto desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'));
    return desktops.contains(QStringLiteral("GNOME"));
}

std::unique_ptr<WindowSystem> gnomeShell() {
    auto gnome = std::make_unique<GnomeWindowSystem>(
        QDBusConnection::sessionBus(),
        ExtensionInstaller::findVariants(QCoreApplication::applicationDirPath()));
    const auto version = gnome->shellVersion();
    Log::write("Window system: GNOME Shell " +
               (version ? logformat::escaped(*version) : std::string("(no answer)")) +
               " through Varnic's extension");
    return gnome;
}

}  // namespace

void DesktopSession::offerStatusActions(std::function<void()> togglePanel,
                                        std::function<void()> showMenu) {
    statusActions_ = std::make_unique<TopBarService>(QDBusConnection::sessionBus(),
                                                     std::move(togglePanel), std::move(showMenu));
}

std::unique_ptr<DesktopSession> DesktopSession::detect() {
    if (gnomeSession())
        return std::unique_ptr<DesktopSession>(new DesktopSession(gnomeShell(), nullptr));
    auto x11 = std::make_unique<X11WindowSystem>();
    const auto manager = x11->windowManagerName();
    Log::write("Window system: X11, window manager " +
               (manager ? logformat::escaped(*manager) : std::string("none yet")));
    auto* system = x11.get();
    auto pump = std::make_unique<SocketEventPump>(
        SocketEventPump::Source{[system] { return system->connectionFd(); },
                                [system] {
                                    system->processEvents();
                                    system->flush();
                                }});
    return std::unique_ptr<DesktopSession>(new DesktopSession(std::move(x11), std::move(pump)));
}

}  // namespace varnic
