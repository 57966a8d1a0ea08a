#include "app/DesktopSession.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <cstdlib>

#include "platform/gnome/ExtensionBus.h"
#include "platform/gnome/ExtensionInstaller.h"
#include "platform/gnome/GnomePanelPlacer.h"
#include "platform/gnome/GnomeWindowSystem.h"
#include "platform/i3ipc/I3SocketPath.h"
#include "platform/i3ipc/I3WindowSystem.h"
#include "platform/i3ipc/SwayPanelPlacer.h"
#include "platform/i3ipc/X11PidLookup.h"
#include "platform/kwin/KWinPanelPlacer.h"
#include "platform/kwin/KWinWindowSystem.h"
#include "platform/qt/SocketEventPump.h"
#include "platform/x11/X11WindowSystem.h"
#include "support/Log.h"
#include "support/LogFormat.h"

namespace varnic {

DesktopSession::DesktopSession(std::unique_ptr<WindowSystem> system, std::unique_ptr<QObject> pump,
                               std::unique_ptr<PanelPlacer> placer)
    : system_(std::move(system)), pump_(std::move(pump)), placer_(std::move(placer)) {}

DesktopSession::~DesktopSession() {
    // The pump refers to the window system.
    pump_.reset();
}

namespace {

// GNOME Shell when it owns its name and answers. Many desktops put GNOME in
// XDG_CURRENT_DESKTOP without running it (Budgie, GNOME Flashback); their
// window managers are reached over X11.
std::unique_ptr<WindowSystem> gnomeShell() {
    // A shell busy logging the user in may take seconds to answer; a program
    // that merely holds the name answers at once, with an error.
    constexpr int startupTimeoutMs = 10000;
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(gnome::shellName))
        return nullptr;
    const auto variants = ExtensionInstaller::findVariants(QCoreApplication::applicationDirPath());
    const auto version = ExtensionInstaller(bus, variants).shellVersion(startupTimeoutMs);
    if (!version) return nullptr;
    Log::write("Window system: GNOME Shell " + logformat::escaped(version->toStdString()) +
               " through Varnic's extension");
    return std::make_unique<GnomeWindowSystem>(bus, variants);
}

// A Plasma Wayland session: a Wayland display, and KWin on the session bus.
// On Plasma X11 the X11 backend already gives exact sizes.
bool plasmaWayland() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    return display && *display && KWinWindowSystem::kwinOnBus(QDBusConnection::sessionBus());
}

}  // namespace

void DesktopSession::offerStatusActions(TopBarService::Actions actions) {
    statusActions_ =
        std::make_unique<TopBarService>(QDBusConnection::sessionBus(), std::move(actions));
}

std::unique_ptr<DesktopSession> DesktopSession::detect() {
    if (auto session = detectI3Ipc()) return session;
    if (plasmaWayland()) {
        auto kwin = std::make_unique<KWinWindowSystem>();
        const auto version = kwin->kwinVersion();
        Log::write("Window system: KDE Plasma on Wayland, KWin " +
                   (version ? logformat::escaped(*version) : std::string("of unknown version")));
        return std::unique_ptr<DesktopSession>(
            new DesktopSession(std::move(kwin), nullptr, std::make_unique<KWinPanelPlacer>()));
    }
    // On X11 GNOME Shell is an EWMH window manager too; its extension also
    // gives the top-bar icon where no tray shows Varnic's.
    if (auto gnome = gnomeShell()) {
        return std::unique_ptr<DesktopSession>(
            new DesktopSession(std::move(gnome), nullptr,
                               std::make_unique<GnomePanelPlacer>(QDBusConnection::sessionBus())));
    }
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

// sway, and i3 (for its X11 windows too: i3 ignores resize requests from
// other clients for tiled windows), when their IPC socket answers.
std::unique_ptr<DesktopSession> DesktopSession::detectI3Ipc() {
    const auto path = I3SocketPath::find();
    if (!path) return nullptr;
    auto lookup = std::make_shared<X11PidLookup>();
    auto i3 = std::make_unique<I3WindowSystem>(
        *path, [lookup](const std::vector<std::uint32_t>& windows) { return (*lookup)(windows); });
    const auto compositor = i3->compositorName();
    if (!compositor) return nullptr;
    const auto family = compositor->substr(0, compositor->find(' '));
    Log::write("Window system: " + logformat::escaped(family) + " IPC (" +
               logformat::escaped(*compositor) + ")");
    auto* system = i3.get();
    auto pump = std::make_unique<SocketEventPump>(SocketEventPump::Source{
        [system] { return system->connectionFd(); }, [system] { system->processEvents(); }});
    std::unique_ptr<DesktopSession> session(new DesktopSession(std::move(i3), std::move(pump)));
    if (family == "sway") session->placer_ = std::make_unique<SwayPanelPlacer>(*path);
    return session;
}

}  // namespace varnic
