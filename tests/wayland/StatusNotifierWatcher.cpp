// A stand-in for a desktop panel's tray on the session bus: the watcher that
// items register with, saying a host shows them. It prints "ready" once it owns
// its name, then "item SERVICE PATH" for each item that registers; it runs
// until it is ended.
#include <QCoreApplication>
#include <QDBusConnection>
#include <iostream>

namespace {

// Its property is part of the introspection data, which is how Qt reads it.
class StatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)

  public:
    bool hostRegistered() const { return true; }

  public slots:
    // Varnic registers its bus name; the item is then at /StatusNotifierItem.
    void RegisterStatusNotifierItem(const QString& service) {
        std::cout << "item " << service.toStdString() << " /StatusNotifierItem" << std::endl;
    }
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
