#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>

namespace varnic::sni {

// Tells when a StatusNotifierItem host becomes usable after start-up: a
// session may start Varnic before its panel, whose watcher then comes, and
// whose host registers with the watcher a moment later.
class HostArrival : public QObject {
    Q_OBJECT

  public:
    explicit HostArrival(QDBusConnection bus);

  signals:
    void arrived();

  private slots:
    void check();

  private:
    QDBusConnection bus_;
    QDBusServiceWatcher watcher_;
};

}  // namespace varnic::sni
