#include "platform/kwin/KWinReceiver.h"

#include <QDBusMessage>
#include <QSocketNotifier>
#include <algorithm>
#include <utility>

#include "platform/x11/PropertyParsing.h"
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
    // Wayland clients always have a pid; a window without one is an X client.
    if (record->pid == 0) record->pid = x11Pid(*record);
    const auto id = record->id;
    mirror_.update(std::move(*record));
    // KWin may activate a window before it reports it, and an X client's pid
    // may be found only at a later report: the activation is told once the
    // active window is known with its pid.
    if (const auto active = mirror_.activeWindow(); active && active->id == id) activated_();
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

// Changes of XWayland's client list are watched: KWin may report an X
// window before the list names it.
XcbConnection* KWinReceiver::xwayland() {
    if (xwayland_ && !xwayland_->broken()) return xwayland_.get();
    xwaylandEvents_.reset();
    xwayland_ = XcbConnection::open(nullptr, deadlineAfter(x11TimeoutSeconds));
    if (!xwayland_) return nullptr;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(xwayland_->get(), xwayland_->root(), XCB_CW_EVENT_MASK, &mask);
    xwayland_->flush();
    xwaylandEvents_ = std::make_unique<QSocketNotifier>(xwayland_->fd(), QSocketNotifier::Read);
    connect(xwaylandEvents_.get(), &QSocketNotifier::activated, this,
            &KWinReceiver::clientListEvents);
    return xwayland_.get();
}

void KWinReceiver::clientListEvents() {
    if (!xwayland_ || xwayland_->broken()) {
        xwaylandEvents_.reset();
        return;
    }
    bool changed = false;
    while (auto event = xwayland_->pollEvent()) {
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) continue;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        changed |= notify->atom == xwayland_->atom(Atom::netClientList);
    }
    if (!changed) return;
    for (const auto& id : std::exchange(unresolved_, {})) {
        auto record = mirror_.window(id);
        if (!record || record->pid != 0) continue;
        record->pid = x11Pid(*record);
        if (record->pid == 0) continue;
        mirror_.update(*record);
        if (const auto active = mirror_.activeWindow(); active && active->id == id) activated_();
    }
}

// Plasma 5 names the X window; Plasma 6 does not, and the window is then the
// client of XWayland's window manager whose area and class are the record's.
Pid KWinReceiver::x11Pid(const KWinWindowRecord& record) {
    if (const auto found = x11Pids_.find(record.id); found != x11Pids_.end()) {
        return found->second;
    }
    auto* c = xwayland();
    if (!c) return 0;
    const auto deadline = deadlineAfter(x11TimeoutSeconds);
    std::vector<xcb_window_t> candidates;
    if (record.x11Window != 0) {
        candidates.push_back(record.x11Window);
    } else {
        const auto cookie = xcb_get_property(c->get(), 0, c->root(), c->atom(Atom::netClientList),
                                             XCB_ATOM_WINDOW, 0, maxCachedPids);
        const auto list = c->await<xcb_get_property_reply_t>(cookie.sequence, deadline);
        if (!list.ok()) return 0;
        candidates = property::items32(property::fromReply(list.reply.get()), XCB_ATOM_WINDOW);
    }
    const auto facts = X11WindowReader(*c).read(
        candidates, X11WindowReader::pid | X11WindowReader::geometry | X11WindowReader::wmClass,
        deadline);
    if (!facts) return 0;
    const auto area = record.client.value_or(record.frame);
    const auto sameClass = [&](const std::optional<std::string>& wmClass) {
        return wmClass &&
               QString::fromStdString(*wmClass).compare(
                   QString::fromStdString(record.resourceClass), Qt::CaseInsensitive) == 0;
    };
    // The position KWin placed the window at may not have reached the X
    // server yet; the size and class alone do when they name one window.
    const auto sameSize = [&](const WindowFacts& window) {
        return window.exists && window.width == area.width && window.height == area.height &&
               sameClass(window.wmClass);
    };
    auto match = std::find_if(facts->begin(), facts->end(), [&](const WindowFacts& window) {
        return record.x11Window != 0 ? window.exists
                                     : sameSize(window) && window.x == area.x && window.y == area.y;
    });
    if (match == facts->end() && std::count_if(facts->begin(), facts->end(), sameSize) == 1) {
        match = std::find_if(facts->begin(), facts->end(), sameSize);
    }
    // Replies read with the events behind them leave the socket quiet.
    QMetaObject::invokeMethod(this, &KWinReceiver::clientListEvents, Qt::QueuedConnection);
    // A window not on the list yet is looked for again when the list changes.
    if (match == facts->end()) {
        if (unresolved_.size() < maxCachedPids) unresolved_.insert(record.id);
        return 0;
    }
    const Pid pid = match->pid.value_or(0);
    if (x11Pids_.size() >= maxCachedPids) x11Pids_.clear();
    x11Pids_.emplace(record.id, pid);
    return pid;
}

}  // namespace varnic
