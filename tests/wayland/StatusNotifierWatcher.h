#pragma once

#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <functional>

namespace varnic::testing {

// The part of a desktop panel that tray programs talk to: the watcher that
// items register with, with a host that shows them. Exported at
// /StatusNotifierWatcher as org.kde.StatusNotifierWatcher; its properties are
// part of the introspection data, which is how Qt reads them.
class StatusNotifierWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

  public:
    // The bus name and object path of an item that registered.
    struct Item {
        QString service;
        QString path;
    };
    using RegistrationHandler = std::function<void(const Item&)>;

    explicit StatusNotifierWatcher(RegistrationHandler onRegistered)
        : onRegistered_(std::move(onRegistered)) {}

    QStringList registeredItems() const { return registered_; }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

  public slots:
    void RegisterStatusNotifierItem(const QString& serviceOrPath);
    void RegisterStatusNotifierHost(const QString& service);

  signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

  private:
    RegistrationHandler onRegistered_;
    QStringList registered_;
};

}  // namespace varnic::testing
