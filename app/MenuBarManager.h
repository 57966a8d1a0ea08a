#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "app/PopoverWindow.h"
#include "permissions/AccessibilityManager.h"
#include "windows/Preset.h"

class QAction;
class QWidget;

namespace varnic {

// Varnic's only presence on screen: the tray icon, its panel ("popover") and
// the context menu that is built afresh on every right click.
class MenuBarManager : public QObject {
    Q_OBJECT

  public:
    using ContentFactory = std::function<QWidget*(QWidget* parent)>;

    MenuBarManager();
    ~MenuBarManager() override;

    // Keeps what the panel's content is made of; the content itself is made
    // at the first opening, and every opening shows the same content.
    void setup(std::shared_ptr<AccessibilityManager> accessibilityManager, ContentFactory content);

    void togglePopover();
    void showContextMenu();
    void resizeToPreset(const QAction* item);
    void quitApp();

    PopoverWindow* popover() const { return popover_.get(); }

    // Where a panel of the given size goes: next to the icon, on the side that
    // faces the screen's centre, always fully inside area. Hosts that hide the
    // icon's geometry (an empty rectangle) get the panel at the cursor.
    static QPoint placePopover(const QRect& icon, QPoint cursor, const QRect& area, QSize size);

  private:
    void showPopover();
    QPoint popoverPosition() const;

    std::unique_ptr<QSystemTrayIcon> statusItem_;
    std::unique_ptr<PopoverWindow> popover_;
    std::shared_ptr<AccessibilityManager> accessibilityManager_;
    ContentFactory content_;
    // The click on the tray icon that takes activation from the panel must not
    // reopen it at once.
    QElapsedTimer sinceDeactivationClose_;
};

}  // namespace varnic

// Preset menu items carry the whole preset.
Q_DECLARE_METATYPE(varnic::Preset)
