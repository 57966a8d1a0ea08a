#include "app/DesktopSession.h"

#include <cstdlib>

#include "platform/kwin/KWinWindowSystem.h"

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

// A Plasma Wayland session: a Wayland display, and KWin on the session bus.
// On Plasma X11 the X11 backend already gives exact sizes.
bool plasmaWayland() {
    const char* display = std::getenv("WAYLAND_DISPLAY");
    return display && *display && KWinWindowSystem::kwinOnBus(QDBusConnection::sessionBus());
}

}  // namespace

std::unique_ptr<DesktopSession> DesktopSession::detect() {
    if (plasmaWayland()) {
        auto kwin = std::make_unique<KWinWindowSystem>();
        const auto version = kwin->kwinVersion();
        Log::write("Window system: KDE Plasma on Wayland, KWin " +
                   (version ? *version : std::string("of unknown version")));
        return std::unique_ptr<DesktopSession>(new DesktopSession(std::move(kwin), nullptr));
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

}  // namespace varnic
