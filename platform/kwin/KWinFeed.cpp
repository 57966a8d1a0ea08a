#include "platform/kwin/KWinFeed.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/x11/PropertyParsing.h"
#include "platform/x11/X11WindowReader.h"
#include "platform/x11/XcbConnection.h"

namespace varnic {
namespace {

// The X server of XWayland answers at once or not at all.
constexpr double x11TimeoutSeconds = 0.5;
// Windows live and die; the caches need not grow without end.
constexpr std::size_t maxCachedPids = 4096;
// Below this, KWin gives "no maximum" as INT_MAX.
constexpr double noLimit = 1 << 24;

// The client's limits, as outer sizes: decorations add the same on every size.
std::optional<SizeLimits> outerLimits(const KWinWindowRecord& record) {
    if (!record.minSize && !record.maxSize) return std::nullopt;
    const double borderWidth = record.client ? record.frame.width - record.client->width : 0;
    const double borderHeight = record.client ? record.frame.height - record.client->height : 0;
    SizeLimits limits;
    if (record.minSize) {
        limits.width.minimum = std::llround(std::max(1.0, record.minSize->width + borderWidth));
        limits.height.minimum = std::llround(std::max(1.0, record.minSize->height + borderHeight));
    }
    if (record.maxSize && record.maxSize->width < noLimit) {
        limits.width.maximum = std::llround(record.maxSize->width + borderWidth);
    }
    if (record.maxSize && record.maxSize->height < noLimit) {
        limits.height.maximum = std::llround(record.maxSize->height + borderHeight);
    }
    return limits;
}

}  // namespace

KWinFeed::KWinFeed(WindowMirror& mirror, std::function<void()> activated)
    : mirror_(mirror), activated_(std::move(activated)) {}

KWinFeed::~KWinFeed() = default;

MirrorWindow KWinFeed::mirrored(const KWinWindowRecord& record) {
    MirrorWindow window;
    window.id = record.id;
    if (record.pid > 0) window.pid = record.pid;
    if (record.x11Window != 0) window.x11Window = record.x11Window;
    window.appName = record.resourceClass;
    window.title = record.caption;
    window.frame = {record.frame.x, record.frame.y, record.frame.width, record.frame.height};
    window.role = record.desktop        ? MirrorWindow::Role::desktop
                  : record.dock         ? MirrorWindow::Role::dock
                  : record.popup        ? MirrorWindow::Role::popup
                  : record.notification ? MirrorWindow::Role::notification
                                        : MirrorWindow::Role::application;
    window.normal = record.normal;
    window.keepAbove = record.keepAbove;
    window.skipTaskbar = record.skipTaskbar;
    window.minimized = record.minimized;
    window.resizable = record.resizeable;
    window.stacking = record.stacking;
    window.limits = outerLimits(record);
    return window;
}

void KWinFeed::activatedIfActive(const std::string& id) {
    if (const auto active = mirror_.focusedWindow(); active && active->id == id) activated_();
}

void KWinFeed::window(KWinWindowRecord record) {
    // Wayland clients always have a pid; a window without one is an X client.
    if (record.pid == 0) record.pid = x11Pid(record);
    const auto id = record.id;
    mirror_.changed(mirrored(record));
    // KWin may activate a window before it reports it, and an X client's pid
    // may be found only at a later report: the activation is told once the
    // active window is known with its pid.
    activatedIfActive(id);
}

void KWinFeed::removed(const std::string& id) {
    unresolved_.erase(id);
    mirror_.closed(id);
}

void KWinFeed::activate(const std::string& id) {
    mirror_.focused(id);
    activated_();
}

void KWinFeed::reset() {
    unresolved_.clear();
    mirror_.cleared();
    activated_();
}

// Changes of XWayland's client list are watched: KWin may report an X
// window before the list names it.
XcbConnection* KWinFeed::xwayland() {
    if (xwayland_ && !xwayland_->broken()) return xwayland_.get();
    xwaylandEvents_.reset();
    xwayland_ = XcbConnection::open(nullptr, deadlineAfter(x11TimeoutSeconds));
    if (!xwayland_) return nullptr;
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(xwayland_->get(), xwayland_->root(), XCB_CW_EVENT_MASK, &mask);
    xwayland_->flush();
    xwaylandEvents_ = std::make_unique<QSocketNotifier>(xwayland_->fd(), QSocketNotifier::Read);
    connect(xwaylandEvents_.get(), &QSocketNotifier::activated, this, &KWinFeed::clientListEvents);
    return xwayland_.get();
}

void KWinFeed::clientListEvents() {
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
    for (auto& [id, record] : std::exchange(unresolved_, {})) {
        if (!mirror_.find(id)) continue;
        record.pid = x11Pid(record);
        if (record.pid == 0) continue;
        auto known = mirror_.find(id);
        if (!known) continue;
        known->pid = record.pid;
        mirror_.changed(std::move(*known));
        activatedIfActive(id);
    }
}

// Plasma 5 names the X window; Plasma 6 does not, and the window is then the
// client of XWayland's window manager whose area and class are the record's.
Pid KWinFeed::x11Pid(const KWinWindowRecord& record) {
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
    QMetaObject::invokeMethod(this, &KWinFeed::clientListEvents, Qt::QueuedConnection);
    // A window not on the list yet is looked for again when the list changes.
    if (match == facts->end()) {
        if (unresolved_.size() < maxCachedPids) unresolved_.insert_or_assign(record.id, record);
        return 0;
    }
    const Pid pid = match->pid.value_or(0);
    if (x11Pids_.size() >= maxCachedPids) x11Pids_.clear();
    x11Pids_.emplace(record.id, pid);
    return pid;
}

}  // namespace varnic
