#include "app/MenuBarManager.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <algorithm>

#include "views/Glyphs.h"
#include "windows/WindowManager.h"

namespace varnic {
namespace {

// A tray click that closed the panel by taking its activation arrives this soon after.
constexpr qint64 reopenGuardMillis = 250;

QString presetTitle(const Preset& preset) {
    return QString::fromStdString(preset.name) +
           QStringLiteral(" (%1x%2)").arg(preset.width).arg(preset.height);
}

}  // namespace

MenuBarManager::MenuBarManager()
    : statusItem_(std::make_unique<QSystemTrayIcon>()),
      popover_(std::make_unique<PopoverWindow>()) {
    statusItem_->setIcon(glyphs::trayIcon());
    statusItem_->setToolTip(QStringLiteral("Varnic"));
    connect(statusItem_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Context) {
                    showContextMenu();
                } else if (reason == QSystemTrayIcon::Trigger ||
                           reason == QSystemTrayIcon::DoubleClick) {
                    // A quick second click arrives as a double click; it
                    // still toggles the panel.
                    togglePopover();
                }
            });
    connect(popover_.get(), &PopoverWindow::closedByDeactivation, this,
            [this] { sinceDeactivationClose_.start(); });
    connect(popover_.get(), &PopoverWindow::panelResized, this,
            [this] { popover_->move(popoverPosition()); });
    statusItem_->show();
}

MenuBarManager::~MenuBarManager() = default;

void MenuBarManager::setup(std::shared_ptr<AccessibilityManager> accessibilityManager,
                           ContentFactory content) {
    accessibilityManager_ = std::move(accessibilityManager);
    content_ = std::move(content);
}

void MenuBarManager::togglePopover() {
    if (popover_->isVisible()) {
        popover_->hide();
        return;
    }
    // Only a click that a tray host relays (StatusNotifierItem) can be the one
    // that just closed the panel by taking its activation. A press on Varnic's
    // own icon (XEmbed) is handled after any focus change it caused, with the
    // panel still shown, so it is always a new click and is never swallowed.
    const bool relayed = QGuiApplication::mouseButtons() == Qt::NoButton;
    if (relayed && sinceDeactivationClose_.isValid() &&
        sinceDeactivationClose_.elapsed() < reopenGuardMillis) {
        return;
    }
    if (accessibilityManager_) accessibilityManager_->checkPermission();
    if (content_) {
        popover_->setContent(content_(popover_.get()));
        content_ = nullptr;
    }
    popover_->open(popoverPosition());
}

QPoint MenuBarManager::popoverPosition() const {
    const QRect icon = statusItem_->geometry();
    const QPoint anchor = icon.isEmpty() ? QCursor::pos() : icon.center();
    const QScreen* screen = QGuiApplication::screenAt(anchor);
    if (!screen) screen = QGuiApplication::primaryScreen();
    // Some window managers frame even a frameless window (awesome draws a
    // border); the framed size is what has to fit on the screen.
    const QSize framed =
        popover_->panelSize() + (popover_->frameGeometry().size() - popover_->size());
    const QRect area = screen ? screen->availableGeometry() : QRect(anchor, framed);
    return placePopover(icon, anchor, area, framed);
}

QPoint MenuBarManager::placePopover(const QRect& icon, QPoint cursor, const QRect& area,
                                    QSize size) {
    const QPoint anchor = icon.isEmpty() ? cursor : icon.center();
    const bool below = anchor.y() < area.center().y();
    const int gap = icon.isEmpty() ? 0 : icon.height() / 2 + 2;
    const int x = anchor.x() - size.width() / 2;
    const int y = below ? anchor.y() + gap : anchor.y() - gap - size.height();
    return {std::clamp(x, area.left(), std::max(area.left(), area.right() + 1 - size.width())),
            std::clamp(y, area.top(), std::max(area.top(), area.bottom() + 1 - size.height()))};
}

void MenuBarManager::showContextMenu() {
    auto* menu = new QMenu;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto* presets = menu->addMenu(QStringLiteral("Resize to..."));
    for (const auto& preset : WindowManager::shared().presets()) {
        QAction* item = presets->addAction(presetTitle(preset));
        item->setData(QVariant::fromValue(preset));
        connect(item, &QAction::triggered, this, [this, item] { resizeToPreset(item); });
    }
    menu->addSeparator();
    QAction* quit = menu->addAction(QStringLiteral("Quit"));
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    connect(quit, &QAction::triggered, this, &MenuBarManager::quitApp);
    menu->popup(QCursor::pos());
}

void MenuBarManager::resizeToPreset(const QAction* item) {
    if (!item || !item->data().canConvert<Preset>()) return;
    const auto preset = item->data().value<Preset>();
    WindowManager::shared().resizeActiveWindow(std::nullopt, static_cast<double>(preset.width),
                                               static_cast<double>(preset.height));
}

void MenuBarManager::quitApp() {
    QCoreApplication::quit();
}

}  // namespace varnic
