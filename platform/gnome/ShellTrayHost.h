#pragma once

#include <QDBusConnection>

namespace varnic {

// Whether GNOME Shell itself hosts the tray: the AppIndicator extension runs
// the StatusNotifierWatcher inside the shell. That host shows an item's
// exported menu on a single left click and sends Activate only on a double
// click, so the panel needs an entry in the menu there.
bool shellHostsTray(const QDBusConnection& bus);

}  // namespace varnic
