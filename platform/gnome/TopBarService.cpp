#include "platform/gnome/TopBarService.h"

#include <QDBusError>
#include <QTimer>

#include "platform/gnome/ExtensionBus.h"
#include "support/Log.h"

namespace varnic {

TopBarService::TopBarService(QDBusConnection bus, Actions actions)
    : bus_(std::move(bus)), actions_(std::move(actions)) {
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

// The reply goes out first: the panel opens, and the resize and the quit
// happen, from the event loop.
void TopBarService::TogglePanel(int x, int y) {
    QTimer::singleShot(0, this, [this, x, y] { actions_.togglePanel(QPoint(x, y)); });
}

QStringList TopBarService::Presets() {
    QStringList titles;
    for (const auto& preset : standardPresets()) {
        titles << QString::fromStdString(preset.name) +
                      QStringLiteral(" (%1x%2)").arg(preset.width).arg(preset.height);
    }
    return titles;
}

void TopBarService::ResizeTo(uint index) {
    const auto& presets = standardPresets();
    if (index >= presets.size()) return;
    QTimer::singleShot(0, this, [this, preset = presets[index]] { actions_.resize(preset); });
}

void TopBarService::Quit() {
    QTimer::singleShot(0, this, [this] { actions_.quit(); });
}

}  // namespace varnic
