#pragma once

#include <QRect>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/i3ipc/I3IpcConnection.h"
#include "platform/qt/PanelPlacer.h"

namespace varnic {

// Varnic's panel on sway: an XWayland window that sway centres when it maps
// it, over native surfaces whose pointer XWayland never sees. Sway learns
// the pointer by moving the panel to it (`move position cursor`) and places
// it with `move absolute position`, both addressed by the X11 window id. Each
// wait (for the window to map, for a reply) ends within two seconds and
// handles input meanwhile.
class SwayPanelPlacer : public PanelPlacer {
  public:
    explicit SwayPanelPlacer(std::string socketPath) : socket_(std::move(socketPath)) {}

    std::optional<QPoint> pointerPosition(QWidget& window) override;
    void placeOwnWindow(QWidget& window, QPoint topLeft) override;

  private:
    using Deadline = I3IpcConnection::Deadline;
    // The window's outer frame, its output, and the output's part that bars leave free.
    struct Placement {
        QRect frame;
        QRect output;
        QRect usable;
    };

    // Where the window is once sway manages it; absent when it does not
    // before the deadline.
    std::optional<Placement> awaitContainer(std::uint32_t window, Deadline deadline);
    std::optional<Placement> frameInTree(I3IpcConnection& connection, std::uint32_t window,
                                         Deadline deadline);
    bool command(const std::string& text, Deadline deadline);

    std::string socket_;
};

}  // namespace varnic
