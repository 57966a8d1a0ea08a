#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <functional>
#include <vector>

#include "platform/gnome/ShellWindow.h"

namespace varnic {

// Varnic's copy of the extension's window list, kept current by its signals
// so that reading it costs no round trip. It is valid only while the
// extension owns its bus name and has answered since it took it.
class WindowMirror : public QObject {
    Q_OBJECT

  public:
    explicit WindowMirror(QDBusConnection bus);

    bool synced() const { return synced_; }
    // Asks the extension for its list now, waiting at most timeoutMs.
    bool sync(int timeoutMs);

    // Topmost first.
    const std::vector<ShellWindow>& windows() const { return windows_; }
    const ShellWindow* find(std::uint64_t id) const;
    const ShellWindow* focused() const;
    // A frame learnt from a resize, before the extension's signal says it.
    void setFrame(std::uint64_t id, const QRect& frame);

    // Runs after every change that may have moved the focus.
    void setFocusHandler(std::function<void()> handler) { onFocus_ = std::move(handler); }

  private slots:
    void windowsChanged(const QDBusMessage& message);
    void focusChanged(const QDBusMessage& message);
    void ownerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

  private:
    void replace(std::vector<ShellWindow> windows);
    void requestList();

    QDBusConnection bus_;
    QDBusServiceWatcher watcher_;
    // The unique bus name of the extension's connection; empty when unknown.
    QString owner_;
    std::vector<ShellWindow> windows_;
    std::uint64_t focusedId_ = 0;
    bool synced_ = false;
    std::function<void()> onFocus_;
};

}  // namespace varnic
