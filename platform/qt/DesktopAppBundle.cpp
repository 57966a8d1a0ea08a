#include "platform/qt/DesktopAppBundle.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>

#include "platform/proc/ProcessInfo.h"

namespace varnic {
namespace {

void openContainingFolder(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}

}  // namespace

// The application ID, which names the desktop entry, the icon and the metadata.
std::optional<std::string> DesktopAppBundle::bundleIdentifier() {
    const QString id = QGuiApplication::desktopFileName();
    if (id.isEmpty()) return std::nullopt;
    return id.toStdString();
}

std::string DesktopAppBundle::bundlePath() {
    if (auto path = ProcessInfo::ownExecutablePath()) return *path;
    return QCoreApplication::applicationFilePath().toStdString();
}

void DesktopAppBundle::reveal() {
    const auto path = QString::fromStdString(bundlePath());
    auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        openContainingFolder(path);
        return;
    }
    // The freedesktop file manager interface selects the item; it is asked
    // asynchronously so that a slow or absent file manager never blocks the panel.
    auto call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1",
                                               "/org/freedesktop/FileManager1",
                                               "org.freedesktop.FileManager1", "ShowItems");
    call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [path](QDBusPendingCallWatcher* finished) {
                         if (QDBusPendingReply<>(*finished).isError()) openContainingFolder(path);
                         finished->deleteLater();
                     });
}

}  // namespace varnic
