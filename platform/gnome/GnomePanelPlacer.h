#pragma once

#include <QDBusConnection>

#include "platform/qt/PanelPlacer.h"

namespace varnic {

// Varnic's panel under GNOME Shell: Xwayland's pointer is stale over native
// windows and GNOME Shell places new windows itself, so both go through
// Varnic's extension.
class GnomePanelPlacer : public PanelPlacer {
  public:
    explicit GnomePanelPlacer(QDBusConnection bus);

    std::optional<QPoint> pointerPosition(QWidget& window) override;
    void placeOwnWindow(QWidget& window, QPoint topLeft) override;

  private:
    QDBusConnection bus_;
};

}  // namespace varnic
