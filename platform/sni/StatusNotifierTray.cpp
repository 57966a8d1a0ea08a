#include "platform/sni/StatusNotifierTray.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QTimer>

#include "support/Log.h"

namespace varnic::sni {
namespace {

const QString itemPath = QStringLiteral("/StatusNotifierItem");
const QString menuPath = QStringLiteral("/MenuBar");
constexpr int callTimeoutMillis = 2000;

}  // namespace

bool StatusNotifierTray::hostAvailable(const QDBusConnection& bus) {
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcherService)) return false;
    auto get = QDBusMessage::createMethodCall(watcherService, watcherPath,
                                              QStringLiteral("org.freedesktop.DBus.Properties"),
                                              QStringLiteral("Get"));
    get << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    const auto reply = bus.call(get, QDBus::Block, callTimeoutMillis);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

bool StatusNotifierTray::watcherIsGnomeShell(const QDBusConnection& bus) {
    if (!bus.isConnected()) return false;
    const auto watcher = bus.interface()->serviceOwner(watcherService);
    const auto shell = bus.interface()->serviceOwner(QStringLiteral("org.gnome.Shell"));
    return watcher.isValid() && shell.isValid() && !watcher.value().isEmpty() &&
           watcher.value() == shell.value();
}

StatusNotifierTray::StatusNotifierTray(QDBusConnection bus, const QString& title, const QIcon& icon)
    : bus_(std::move(bus)),
      service_(QStringLiteral("org.kde.StatusNotifierItem-%1-1")
                   .arg(QCoreApplication::applicationPid())),
      item_(std::make_unique<StatusNotifierItem>(title, icon, menuPath)),
      exporter_(std::make_unique<MenuExporter>()),
      watcher_(watcherService, bus_, QDBusServiceWatcher::WatchForRegistration) {
    registerTypes();
    connect(item_.get(), &StatusNotifierItem::activated, this, &StatusNotifierTray::activated);
    connect(item_.get(), &StatusNotifierItem::contextMenuRequested, this,
            &StatusNotifierTray::contextMenuRequested);
    const auto calls = QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties;
    exported_ =
        bus_.registerObject(itemPath, item_.get(),
                            calls | QDBusConnection::ExportScriptableSignals) &&
        bus_.registerObject(menuPath, exporter_.get(), calls | QDBusConnection::ExportAllSignals) &&
        bus_.registerService(service_);
    if (!exported_) {
        Log::write("Tray: the session bus refused Varnic's StatusNotifierItem");
        return;
    }
    // A new watcher is a new host, which may drop the item again as it starts.
    connect(&watcher_, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        reRegistrations_ = 0;
        registerWithWatcher();
    });
    bus_.connect(watcherService, watcherPath, watcherService,
                 QStringLiteral("StatusNotifierItemUnregistered"), this,
                 SLOT(itemUnregistered(QString)));
    // On the next turn, once the owner has set the menu: a host reads the
    // menu as soon as the item registers.
    QTimer::singleShot(0, this, &StatusNotifierTray::registerWithWatcher);
}

// A host may drop an item it failed to set up (GNOME's AppIndicator extension
// does so for items that register while the shell is still busy starting):
// its icon is offered again, a few times for each host.
void StatusNotifierTray::itemUnregistered(const QString& item) {
    // Watchers name an item by its service or connection, with or without its
    // path: "NAME", "NAME/PATH" or "NAME@PATH" (:1.14 must not match :1.140).
    const auto names = [&item](const QString& name) {
        return item.startsWith(name) && (item.size() == name.size() || item[name.size()] == u'/' ||
                                         item[name.size()] == u'@');
    };
    if (!names(service_) && !names(bus_.baseService())) return;
    if (reRegistrations_ >= maxReRegistrations) return;
    ++reRegistrations_;
    QTimer::singleShot(reRegisterDelayMillis, this, &StatusNotifierTray::registerWithWatcher);
}

StatusNotifierTray::~StatusNotifierTray() {
    bus_.unregisterService(service_);
    bus_.unregisterObject(menuPath);
    bus_.unregisterObject(itemPath);
}

// Asynchronous: a watcher that does not answer must not hold the tray.
// GNOME's AppIndicator host watches an item registered by bus name, and when
// that watch reports the owner after the item's properties have arrived, it
// clears them and fails on the refresh, dropping the item (seen under load).
// Registered by object path, the item is known by its connection: no watch.
void StatusNotifierTray::registerWithWatcher() {
    auto call = QDBusMessage::createMethodCall(watcherService, watcherPath, watcherService,
                                               QStringLiteral("RegisterStatusNotifierItem"));
    call << (watcherIsGnomeShell(bus_) ? itemPath : service_);
    bus_.asyncCall(call, callTimeoutMillis);
}

}  // namespace varnic::sni
