#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

namespace varnic::glyphs {

// A window outline with a title bar, drawn at any size: the tray's symbol.
QPixmap window(int size, const QColor& colour, qreal devicePixelRatio = 1.0);
// The same window with a plus badge at its lower right: the onboarding symbol.
QPixmap windowWithPlus(int size, const QColor& colour, qreal devicePixelRatio = 1.0);
// The tray's icon: a light window glyph on a dark halo, legible on light and
// dark panels alike.
QIcon trayIcon();

}  // namespace varnic::glyphs
