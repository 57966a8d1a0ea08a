#include "views/InstructionStep.h"

#include <QHBoxLayout>
#include <QLabel>

#include "views/PanelStyle.h"

namespace varnic {

InstructionStep::InstructionStep(int number, const QString& text, QWidget* parent)
    : QWidget(parent), number_(number), text_(text) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);

    auto* badge = new QLabel(QString::number(number), this);
    badge->setObjectName(QStringLiteral("stepBadge"));
    style::applyBadge(badge, 24);
    layout->addWidget(badge, 0, Qt::AlignVCenter);

    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("stepText"));
    style::applyText(label, style::TextStyle::subheadline);
    label->setWordWrap(true);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    layout->addWidget(label, 1, Qt::AlignVCenter);
}

}  // namespace varnic
