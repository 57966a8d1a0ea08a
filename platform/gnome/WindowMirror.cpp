#include "platform/gnome/WindowMirror.h"

#include <QDBusPendingCallWatcher>
#include <algorithm>

#include "platform/gnome/ExtensionBus.h"

namespace varnic {
namespace {

// The list is asked for again when the extension (re)appears; a shell busy
// starting up may take a moment to answer.
constexpr int listTimeoutMs = 3000;

QDBusMessage listWindowsCall() {
    return QDBusMessage::createMethodCall(gnome::extensionName, gnome::extensionPath,
                                          gnome::extensionInterface, QStringLiteral("ListWindows"));
}

}  // namespace

WindowMirror::WindowMirror(QDBusConnection bus)
    : bus_(std::move(bus)),
      watcher_(gnome::extensionName, bus_, QDBusServiceWatcher::WatchForOwnerChange) {
    // Signals are taken only from the owner of the extension's name, which
    // the mirror follows itself: it knows of a new owner as soon as that
    // owner answered, before the bus's own notice arrives.
    bus_.connect(QString(), gnome::extensionPath, gnome::extensionInterface,
                 QStringLiteral("WindowsChanged"), this, SLOT(windowsChanged(QDBusMessage)));
    bus_.connect(QString(), gnome::extensionPath, gnome::extensionInterface,
                 QStringLiteral("FocusChanged"), this, SLOT(focusChanged(QDBusMessage)));
    connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &WindowMirror::ownerChanged);
    requestList();
}

bool WindowMirror::sync(int timeoutMs) {
    const auto reply = bus_.call(listWindowsCall(), QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) return false;
    auto windows = shellwindow::fromMessage(reply);
    if (!windows) return false;
    owner_ = reply.service();
    replace(std::move(*windows));
    return true;
}

void WindowMirror::requestList() {
    auto* pending =
        new QDBusPendingCallWatcher(bus_.asyncCall(listWindowsCall(), listTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (call->isError()) return;
                const auto reply = call->reply();
                if (auto windows = shellwindow::fromMessage(reply)) {
                    owner_ = reply.service();
                    replace(std::move(*windows));
                }
            });
}

void WindowMirror::ownerChanged(const QString&, const QString&, const QString& newOwner) {
    owner_ = newOwner;
    synced_ = false;
    windows_.clear();
    focusedId_ = 0;
    if (!newOwner.isEmpty()) requestList();
    if (onFocus_) onFocus_();
}

void WindowMirror::windowsChanged(const QDBusMessage& message) {
    if (message.service() != owner_ || owner_.isEmpty()) return;
    if (auto windows = shellwindow::fromMessage(message)) replace(std::move(*windows));
}

void WindowMirror::focusChanged(const QDBusMessage& message) {
    const auto arguments = message.arguments();
    if (message.service() != owner_ || owner_.isEmpty()) return;
    if (message.signature() != QLatin1String("t") || arguments.size() != 1) return;
    focusedId_ = arguments.front().toULongLong();
    for (auto& window : windows_) window.focused = window.id == focusedId_;
    if (onFocus_) onFocus_();
}

void WindowMirror::replace(std::vector<ShellWindow> windows) {
    windows_ = std::move(windows);
    const auto focus = std::find_if(windows_.begin(), windows_.end(),
                                    [](const ShellWindow& window) { return window.focused; });
    focusedId_ = focus == windows_.end() ? 0 : focus->id;
    synced_ = true;
    if (onFocus_) onFocus_();
}

const ShellWindow* WindowMirror::find(std::uint64_t id) const {
    const auto found = std::find_if(windows_.begin(), windows_.end(),
                                    [id](const ShellWindow& window) { return window.id == id; });
    return found == windows_.end() ? nullptr : &*found;
}

const ShellWindow* WindowMirror::focused() const {
    return focusedId_ == 0 ? nullptr : find(focusedId_);
}

void WindowMirror::setFrame(std::uint64_t id, const QRect& frame) {
    const auto found = std::find_if(windows_.begin(), windows_.end(),
                                    [id](const ShellWindow& window) { return window.id == id; });
    if (found != windows_.end()) found->frame = frame;
}

}  // namespace varnic
