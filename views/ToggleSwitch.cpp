#include "views/ToggleSwitch.h"

#include <QPainter>

#include "views/PanelStyle.h"

namespace varnic {
namespace {

constexpr int trackWidth = 32;
constexpr int trackHeight = 18;
constexpr int knobInset = 2;

}  // namespace

ToggleSwitch::ToggleSwitch(QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
}

QSize ToggleSwitch::sizeHint() const {
    return {trackWidth + 2, trackHeight + 2};
}

void ToggleSwitch::nextCheckState() {
    emit toggleRequested(!isChecked());
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF track(1, (height() - trackHeight) / 2.0, trackWidth, trackHeight);
    QColor off = palette().color(QPalette::WindowText);
    off.setAlphaF(0.2f);
    QColor on = style::blue();
    if (!isEnabled()) on.setAlphaF(0.4f);
    painter.setPen(hasFocus() ? QPen(palette().color(QPalette::Highlight), 1) : Qt::NoPen);
    painter.setBrush(isChecked() ? on : off);
    painter.drawRoundedRect(track, trackHeight / 2.0, trackHeight / 2.0);

    const qreal knob = trackHeight - 2 * knobInset;
    const qreal x = isChecked() ? track.right() - knobInset - knob : track.left() + knobInset;
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(x, track.top() + knobInset, knob, knob));
}

}  // namespace varnic
