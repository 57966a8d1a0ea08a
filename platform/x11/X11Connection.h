#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/x11/XcbConnection.h"
#include "windows/AXError.h"

namespace varnic {

class X11Connection;

// One call's hold on the connection: the connection stays alive until the
// call ends even if a lost connection is replaced meanwhile, and every wait of
// the call shares one deadline.
struct X11Call {
    std::shared_ptr<XcbConnection> connection;
    Deadline deadline;
    double seconds = 0;
    X11Connection* owner = nullptr;

    XcbConnection& c() const { return *connection; }
    // Logs why the server gave no answer; the call's result code for it.
    AXError failed(const Unanswered& why) const;
};

// The connection to the X server, opened again after it is lost.
class X11Connection {
  public:
    // Calls made without a messaging timeout end after the same 2 s: longer
    // than any healthy X server or window manager takes.
    static constexpr double defaultTimeoutSeconds = 2.0;

    // nullptr = $DISPLAY. Never throws; an unreachable display is logged once.
    explicit X11Connection(const char* displayName);

    // The current connection, null once it is lost (logged once).
    std::shared_ptr<XcbConnection> current();
    // The current connection, or a new one when it was lost or never opened.
    std::shared_ptr<XcbConnection> currentOrNew();
    // A call on the current connection bounded by these seconds; absent
    // without a connection.
    std::optional<X11Call> call(double seconds = defaultTimeoutSeconds);

    int fd() const;  // -1 when not connected
    std::uint64_t roundTrips() const;
    // Timeout, X error and lost connection each have their own line.
    AXError report(const Unanswered& why, double seconds);

  private:
    bool open();

    std::optional<std::string> displayName_;
    std::shared_ptr<XcbConnection> connection_;
    bool reportedUnreachable_ = false;
};

}  // namespace varnic
