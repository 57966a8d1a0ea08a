#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QPoint>
#include <memory>

#include "platform/sni/MenuExporter.h"
#include "platform/sni/StatusNotifierItem.h"

class QIcon;
class QMenu;

namespace varnic::sni {

// Varnic's tray icon on a StatusNotifierItem host: the item and its exported
// menu on the session bus under a name of their own, registered with
// org.kde.StatusNotifierWatcher, and again whenever a watcher comes (a panel
// restarting takes its watcher along).
class StatusNotifierTray : public QObject {
    Q_OBJECT

  public:
    static inline const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
    static inline const QString watcherPath = QStringLiteral("/StatusNotifierWatcher");

    // True when a watcher with a registered host is on the bus: only then is
    // an item shown. Asks with a bounded wait.
    static bool hostAvailable(const QDBusConnection& bus);
    // True when GNOME Shell owns the watcher: its AppIndicator extension draws
    // the menu on a left click and sends no Activate.
    static bool watcherIsGnomeShell(const QDBusConnection& bus);

    // Registers with the watcher on the next turn of the event loop.
    StatusNotifierTray(QDBusConnection bus, const QString& title, const QIcon& icon);
    ~StatusNotifierTray() override;

    // Exports menu (not owned) as the icon's menu in place of the last one.
    void setMenu(QMenu* menu) { exporter_->setMenu(menu); }
    // False when the bus refused the item's name or objects.
    bool exported() const { return exported_; }

  signals:
    void activated(QPoint click);
    void contextMenuRequested(QPoint click);

  private slots:
    void itemUnregistered(const QString& item);

  private:
    static constexpr int maxReRegistrations = 3;
    static constexpr int reRegisterDelayMillis = 1000;

    void registerWithWatcher();

    QDBusConnection bus_;
    QString service_;
    std::unique_ptr<StatusNotifierItem> item_;
    std::unique_ptr<MenuExporter> exporter_;
    QDBusServiceWatcher watcher_;
    bool exported_ = false;
    int reRegistrations_ = 0;
};

}  // namespace varnic::sni
