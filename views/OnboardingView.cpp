#include "views/OnboardingView.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "permissions/AccessibilityManager.h"
#include "views/DebugBlock.h"
#include "views/Glyphs.h"
#include "views/InstructionStep.h"
#include "views/PanelStyle.h"

namespace varnic {
namespace {

using style::TextStyle;
using style::Tone;

constexpr int glyphSize = 80;
constexpr int outerPadding = 40;

}  // namespace

OnboardingView::OnboardingView(MainQueue& queue, AccessibilityManager& accessibilityManager,
                               AppBundle& bundle, QWidget* parent)
    : QWidget(parent),
      queue_(queue),
      accessibilityManager_(accessibilityManager),
      debug_(new DebugBlock(bundle)) {
    setObjectName(QStringLiteral("onboardingView"));
    setFixedWidth(frameWidth);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(outerPadding, outerPadding, outerPadding, outerPadding);
    layout->setSpacing(30);

    auto* glyph = new QLabel(this);
    glyph->setObjectName(QStringLiteral("onboardingGlyph"));
    glyph->setPixmap(glyphs::windowWithPlus(glyphSize, style::blue(), devicePixelRatioF()));
    glyph->setFixedSize(glyphSize, glyphSize);
    layout->addWidget(glyph, 0, Qt::AlignHCenter);

    const auto guide = accessibilityManager_.permissionGuide();
    addHeading(guide);
    addInstructions(guide);
    addButtons(guide);
    layout->addWidget(debug_, 0, Qt::AlignHCenter);

    render();
    authorized_ = accessibilityManager_.isAuthorized.subscribe([this] { redraw_.schedule(); });
}

void OnboardingView::addHeading(const PermissionGuide& guide) {
    auto* group = style::column(nullptr, 10);
    auto* title = new QLabel(QString::fromStdString(guide.heading), this);
    style::applyText(title, TextStyle::title2, Tone::primary, QFont::Bold);
    group->addWidget(title, 0, Qt::AlignHCenter);

    auto* reason = new QLabel(QString::fromStdString(guide.reason), this);
    style::applyText(reason, TextStyle::body, Tone::secondary);
    reason->setWordWrap(true);
    reason->setAlignment(Qt::AlignHCenter);
    reason->setContentsMargins(style::standardPadding, 0, style::standardPadding, 0);
    group->addWidget(reason);
    static_cast<QVBoxLayout*>(layout())->addLayout(group);
}

void OnboardingView::addInstructions(const PermissionGuide& guide) {
    auto* box = new QWidget(this);
    box->setObjectName(QStringLiteral("instructionsBox"));
    style::applyRoundedBox(box, 12);
    auto* steps = new QVBoxLayout(box);
    const int padding = style::standardPadding;
    steps->setContentsMargins(padding, padding, padding, padding);
    steps->setSpacing(15);
    int number = 0;
    for (const auto& step : guide.steps) {
        steps->addWidget(new InstructionStep(++number, QString::fromStdString(step), box));
    }
    layout()->addWidget(box);
}

void OnboardingView::addButtons(const PermissionGuide& guide) {
    auto* open = new QPushButton(QString::fromStdString(guide.buttonTitle), this);
    open->setObjectName(QStringLiteral("openSettingsButton"));
    style::applyProminent(open, TextStyle::body, QFont::DemiBold, 8);
    open->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(open, &QPushButton::clicked, this,
            [this] { accessibilityManager_.requestPermissionAndOpenSettings(); });
    layout()->addWidget(open);

    auto* again = new QPushButton(QStringLiteral("Check Again"), this);
    again->setObjectName(QStringLiteral("checkAgainButton"));
    style::applyLink(again, TextStyle::footnote);
    connect(again, &QPushButton::clicked, this,
            [this] { accessibilityManager_.checkPermission(); });
    static_cast<QVBoxLayout*>(layout())->addWidget(again, 0, Qt::AlignHCenter);
}

void OnboardingView::render() {
    debug_->setAuthorized(accessibilityManager_.isAuthorized.get());
}

}  // namespace varnic
