#include "views/PresetStrip.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>

#include "views/PanelStyle.h"

namespace varnic {

PresetStrip::PresetStrip(const std::vector<Preset>& presets, const Chosen& chosen, QWidget* parent)
    : QScrollArea(parent) {
    setObjectName(QStringLiteral("presetStrip"));
    setFrameShape(QFrame::NoFrame);
    // A thin bar under the row: twelve presets never fit the panel's width,
    // and without it nothing tells the user that more lie to the right.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    horizontalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollBar:horizontal { height: %1px; background: transparent; }"
                       "QScrollBar::handle:horizontal { background: rgba(128, 128, 128, 50%);"
                       " border-radius: %2px; min-width: 24px; }"
                       "QScrollBar::add-line:horizontal, QScrollBar::sub-line:horizontal"
                       " { width: 0; }"
                       "QScrollBar::add-page:horizontal, QScrollBar::sub-page:horizontal"
                       " { background: none; }")
            .arg(barHeight)
            .arg(barHeight / 2));
    setViewportMargins(0, 0, 0, barGap);
    setWidgetResizable(true);
    viewport()->setAutoFillBackground(false);

    auto* row = new QWidget;
    row->setAutoFillBackground(false);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    for (const auto& preset : presets) {
        const auto name = QString::fromStdString(preset.name);
        // Doubled ampersands keep a name verbatim instead of making a shortcut.
        auto* button = new QPushButton(QString(name).replace(QLatin1Char('&'), "&&"), row);
        button->setObjectName(QStringLiteral("preset:") + name);
        style::applyBorderedSmall(button);
        connect(button, &QPushButton::clicked, this, [chosen, preset] { chosen(preset); });
        layout->addWidget(button, 0, Qt::AlignVCenter);
    }
    layout->addStretch();
    setWidget(row);
    setFixedHeight(row->sizeHint().height() + barGap + barHeight);
}

// A mouse has only a vertical wheel; the strip scrolls sideways with it.
void PresetStrip::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const int step = delta.x() != 0 ? delta.x() : delta.y();
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - step / 2);
    event->accept();
}

}  // namespace varnic
