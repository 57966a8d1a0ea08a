#include "platform/kwin/KWinReceiver.h"

#include <QDBusMessage>
#include <span>

#include "platform/x11/X11WindowReader.h"
#include "platform/x11/XcbConnection.h"

namespace varnic {
namespace {

// The X server of XWayland answers at once or not at all.
constexpr double x11TimeoutSeconds = 0.5;
// Windows live and die; the cache of their pids need not grow without end.
constexpr std::size_t maxCachedPids = 4096;

}  // namespace

KWinReceiver::KWinReceiver(KWinMirror& mirror, std::function<void()> activated)
    : mirror_(mirror), activated_(std::move(activated)) {}

KWinReceiver::~KWinReceiver() = default;

bool KWinReceiver::fromKWin() const {
    const auto owner = mirror_.kwinOwner();
    return calledFromDBus() && !owner.empty() && message().service().toStdString() == owner;
}

void KWinReceiver::Window(const QString& text, const QString& caption) {
    if (!fromKWin()) return;
    auto record = KWinWindowRecord::parse(text.toStdString(), caption.toStdString());
    if (!record) return;
    if (record->pid == 0 && record->x11Window != 0) record->pid = x11Pid(record->x11Window);
    mirror_.update(std::move(*record));
}

void KWinReceiver::Removed(const QString& id) {
    if (!fromKWin()) return;
    mirror_.remove(id.toStdString());
}

void KWinReceiver::Activated(const QString& id) {
    if (!fromKWin()) return;
    mirror_.activate(id.toStdString());
    activated_();
}

void KWinReceiver::Ready(const QString&) {
    if (!fromKWin()) return;
    mirror_.setReady();
}

void KWinReceiver::Resized(const QString& text) {
    if (!fromKWin()) return;
    if (const auto answer = KWinResizeAnswer::parse(text.toStdString())) mirror_.answer(*answer);
}

void KWinReceiver::kwinOwnerChanged(const QString&, const QString&, const QString&) {
    mirror_.reset({});
    activated_();
}

Pid KWinReceiver::x11Pid(std::uint32_t window) {
    if (const auto found = x11Pids_.find(window); found != x11Pids_.end()) return found->second;
    if (!xwaylandTried_ || (xwayland_ && xwayland_->broken())) {
        xwaylandTried_ = true;
        xwayland_ = XcbConnection::open(nullptr, deadlineAfter(x11TimeoutSeconds));
    }
    if (!xwayland_) return 0;
    const auto facts =
        X11WindowReader(*xwayland_)
            .read(std::span(&window, 1), X11WindowReader::pid, deadlineAfter(x11TimeoutSeconds));
    const Pid pid = facts && facts->front().pid ? *facts->front().pid : 0;
    if (x11Pids_.size() >= maxCachedPids) x11Pids_.clear();
    x11Pids_.emplace(window, pid);
    return pid;
}

}  // namespace varnic
