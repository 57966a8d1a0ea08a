#include "platform/gnome/TopBarService.h"

#include <QDBusError>
#include <QTimer>

#include "platform/gnome/ExtensionBus.h"
#include "support/Log.h"

namespace varnic {

TopBarService::TopBarService(QDBusConnection bus, std::function<void()> togglePanel,
                             std::function<void()> showMenu)
    : bus_(std::move(bus)), togglePanel_(std::move(togglePanel)), showMenu_(std::move(showMenu)) {
    registered_ = bus_.registerObject(gnome::varnicPath, this, QDBusConnection::ExportAllSlots) &&
                  bus_.registerService(gnome::varnicName);
    if (!registered_) {
        Log::write("Top bar: cannot offer " + gnome::varnicName.toStdString() + ": " +
                   bus_.lastError().message().toStdString());
    }
}

TopBarService::~TopBarService() {
    if (registered_) bus_.unregisterService(gnome::varnicName);
    bus_.unregisterObject(gnome::varnicPath);
}

// The reply goes out first: the panel and the menu open from the event loop.
void TopBarService::TogglePanel() {
    QTimer::singleShot(0, this, [this] { togglePanel_(); });
}

void TopBarService::ShowMenu() {
    QTimer::singleShot(0, this, [this] { showMenu_(); });
}

}  // namespace varnic
