#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <functional>
#include <vector>

#include "platform/gnome/ShellWindow.h"
#include "platform/mirror/WindowMirror.h"

namespace varnic {

// Feeds the mirror from the extension's window list and its signals, so that
// reading it costs no round trip. The mirror is current only while the
// extension owns its bus name and has answered since it took it.
class ShellWindowFeed : public QObject {
    Q_OBJECT

  public:
    ShellWindowFeed(QDBusConnection bus, WindowMirror& mirror);

    bool synced() const { return synced_; }
    // Asks the extension for its list now, waiting at most timeoutMs.
    bool sync(int timeoutMs);

    // Runs after every change that may have moved the focus.
    void setFocusHandler(std::function<void()> handler) { onFocus_ = std::move(handler); }

  private slots:
    void windowsChanged(const QDBusMessage& message);
    void focusChanged(const QDBusMessage& message);
    void ownerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

  private:
    void replace(const std::vector<ShellWindow>& windows);
    void requestList();

    QDBusConnection bus_;
    WindowMirror& mirror_;
    QDBusServiceWatcher watcher_;
    // The unique bus name of the extension's connection; empty when unknown.
    QString owner_;
    bool synced_ = false;
    std::function<void()> onFocus_;
};

}  // namespace varnic
