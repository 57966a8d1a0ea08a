#include "platform/i3ipc/X11SizeWatch.h"

#include "platform/x11/XcbConnection.h"

namespace varnic {

X11SizeWatch::X11SizeWatch() = default;

X11SizeWatch::~X11SizeWatch() {
    stop();
}

// The event mask is set before the geometry is read: a change after the
// reply comes as an event, one before it shows in the reply.
bool X11SizeWatch::follow(std::uint32_t window, Deadline deadline) {
    stop();
    if (connection_ && connection_->broken()) connection_.reset();
    if (!connection_) connection_ = XcbConnection::open(nullptr, deadline);
    if (!connection_) return false;
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_->get(), window, XCB_CW_EVENT_MASK, &mask);
    const auto cookie = xcb_get_geometry(connection_->get(), window);
    const auto geometry = connection_->await<xcb_get_geometry_reply_t>(cookie.sequence, deadline);
    if (!geometry.ok()) return false;
    window_ = window;
    size_ = Extent{geometry.reply->width, geometry.reply->height};
    return true;
}

void X11SizeWatch::stop() {
    if (!window_ || !connection_) return;
    const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(connection_->get(), window_, XCB_CW_EVENT_MASK, &none);
    connection_->flush();
    window_ = 0;
    size_.reset();
}

bool X11SizeWatch::awaitChange(Deadline deadline) {
    if (!window_) return false;
    // Only this window's structure events are selected; others, left from
    // windows followed earlier, are dropped.
    const auto event = connection_->awaitEvent([](const auto&) { return true; }, deadline);
    if (!event) return false;
    const auto type = event->response_type & 0x7f;
    if (type == XCB_CONFIGURE_NOTIFY) {
        const auto& configure = reinterpret_cast<const xcb_configure_notify_event_t&>(*event);
        if (configure.window == window_) size_ = Extent{configure.width, configure.height};
    }
    return true;
}

}  // namespace varnic
