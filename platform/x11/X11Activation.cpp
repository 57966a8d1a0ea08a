#include "platform/x11/X11Activation.h"

#include "platform/x11/X11Applications.h"

namespace varnic {

Subscription X11Activation::subscribe(WindowSystem::ActivationHandler handler) {
    const auto id = nextHandler_++;
    handlers_->emplace(id, std::move(handler));
    return Subscription([weak = std::weak_ptr(handlers_), id] {
        if (auto handlers = weak.lock()) handlers->erase(id);
    });
}

void X11Activation::processEvents() {
    const auto call = connection_.call();
    if (!call) return;
    auto& c = call->c();
    // A new connection starts without a last active application.
    if (watched_.lock() != call->connection) lastActivePid_.reset();
    watched_ = call->connection;
    bool activeChanged = false;
    while (auto event = c.pollEvent()) {
        if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) continue;
        const auto* notify = reinterpret_cast<const xcb_property_notify_event_t*>(event.get());
        if (notify->window == c.root() && notify->atom == c.atom(Atom::netActiveWindow)) {
            activeChanged = true;
        }
    }
    // Several changes in one drain are one activation: only the last counts.
    if (activeChanged) activeWindowChanged(*call);
    c.flush();
}

void X11Activation::activeWindowChanged(const X11Call& call) {
    X11Applications applications(call);
    const auto pid = applications.activePid();
    if (!pid || pid == lastActivePid_) return;
    lastActivePid_ = pid;
    auto application = applications.running(*pid);
    if (!application) return;
    const ActivationNotification notification{std::move(application)};
    // A handler may subscribe or unsubscribe while it runs.
    const auto handlers = *handlers_;
    for (const auto& [id, handler] : handlers) handler(notification);
}

}  // namespace varnic
