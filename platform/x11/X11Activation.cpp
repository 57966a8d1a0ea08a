#include "platform/x11/X11Activation.h"

#include "platform/x11/X11Applications.h"

namespace varnic {

Subscription X11Activation::subscribe(WindowSystem::ActivationHandler handler) {
    return handlers_.subscribe(std::move(handler));
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
    handlers_.notify(notification);
}

}  // namespace varnic
