#include "platform/gnome/ShellTrayHost.h"

#include <QDBusConnectionInterface>

#include "platform/gnome/ExtensionBus.h"

namespace varnic {

bool shellHostsTray(const QDBusConnection& bus) {
    if (!bus.isConnected()) return false;
    auto* names = bus.interface();
    const auto watcher = names->serviceOwner(QStringLiteral("org.kde.StatusNotifierWatcher"));
    const auto shell = names->serviceOwner(gnome::shellName);
    return watcher.isValid() && shell.isValid() && watcher.value() == shell.value();
}

}  // namespace varnic
