#pragma once

#include <QPoint>
#include <optional>

class QWidget;

namespace varnic {

// What only the compositor knows about placing Varnic's own panel: where the
// pointer is, and how to move a window where clients cannot move themselves
// (sway centres new floating windows; XWayland's idea of the pointer is stale
// over native surfaces).
class PanelPlacer {
  public:
    virtual ~PanelPlacer() = default;

    // The pointer in global logical coordinates, where the compositor tells
    // it. window is Varnic's own window, just shown: a compositor that has no
    // pointer query (sway) learns the pointer by moving that window to it.
    virtual std::optional<QPoint> pointerPosition(QWidget& window) = 0;

    // Puts Varnic's own shown window at topLeft (global logical coordinates)
    // where the compositor, not the client, places windows.
    virtual void placeOwnWindow(QWidget& window, QPoint topLeft) = 0;
};

}  // namespace varnic
