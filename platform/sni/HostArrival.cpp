#include "platform/sni/HostArrival.h"

#include "platform/sni/StatusNotifierTray.h"

namespace varnic::sni {

HostArrival::HostArrival(QDBusConnection bus)
    : bus_(std::move(bus)),
      watcher_(StatusNotifierTray::watcherService, bus_,
               QDBusServiceWatcher::WatchForRegistration) {
    connect(&watcher_, &QDBusServiceWatcher::serviceRegistered, this, &HostArrival::check);
    bus_.connect(QString(), StatusNotifierTray::watcherPath, StatusNotifierTray::watcherService,
                 QStringLiteral("StatusNotifierHostRegistered"), this, SLOT(check()));
}

void HostArrival::check() {
    if (StatusNotifierTray::hostAvailable(bus_)) emit arrived();
}

}  // namespace varnic::sni
