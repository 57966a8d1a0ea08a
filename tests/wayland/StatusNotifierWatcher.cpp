#include "tests/wayland/StatusNotifierWatcher.h"

#include <QDBusMessage>

namespace varnic::testing {

// Items register either their bus name (the object is then at
// /StatusNotifierItem) or an object path on the caller's own connection.
void StatusNotifierWatcher::RegisterStatusNotifierItem(const QString& serviceOrPath) {
    Item item{serviceOrPath, QStringLiteral("/StatusNotifierItem")};
    if (serviceOrPath.startsWith(QLatin1Char('/'))) {
        item = {calledFromDBus() ? message().service() : QString(), serviceOrPath};
    }
    const auto name = item.service + item.path;
    if (!registered_.contains(name)) registered_.append(name);
    emit StatusNotifierItemRegistered(name);
    onRegistered_(item);
}

void StatusNotifierWatcher::RegisterStatusNotifierHost(const QString&) {
    emit StatusNotifierHostRegistered();
}

}  // namespace varnic::testing
