#include "platform/x11/X11Connection.h"

#include "support/Log.h"
#include "support/LogFormat.h"

namespace varnic {

AXError X11Call::failed(const Unanswered& why) const {
    return owner->report(why, seconds);
}

X11Connection::X11Connection(const char* displayName) {
    if (displayName) displayName_ = displayName;
    open();
}

bool X11Connection::open() {
    connection_ = XcbConnection::open(displayName_ ? displayName_->c_str() : nullptr,
                                      deadlineAfter(defaultTimeoutSeconds));
    if (!connection_) {
        if (!reportedUnreachable_) Log::write("X11: cannot open the X display");
        reportedUnreachable_ = true;
        return false;
    }
    reportedUnreachable_ = false;
    // Activation notifications come from changes of the root's _NET_ACTIVE_WINDOW.
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(connection_->get(), connection_->root(), XCB_CW_EVENT_MASK, &mask);
    connection_->flush();
    return true;
}

std::shared_ptr<XcbConnection> X11Connection::current() {
    if (connection_ && connection_->broken()) {
        if (!reportedUnreachable_) Log::write("X11: lost the connection to the X server");
        reportedUnreachable_ = true;
        // Callers that still hold it keep it until their call ends.
        connection_.reset();
    }
    return connection_;
}

std::shared_ptr<XcbConnection> X11Connection::currentOrNew() {
    if (auto connection = current()) return connection;
    open();
    return connection_;
}

std::optional<X11Call> X11Connection::call(double seconds) {
    auto connection = current();
    if (!connection) return std::nullopt;
    return X11Call{std::move(connection), deadlineAfter(seconds), seconds, this};
}

int X11Connection::fd() const {
    return connection_ && !connection_->broken() ? connection_->fd() : -1;
}

std::uint64_t X11Connection::roundTrips() const {
    return connection_ ? connection_->roundTrips() : 0;
}

AXError X11Connection::report(const Unanswered& why, double seconds) {
    switch (why.status) {
        case WaitStatus::timeout:
            Log::write("X11: no answer from the X server within " + logformat::seconds(seconds) +
                       " s");
            break;
        case WaitStatus::error:
            Log::write("X11: the X server refused a request (X error " +
                       std::to_string(why.errorCode) + ")");
            break;
        case WaitStatus::disconnected:
        case WaitStatus::reply:
            current();
            break;
    }
    return ax::cannotComplete;
}

}  // namespace varnic
