#include "platform/gnome/ShellWindowFeed.h"

#include <QDBusPendingCallWatcher>
#include <string>

#include "platform/gnome/ExtensionBus.h"
#include "platform/mirror/ResponsiveDBus.h"

namespace varnic {
namespace {

// The list is asked for again when the extension (re)appears; a shell busy
// starting up may take a moment to answer.
constexpr int listTimeoutMs = 3000;

QDBusMessage listWindowsCall() {
    return QDBusMessage::createMethodCall(gnome::extensionName, gnome::extensionPath,
                                          gnome::extensionInterface, QStringLiteral("ListWindows"));
}

MirrorWindow mirrored(const ShellWindow& window) {
    MirrorWindow mirrored;
    mirrored.id = std::to_string(window.id);
    mirrored.number = static_cast<std::int64_t>(window.id & 0x7fffffffffffffffULL);
    if (window.pid != 0) mirrored.pid = window.pid;
    mirrored.appName = window.app.toStdString();
    mirrored.title = window.title.toStdString();
    mirrored.frame = {double(window.frame.x()), double(window.frame.y()),
                      double(window.frame.width()), double(window.frame.height())};
    mirrored.normal = window.normal;
    mirrored.minimized = window.minimized;
    return mirrored;
}

}  // namespace

ShellWindowFeed::ShellWindowFeed(QDBusConnection bus, WindowMirror& mirror)
    : bus_(std::move(bus)),
      mirror_(mirror),
      watcher_(gnome::extensionName, bus_, QDBusServiceWatcher::WatchForOwnerChange) {
    // Signals are taken only from the owner of the extension's name, which
    // the feed follows itself: it knows of a new owner as soon as that owner
    // answered, before the bus's own notice arrives.
    bus_.connect(QString(), gnome::extensionPath, gnome::extensionInterface,
                 QStringLiteral("WindowsChanged"), this, SLOT(windowsChanged(QDBusMessage)));
    bus_.connect(QString(), gnome::extensionPath, gnome::extensionInterface,
                 QStringLiteral("FocusChanged"), this, SLOT(focusChanged(QDBusMessage)));
    connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &ShellWindowFeed::ownerChanged);
    requestList();
}

bool ShellWindowFeed::sync(int timeoutMs) {
    const auto reply = ResponsiveDBus::call(bus_, listWindowsCall(), timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) return false;
    const auto windows = shellwindow::fromMessage(reply);
    if (!windows) return false;
    owner_ = reply.service();
    replace(*windows);
    return true;
}

void ShellWindowFeed::requestList() {
    auto* pending =
        new QDBusPendingCallWatcher(bus_.asyncCall(listWindowsCall(), listTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (call->isError()) return;
                const auto reply = call->reply();
                if (const auto windows = shellwindow::fromMessage(reply)) {
                    owner_ = reply.service();
                    replace(*windows);
                }
            });
}

void ShellWindowFeed::ownerChanged(const QString&, const QString&, const QString& newOwner) {
    owner_ = newOwner;
    synced_ = false;
    mirror_.cleared();
    if (!newOwner.isEmpty()) requestList();
    if (onFocus_) onFocus_();
}

void ShellWindowFeed::windowsChanged(const QDBusMessage& message) {
    if (message.service() != owner_ || owner_.isEmpty()) return;
    if (const auto windows = shellwindow::fromMessage(message)) replace(*windows);
}

void ShellWindowFeed::focusChanged(const QDBusMessage& message) {
    const auto arguments = message.arguments();
    if (message.service() != owner_ || owner_.isEmpty()) return;
    if (message.signature() != QLatin1String("t") || arguments.size() != 1) return;
    const auto id = arguments.front().toULongLong();
    mirror_.focused(id == 0 ? std::string() : std::to_string(id));
    if (onFocus_) onFocus_();
}

// The extension lists windows topmost first, which is the mirror's order.
void ShellWindowFeed::replace(const std::vector<ShellWindow>& windows) {
    WindowMirror::Windows list;
    std::string focused;
    for (const auto& window : windows) {
        list.push_back(mirrored(window));
        if (window.focused) focused = list.back().id;
    }
    mirror_.replaced(std::move(list), focused);
    synced_ = true;
    if (onFocus_) onFocus_();
}

}  // namespace varnic
