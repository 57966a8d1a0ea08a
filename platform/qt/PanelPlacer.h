#pragma once

#include <QPoint>
#include <optional>

class QWidget;

namespace varnic {

// What only the compositor knows about placing Varnic's own panel: where the
// pointer is, and how to move a window where clients cannot move themselves
// (sway centres new floating windows; Wayland clients never learn global
// positions).
class PanelPlacer {
  public:
    virtual ~PanelPlacer() = default;

    // The pointer in global logical coordinates, where the compositor tells it.
    virtual std::optional<QPoint> pointerPosition() = 0;

    // Puts Varnic's own mapped window at topLeft (global logical coordinates)
    // where the compositor, not the client, places windows.
    virtual void placeOwnWindow(QWidget& window, QPoint topLeft) = 0;
};

}  // namespace varnic
