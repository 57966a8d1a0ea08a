#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>

#include "platform/kwin/KWinAnswers.h"
#include "platform/kwin/KWinFeed.h"

namespace varnic {

// The D-Bus object Varnic's KWin scripts report to. It lives on a thread of
// its own so that reports arrive while the main thread waits for one. Calls
// from anyone but the KWin the scripts were loaded into are ignored.
class KWinReceiver : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.varnic.KWinReports")

  public:
    static constexpr const char* path = "/io/github/varnic/KWinReports";
    static constexpr const char* interface = "io.github.varnic.KWinReports";

    KWinReceiver(KWinFeed& feed, KWinAnswers& answers) : feed_(feed), answers_(answers) {}

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

    KWinFeed& feed_;
    KWinAnswers& answers_;
};

}  // namespace varnic
