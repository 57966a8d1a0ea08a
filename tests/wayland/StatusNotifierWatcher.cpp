// A stand-in for a desktop panel's tray on the session bus, for tests of the
// item alone: the watcher that items register with, with a host that shows
// them. It prints "ready" once it owns its name, then "item SERVICE PATH" for
// each item that registers; it runs until it is ended.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QStringList>
#include <iostream>

namespace {

// Its properties are part of the introspection data, which is how Qt reads them.
class StatusNotifierWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER registered_)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

  public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

  public slots:
    // Items register either their bus name (the object is then at
    // /StatusNotifierItem) or an object path on the caller's own connection.
    void RegisterStatusNotifierItem(const QString& serviceOrPath) {
        const bool path = serviceOrPath.startsWith(QLatin1Char('/'));
        const auto service = path ? message().service() : serviceOrPath;
        const auto object = path ? serviceOrPath : QStringLiteral("/StatusNotifierItem");
        if (!registered_.contains(service + object)) registered_.append(service + object);
        emit StatusNotifierItemRegistered(service + object);
        std::cout << "item " << service.toStdString() << " " << object.toStdString() << std::endl;
    }
    void RegisterStatusNotifierHost(const QString&) { emit StatusNotifierHostRegistered(); }

  signals:
    void StatusNotifierItemRegistered(const QString& item);
    void StatusNotifierItemUnregistered(const QString& item);
    void StatusNotifierHostRegistered();

  private:
    QStringList registered_;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    auto bus = QDBusConnection::sessionBus();
    StatusNotifierWatcher watcher;
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher,
                            QDBusConnection::ExportAllContents) ||
        !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::cerr << "cannot own org.kde.StatusNotifierWatcher" << std::endl;
        return 1;
    }
    std::cout << "ready" << std::endl;
    return QCoreApplication::exec();
}

#include "StatusNotifierWatcher.moc"
