#include "platform/qt/X11PanelPlacer.h"

#include <QCursor>
#include <QWidget>

namespace varnic {

std::optional<QPoint> X11PanelPlacer::pointerPosition(QWidget&) {
    return QCursor::pos();
}

void X11PanelPlacer::placeOwnWindow(QWidget& window, QPoint topLeft) {
    window.move(topLeft);
}

}  // namespace varnic
