#pragma once

#include "platform/qt/PanelPlacer.h"

namespace varnic {

// On X11 a program knows the pointer and places its own windows.
class X11PanelPlacer : public PanelPlacer {
  public:
    std::optional<QPoint> pointerPosition(QWidget& window) override;
    void placeOwnWindow(QWidget& window, QPoint topLeft) override;
};

}  // namespace varnic
