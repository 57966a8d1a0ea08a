#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "app/PopoverWindow.h"
#include "permissions/AccessibilityManager.h"
#include "platform/qt/PanelPlacer.h"
#include "platform/qt/X11PanelPlacer.h"
#include "windows/Preset.h"

class QAction;
class QDBusConnection;
class QMenu;
class QWidget;

namespace varnic {

namespace sni {
class HostArrival;
class StatusNotifierTray;
}  // namespace sni

// Varnic's only presence on screen: the tray icon, its panel ("popover") and
// its menu. Where a StatusNotifierItem host runs, the icon is Varnic's own
// item and the host draws the exported menu; on XEmbed trays it is Qt's icon
// and the menu is built afresh on every right click.
class MenuBarManager : public QObject {
    Q_OBJECT

  public:
    using ContentFactory = std::function<QWidget*(QWidget* parent)>;

    MenuBarManager();
    ~MenuBarManager() override;

    // Keeps what the panel's content is made of; the content itself is made
    // at the first opening, and every opening shows the same content.
    void setup(std::shared_ptr<AccessibilityManager> accessibilityManager, ContentFactory content);
    // How the panel reaches the pointer's place (not owned; it outlives the
    // controller). Without one, Varnic places its windows itself as on X11.
    void setPanelPlacer(PanelPlacer* placer) { placer_ = placer; }
    // Puts an entry that opens the panel first in the exported menu: for
    // hosts that show the menu on a left click and never send Activate.
    void setMenuOpensPanel(bool opens);
    bool menuOpensPanel() const { return menuOpensPanel_; }

    // click: where the host says the user clicked, when it says so.
    void togglePopover(std::optional<QPoint> click = std::nullopt);
    void showContextMenu(std::optional<QPoint> click = std::nullopt);
    // A preset entry's action; it runs on the next turn of the event loop.
    void resizeToPreset(const QAction* item);
    void quitApp();

    PopoverWindow* popover() const { return popover_.get(); }
    // The menu the StatusNotifierItem exports; null on an XEmbed tray.
    QMenu* exportedMenu() const { return exportedMenu_.get(); }

    // Where a panel of the given size goes: next to the icon, on the side that
    // faces the screen's centre, always fully inside area. Hosts that hide the
    // icon's geometry (an empty rectangle) get the panel at the cursor.
    static QPoint placePopover(const QRect& icon, QPoint cursor, const QRect& area, QSize size);
    // Whether a host's click position is a global one: on a screen, and near
    // the pointer when the pointer is known (waybar 0.9 sends icon-local
    // positions, some hosts 0,0).
    static bool clickUsable(QPoint click, std::optional<QPoint> pointer,
                            const QList<QRect>& screens);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Shows the icon as Varnic's own item when a host is there to show it.
    bool showOnStatusNotifierHost(const QDBusConnection& bus);
    // Qt's icon, for XEmbed trays.
    void showEmbeddedIcon();
    QMenu* buildMenu(const std::vector<Preset>& presets);
    void exportMenu();
    QPoint popoverPosition(std::optional<QPoint> anchor) const;
    std::optional<QPoint> anchorFor(std::optional<QPoint> click);
    // Puts the panel beside anchor_ through the placer.
    void place();

    std::unique_ptr<QSystemTrayIcon> statusItem_;
    std::unique_ptr<sni::StatusNotifierTray> sniTray_;
    // Until a host comes, while the icon is Qt's.
    std::unique_ptr<sni::HostArrival> hostArrival_;
    std::unique_ptr<QMenu> exportedMenu_;
    std::unique_ptr<PopoverWindow> popover_;
    std::shared_ptr<AccessibilityManager> accessibilityManager_;
    ContentFactory content_;
    X11PanelPlacer ownPlacer_;
    PanelPlacer* placer_ = &ownPlacer_;
    bool menuOpensPanel_ = false;
    // True while the placer works: it may wait, and the event loop runs meanwhile.
    bool placing_ = false;
    // The click that opened the panel, until the display has mapped it.
    std::optional<QPoint> pendingClick_;
    bool placementPending_ = false;
    // Where the panel was last put beside; it follows the panel's resizes.
    std::optional<QPoint> anchor_;
    // The click on the tray icon that takes activation from the panel must not
    // reopen it at once.
    QElapsedTimer sinceDeactivationClose_;
};

}  // namespace varnic

// Preset menu items carry the whole preset.
Q_DECLARE_METATYPE(varnic::Preset)
