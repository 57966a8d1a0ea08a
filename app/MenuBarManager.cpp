#include "app/MenuBarManager.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "platform/sni/HostArrival.h"
#include "platform/sni/StatusNotifierTray.h"
#include "support/Log.h"
#include "views/Glyphs.h"
#include "windows/WindowManager.h"

namespace varnic {
namespace {

// A tray click that closed the panel by taking its activation arrives this soon after.
constexpr qint64 reopenGuardMillis = 250;
// A host's click position farther than this from the pointer is not a global one.
constexpr int nearPointer = 64;

QString presetTitle(const Preset& preset) {
    return QString::fromStdString(preset.name) +
           QStringLiteral(" (%1x%2)").arg(preset.width).arg(preset.height);
}

QList<QRect> screenGeometries() {
    QList<QRect> geometries;
    for (const QScreen* screen : QGuiApplication::screens()) geometries << screen->geometry();
    return geometries;
}

}  // namespace

MenuBarManager::MenuBarManager() : popover_(std::make_unique<PopoverWindow>()) {
    const auto bus = QDBusConnection::sessionBus();
    if (!showOnStatusNotifierHost(bus)) {
        showEmbeddedIcon();
        // A panel started after Varnic brings its host later: the icon moves
        // there, where GNOME's extension, for one, expects it once a host is.
        hostArrival_ = std::make_unique<sni::HostArrival>(bus);
        connect(hostArrival_.get(), &sni::HostArrival::arrived, this, [this] {
            // The watcher's coming and its host's registration may both tell
            // of it: one item, whose bus name a second would take away.
            if (sniTray_ || !showOnStatusNotifierHost(QDBusConnection::sessionBus())) return;
            statusItem_.reset();
            hostArrival_->disconnect(this);
            hostArrival_.release()->deleteLater();
            Log::write("Tray: a StatusNotifierItem host came; Varnic's icon is shown there");
        });
    }
    connect(popover_.get(), &PopoverWindow::closedByDeactivation, this,
            [this] { sinceDeactivationClose_.start(); });
    connect(popover_.get(), &PopoverWindow::panelResized, this, [this] {
        // A resize told while the panel is being placed is in that placement.
        if (!placing_) place();
    });
}

MenuBarManager::~MenuBarManager() = default;

bool MenuBarManager::showOnStatusNotifierHost(const QDBusConnection& bus) {
    if (!sni::StatusNotifierTray::hostAvailable(bus)) return false;
    auto tray = std::make_unique<sni::StatusNotifierTray>(bus, QStringLiteral("Varnic"),
                                                          glyphs::trayIcon());
    if (!tray->exported()) return false;
    sniTray_ = std::move(tray);
    menuOpensPanel_ = sni::StatusNotifierTray::watcherIsGnomeShell(bus);
    connect(sniTray_.get(), &sni::StatusNotifierTray::activated, this,
            [this](QPoint click) { togglePopover(click); });
    connect(sniTray_.get(), &sni::StatusNotifierTray::contextMenuRequested, this,
            [this](QPoint click) { showContextMenu(click); });
    exportMenu();
    return true;
}

void MenuBarManager::showEmbeddedIcon() {
    statusItem_ = std::make_unique<QSystemTrayIcon>();
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
    statusItem_->show();
}

void MenuBarManager::setup(std::shared_ptr<AccessibilityManager> accessibilityManager,
                           ContentFactory content) {
    accessibilityManager_ = std::move(accessibilityManager);
    content_ = std::move(content);
}

void MenuBarManager::setMenuOpensPanel(bool opens) {
    if (opens == menuOpensPanel_) return;
    menuOpensPanel_ = opens;
    exportMenu();
}

void MenuBarManager::togglePopover(std::optional<QPoint> click) {
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
    const bool iconKnown = statusItem_ && !statusItem_->geometry().isEmpty();
    anchor_ = !iconKnown && click && clickUsable(*click, std::nullopt, screenGeometries())
                  ? click
                  : std::nullopt;
    popover_->open(popoverPosition(anchor_));
    if (iconKnown) return;
    // The item's host keeps the icon's place to itself: the panel goes beside
    // the click or the pointer, where the compositor says they are. Asked once
    // the display has mapped the panel (its first exposure), which happens
    // only while the event loop runs.
    pendingClick_ = click;
    placementPending_ = true;
    popover_->windowHandle()->installEventFilter(this);
}

bool MenuBarManager::eventFilter(QObject* watched, QEvent* event) {
    if (placementPending_ && event->type() == QEvent::Expose &&
        watched == popover_->windowHandle() && popover_->windowHandle()->isExposed()) {
        placementPending_ = false;
        watched->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] {
            if (!popover_->isVisible()) return;
            placing_ = true;
            anchor_ = anchorFor(pendingClick_);
            place();
        });
    }
    return QObject::eventFilter(watched, event);
}

void MenuBarManager::place() {
    placing_ = true;
    placer_->placeOwnWindow(*popover_, popoverPosition(anchor_));
    placing_ = false;
}

std::optional<QPoint> MenuBarManager::anchorFor(std::optional<QPoint> click) {
    const auto pointer = placer_->pointerPosition(*popover_);
    if (click && clickUsable(*click, pointer, screenGeometries())) return click;
    return pointer;
}

bool MenuBarManager::clickUsable(QPoint click, std::optional<QPoint> pointer,
                                 const QList<QRect>& screens) {
    if (click.isNull()) return false;
    if (std::none_of(screens.begin(), screens.end(),
                     [click](const QRect& screen) { return screen.contains(click); })) {
        return false;
    }
    return !pointer || (click - *pointer).manhattanLength() <= nearPointer;
}

QPoint MenuBarManager::popoverPosition(std::optional<QPoint> anchor) const {
    const QRect icon = statusItem_ ? statusItem_->geometry() : QRect();
    const QPoint cursor = anchor.value_or(QCursor::pos());
    const QPoint centre = icon.isEmpty() ? cursor : icon.center();
    const QScreen* screen = QGuiApplication::screenAt(centre);
    if (!screen) screen = QGuiApplication::primaryScreen();
    // Some window managers frame even a frameless window (awesome draws a
    // border); the framed size is what has to fit on the screen.
    const QSize framed =
        popover_->panelSize() + (popover_->frameGeometry().size() - popover_->size());
    const QRect area = screen ? screen->availableGeometry() : QRect(centre, framed);
    return placePopover(icon, cursor, area, framed);
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

QMenu* MenuBarManager::buildMenu(const std::vector<Preset>& presets) {
    auto* menu = new QMenu;
    // Entries act on the next turn of the event loop, not inside the menu's
    // own activation: waiting on the window manager, Varnic handles input, and
    // that input may close and delete the menu while it is still activating.
    if (menuOpensPanel_) {
        connect(menu->addAction(QStringLiteral("Open Varnic")), &QAction::triggered, this,
                [this] { QTimer::singleShot(0, this, [this] { togglePopover(); }); });
    }
    auto* presetsMenu = menu->addMenu(QStringLiteral("Resize to..."));
    for (const auto& preset : presets) {
        QAction* item = presetsMenu->addAction(presetTitle(preset));
        item->setData(QVariant::fromValue(preset));
        connect(item, &QAction::triggered, this, [this, item] { resizeToPreset(item); });
    }
    menu->addSeparator();
    QAction* quit = menu->addAction(QStringLiteral("Quit"));
    quit->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    connect(quit, &QAction::triggered, this, &MenuBarManager::quitApp);
    return menu;
}

// Hosts fetch the exported menu before any click, so it is made at start-up
// from the fixed presets, leaving the window manager to its first use.
void MenuBarManager::exportMenu() {
    if (!sniTray_) return;
    exportedMenu_.reset(buildMenu(standardPresets()));
    sniTray_->setMenu(exportedMenu_.get());
}

void MenuBarManager::showContextMenu(std::optional<QPoint> click) {
    QMenu* menu = buildMenu(WindowManager::shared().presets());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const bool atClick = click && clickUsable(*click, std::nullopt, screenGeometries());
    menu->popup(atClick ? *click : QCursor::pos());
}

void MenuBarManager::resizeToPreset(const QAction* item) {
    if (!item || !item->data().canConvert<Preset>()) return;
    // The preset is copied now: by the next turn the item may be gone.
    QTimer::singleShot(0, this, [preset = item->data().value<Preset>()] {
        WindowManager::shared().resizeActiveWindow(std::nullopt, static_cast<double>(preset.width),
                                                   static_cast<double>(preset.height));
    });
}

void MenuBarManager::quitApp() {
    QCoreApplication::quit();
}

}  // namespace varnic
