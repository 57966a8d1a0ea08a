#include "views/Glyphs.h"

#include <QPainter>
#include <QPainterPath>

namespace varnic::glyphs {
namespace {

QPixmap canvas(int size, qreal devicePixelRatio) {
    QPixmap pixmap(QSize(size, size) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// The window in a unit box of 24 × 24: a rounded frame, a title bar rule and
// three dots for the title bar buttons.
void drawWindow(QPainter& painter, const QRectF& frame, const QColor& colour) {
    const qreal unit = frame.width() / 24.0;
    QPen pen(colour, 1.8 * unit);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QRectF body =
        frame.adjusted(pen.widthF() / 2, pen.widthF() / 2, -pen.widthF() / 2, -pen.widthF() / 2);
    painter.drawRoundedRect(body, 3.5 * unit, 3.5 * unit);
    const qreal barY = body.top() + 6.0 * unit;
    painter.drawLine(QPointF(body.left(), barY), QPointF(body.right(), barY));
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    for (int i = 0; i < 3; ++i) {
        const QPointF centre(body.left() + (3.2 + 2.6 * i) * unit, body.top() + 3.0 * unit);
        painter.drawEllipse(centre, 0.9 * unit, 0.9 * unit);
    }
}

}  // namespace

QPixmap window(int size, const QColor& colour, qreal devicePixelRatio) {
    QPixmap pixmap = canvas(size, devicePixelRatio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal margin = size / 24.0;
    drawWindow(painter, QRectF(margin, size * 0.15, size - 2 * margin, size * 0.7), colour);
    return pixmap;
}

QPixmap windowWithPlus(int size, const QColor& colour, qreal devicePixelRatio) {
    QPixmap pixmap = canvas(size, devicePixelRatio);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 24.0;
    const QRectF frame(unit, 2.5 * unit, 19.0 * unit, 15.0 * unit);
    const QPointF badge(18.5 * unit, 17.5 * unit);
    const qreal radius = 5.5 * unit;

    // The badge cuts a clear ring out of the window so the two read apart
    // (odd-even fill: the rectangle minus the circle).
    QPainterPath clip;
    clip.addRect(QRectF(0, 0, size, size));
    clip.addEllipse(badge, radius + 1.2 * unit, radius + 1.2 * unit);
    painter.setClipPath(clip, Qt::ReplaceClip);
    drawWindow(painter, frame, colour);
    painter.setClipping(false);

    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(badge, radius, radius);
    QPen plus(Qt::white, 1.6 * unit, Qt::SolidLine, Qt::RoundCap);
    painter.setPen(plus);
    painter.drawLine(badge - QPointF(2.8 * unit, 0), badge + QPointF(2.8 * unit, 0));
    painter.drawLine(badge - QPointF(0, 2.8 * unit), badge + QPointF(0, 2.8 * unit));
    return pixmap;
}

QIcon trayIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap = canvas(size, 1.0);
        QPainter painter(&pixmap);
        const QPixmap halo = window(size, QColor(0, 0, 0, 160));
        for (const QPoint offset : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)}) {
            painter.drawPixmap(offset, halo);
        }
        painter.drawPixmap(0, 0, window(size, QColor(0xf2, 0xf2, 0xf2)));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace varnic::glyphs
