#include "views/ContentView.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "permissions/AccessibilityManager.h"
#include "permissions/StartupManager.h"
#include "platform/qt/AppIconImage.h"
#include "support/MainQueue.h"
#include "views/DebugBlock.h"
#include "views/DimensionText.h"
#include "views/ElidedLabel.h"
#include "views/OneLineText.h"
#include "views/PanelStyle.h"
#include "views/PresetStrip.h"
#include "views/ToggleSwitch.h"
#include "windows/WindowManager.h"

namespace varnic {
namespace {

using style::TextStyle;
using style::Tone;

constexpr int iconSize = 40;

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    style::applyText(label, TextStyle::caption2, Tone::secondary, QFont::DemiBold);
    return label;
}

}  // namespace

ContentView::ContentView(MainQueue& queue, AccessibilityManager& accessibilityManager,
                         StartupManager& startupManager, WindowManager& windowManager,
                         AppBundle& bundle, QWidget* parent)
    : QWidget(parent),
      queue_(queue),
      accessibilityManager_(accessibilityManager),
      startupManager_(startupManager),
      windowManager_(windowManager) {
    setObjectName(QStringLiteral("contentView"));
    setFixedWidth(panelWidth);
    auto* layout = new QVBoxLayout(this);
    const int padding = style::standardPadding;
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(20);
    layout->addWidget(makeTargetCard());
    layout->addWidget(makePresets());
    layout->addWidget(makeCustomDimensions());
    layout->addWidget(makeResize());
    layout->addWidget(makeStartup());
    debug_ = new DebugBlock(bundle, this);
    layout->addWidget(debug_);
    // A keyboard user opening the panel types a size first.
    setFocusProxy(widthField_);

    render();
    const auto redraw = [this] { redraw_.schedule(); };
    subscriptions_.push_back(windowManager_.activeWindowInfo.subscribe(redraw));
    subscriptions_.push_back(startupManager_.isEnabled.subscribe(redraw));
    subscriptions_.push_back(startupManager_.lastError.subscribe(redraw));
    subscriptions_.push_back(accessibilityManager_.isAuthorized.subscribe(redraw));
}

QWidget* ContentView::makeTargetCard() {
    card_ = new QStackedWidget(this);
    card_->setObjectName(QStringLiteral("targetCard"));

    auto* target = new QWidget(card_);
    auto* row = new QHBoxLayout(target);
    row->setContentsMargins(0, 0, 0, 5);
    row->setSpacing(12);
    icon_ = new QLabel(target);
    icon_->setObjectName(QStringLiteral("targetIcon"));
    icon_->setFixedSize(iconSize, iconSize);
    icon_->setAlignment(Qt::AlignCenter);
    row->addWidget(icon_, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    appName_ = new ElidedLabel(Qt::ElideRight, 1, target);
    appName_->setObjectName(QStringLiteral("targetAppName"));
    style::applyText(appName_, TextStyle::headline);
    windowTitle_ = new ElidedLabel(Qt::ElideMiddle, 1, target);
    windowTitle_->setObjectName(QStringLiteral("targetWindowTitle"));
    style::applyText(windowTitle_, TextStyle::caption, Tone::secondary);
    texts->addWidget(appName_, 0, Qt::AlignLeft);
    texts->addWidget(windowTitle_, 0, Qt::AlignLeft);
    row->addLayout(texts, 1);
    card_->addWidget(target);

    auto* empty = new QLabel(QStringLiteral("Select a window to resize"), card_);
    empty->setObjectName(QStringLiteral("noTargetLabel"));
    style::applyText(empty, TextStyle::subheadline, Tone::secondary);
    empty->setAlignment(Qt::AlignCenter);
    empty->setContentsMargins(0, 8, 0, 8 + 5);
    card_->addWidget(empty);
    return card_;
}

QWidget* ContentView::makePresets() {
    auto* section = new QWidget(this);
    auto* layout = style::column(section, 8);
    layout->addWidget(heading(QStringLiteral("PRESETS"), section));
    layout->addWidget(new PresetStrip(
        windowManager_.presets(), [this](const Preset& preset) { choosePreset(preset); }, section));
    return section;
}

QLineEdit* ContentView::makeField(const QString& objectName, std::string& bound) {
    auto* field = new QLineEdit(QString::fromStdString(bound));
    field->setObjectName(objectName);
    field->setPlaceholderText(QString());
    field->setFont(style::font(TextStyle::body));
    // The field owns its text while the user types; the panel only mirrors it.
    connect(field, &QLineEdit::textEdited, this,
            [&bound](const QString& text) { bound = text.toStdString(); });
    return field;
}

QWidget* ContentView::makeCustomDimensions() {
    auto* section = new QWidget(this);
    auto* layout = style::column(section, 8);
    layout->addWidget(heading(QStringLiteral("CUSTOM DIMENSIONS"), section));
    auto* row = new QHBoxLayout;
    row->setSpacing(15);
    widthField_ = makeField(QStringLiteral("widthField"), widthString_);
    heightField_ = makeField(QStringLiteral("heightField"), heightString_);
    for (auto [title, field] : {std::pair{QStringLiteral("WIDTH"), widthField_},
                                std::pair{QStringLiteral("HEIGHT"), heightField_}}) {
        auto* fieldColumn = new QVBoxLayout;
        fieldColumn->setSpacing(4);
        auto* label = new QLabel(title, section);
        label->setTextFormat(Qt::PlainText);
        label->setFont(style::fixedFont(8, QFont::Bold));
        style::applyTone(label, Tone::secondary);
        fieldColumn->addWidget(label);
        field->setParent(section);
        fieldColumn->addWidget(field);
        row->addLayout(fieldColumn, 1);
    }
    layout->addLayout(row);
    return section;
}

QWidget* ContentView::makeResize() {
    auto* section = new QWidget(this);
    auto* layout = style::column(section, 12);
    resizeButton_ = new QPushButton(QStringLiteral("Resize Active Window"), section);
    resizeButton_->setObjectName(QStringLiteral("resizeButton"));
    style::applyProminent(resizeButton_, TextStyle::body, QFont::DemiBold, 6);
    connect(resizeButton_, &QPushButton::clicked, this, [this] { resizeToTypedSize(); });
    layout->addWidget(resizeButton_);

    resizingText_ = new QLabel(QStringLiteral("Hiding and resizing in 0.5s..."), section);
    resizingText_->setObjectName(QStringLiteral("resizingLabel"));
    style::applyText(resizingText_, TextStyle::caption, Tone::blue);
    layout->addWidget(resizingText_, 0, Qt::AlignHCenter);

    note_ = new QLabel(QStringLiteral("Note: The window shown above will be resized."), section);
    note_->setObjectName(QStringLiteral("resizeNote"));
    style::applyText(note_, TextStyle::caption2, Tone::secondary);
    note_->setWordWrap(true);
    note_->setAlignment(Qt::AlignHCenter);
    layout->addWidget(note_);
    return section;
}

QWidget* ContentView::makeStartup() {
    auto* section = new QWidget(this);
    auto* layout = style::column(section, 8);
    layout->addWidget(heading(QStringLiteral("STARTUP"), section));

    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Run at startup"), section);
    style::applyText(label, TextStyle::caption);
    startupSwitch_ = new ToggleSwitch(section);
    startupSwitch_->setObjectName(QStringLiteral("startupSwitch"));
    startupSwitch_->setAccessibleName(label->text());
    label->setBuddy(startupSwitch_);
    // The switch shows what the manager reads back, never the requested state.
    connect(startupSwitch_, &ToggleSwitch::toggleRequested, this,
            [this](bool on) { startupManager_.setEnabled(on); });
    row->addWidget(label);
    row->addStretch();
    row->addWidget(startupSwitch_);
    layout->addLayout(row);

    startupError_ = new ElidedLabel(Qt::ElideRight, 2, section);
    startupError_->setObjectName(QStringLiteral("startupError"));
    style::applyText(startupError_, TextStyle::caption2, Tone::red);
    layout->addWidget(startupError_);
    return section;
}

void ContentView::choosePreset(const Preset& preset) {
    widthString_ = std::to_string(preset.width);
    heightString_ = std::to_string(preset.height);
    widthField_->setText(QString::fromStdString(widthString_));
    heightField_->setText(QString::fromStdString(heightString_));
    beginResize(static_cast<double>(preset.width), static_cast<double>(preset.height));
}

void ContentView::resizeToTypedSize() {
    const auto width = parseDimension(widthString_);
    if (!width) return;
    const auto height = parseDimension(heightString_);
    if (!height) return;
    beginResize(*width, *height);
}

void ContentView::beginResize(double width, double height) {
    isResizing_ = true;
    render();
    const auto& target = windowManager_.activeWindowInfo.get();
    const auto pid = target ? std::optional<Pid>(target->pid) : std::nullopt;
    windowManager_.resizeActiveWindow(pid, width, height);
    // Each start has its own reset; none is cancelled, the first one ends the state.
    queue_.postAfter(resetDelaySeconds, [self = QPointer(this)] {
        if (self) self->resetAfterResize();
    });
}

void ContentView::resetAfterResize() {
    isResizing_ = false;
    render();
    windowManager_.fetchActiveWindowInfo();
}

void ContentView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Spontaneous show events repeat what the window system already did.
    if (event->spontaneous()) return;
    if (!activation_) {
        activation_ = connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
                              [this](Qt::ApplicationState state) {
                                  if (state == Qt::ApplicationActive) {
                                      windowManager_.fetchActiveWindowInfo();
                                  }
                              });
    }
    windowManager_.fetchActiveWindowInfo();
}

void ContentView::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) return;
    disconnect(activation_);
    activation_ = {};
}

void ContentView::render() {
    renderTarget();
    const bool hasTarget = windowManager_.activeWindowInfo.get().has_value();
    resizeButton_->setEnabled(!isResizing_ && hasTarget);
    resizingText_->setVisible(isResizing_);
    note_->setVisible(!isResizing_);

    startupSwitch_->setChecked(startupManager_.isEnabled.get());
    const auto& error = startupManager_.lastError.get();
    startupError_->setFullText(error ? QString::fromStdString(*error) : QString());
    startupError_->setVisible(error.has_value());

    debug_->setAuthorized(accessibilityManager_.isAuthorized.get());
}

void ContentView::renderTarget() {
    const auto& target = windowManager_.activeWindowInfo.get();
    card_->setCurrentIndex(target ? 0 : 1);
    if (!target) return;
    const QPixmap pixmap = target->appIcon ? appicon::toPixmap(*target->appIcon) : QPixmap();
    icon_->setVisible(!pixmap.isNull());
    if (!pixmap.isNull()) {
        QPixmap fitted = pixmap.scaled(QSize(iconSize, iconSize) * devicePixelRatioF(),
                                       Qt::KeepAspectRatio, Qt::SmoothTransformation);
        fitted.setDevicePixelRatio(devicePixelRatioF());
        icon_->setPixmap(fitted);
    }
    appName_->setFullText(oneLineText(QString::fromStdString(target->appName)));
    windowTitle_->setFullText(oneLineText(QString::fromStdString(target->windowTitle)));
}

}  // namespace varnic
