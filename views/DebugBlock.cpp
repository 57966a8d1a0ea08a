#include "views/DebugBlock.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/AppBundle.h"
#include "views/ElidedLabel.h"
#include "views/PanelStyle.h"

namespace varnic {
namespace {

using style::TextStyle;
using style::Tone;

void makeSelectable(QLabel* label) {
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

}  // namespace

DebugBlock::DebugBlock(AppBundle& bundle, QWidget* parent)
    : QWidget(parent), accessibility_(new QLabel(this)) {
    setObjectName(QStringLiteral("debugBlock"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    auto* heading = new QLabel(QStringLiteral("DEBUG"), this);
    style::applyText(heading, TextStyle::caption2, Tone::secondary, QFont::DemiBold);
    layout->addWidget(heading, 0, Qt::AlignLeft);

    accessibility_->setObjectName(QStringLiteral("accessibilityStatus"));
    style::applyText(accessibility_, TextStyle::caption2, Tone::secondary);
    layout->addWidget(accessibility_, 0, Qt::AlignLeft);

    if (const auto identifier = bundle.bundleIdentifier()) {
        auto* line = new ElidedLabel(Qt::ElideMiddle, 1, this);
        line->setObjectName(QStringLiteral("bundleIdLabel"));
        style::applyText(line, TextStyle::caption2, Tone::secondary);
        line->setFullText(QStringLiteral("Bundle ID: ") + QString::fromStdString(*identifier));
        makeSelectable(line);
        layout->addWidget(line);
    }

    auto* path = new ElidedLabel(Qt::ElideMiddle, 2, this);
    path->setObjectName(QStringLiteral("appPathLabel"));
    style::applyText(path, TextStyle::caption2, Tone::secondary);
    path->setFullText(QStringLiteral("App Path: ") + QString::fromStdString(bundle.bundlePath()));
    makeSelectable(path);
    layout->addWidget(path);

    auto* reveal = new QPushButton(QStringLiteral("Show in File Manager"), this);
    reveal->setObjectName(QStringLiteral("revealButton"));
    style::applyLink(reveal, TextStyle::caption2);
    connect(reveal, &QPushButton::clicked, this, [&bundle] { bundle.reveal(); });
    layout->addWidget(reveal, 0, Qt::AlignLeft);
}

void DebugBlock::setAuthorized(bool authorized) {
    accessibility_->setText(
        QStringLiteral("Accessibility: ") +
        (authorized ? QStringLiteral("Authorized") : QStringLiteral("Not Authorized")));
}

}  // namespace varnic
