#pragma once

#include <QDBusContext>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "platform/kwin/KWinMirror.h"

namespace varnic {

class XcbConnection;

// The D-Bus object Varnic's KWin scripts report to. It lives on a thread of
// its own so that reports arrive while the main thread waits for one. Calls
// from anyone but the KWin the scripts were loaded into are ignored.
class KWinReceiver : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.varnic.KWinReports")

  public:
    static constexpr const char* path = "/io/github/varnic/KWinReports";
    static constexpr const char* interface = "io.github.varnic.KWinReports";

    // activated runs on the receiver's thread when the active window may
    // have changed.
    KWinReceiver(KWinMirror& mirror, std::function<void()> activated);
    ~KWinReceiver() override;

  public slots:
    Q_NOREPLY void Window(const QString& record, const QString& caption);
    Q_NOREPLY void Removed(const QString& id);
    Q_NOREPLY void Activated(const QString& id);
    Q_NOREPLY void Ready(const QString& listName);
    Q_NOREPLY void Resized(const QString& answer);
    // org.freedesktop.DBus NameOwnerChanged for org.kde.KWin: a KWin that
    // quits or restarts takes every window and the script with it.
    void kwinOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

  private:
    bool fromKWin() const;
    XcbConnection* xwayland();
    Pid x11Pid(const KWinWindowRecord& record);
    void clientListEvents();

    KWinMirror& mirror_;
    std::function<void()> activated_;
    // XWayland clients that do not name their pid are asked about on the X
    // server itself, once per window.
    std::unique_ptr<XcbConnection> xwayland_;
    std::unique_ptr<QSocketNotifier> xwaylandEvents_;
    std::map<std::string, Pid> x11Pids_;
    std::set<std::string> unresolved_;
};

}  // namespace varnic
