#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "platform/x11/X11Atoms.h"
#include "platform/x11/XcbReply.h"

namespace varnic {

using Deadline = std::chrono::steady_clock::time_point;

// Seconds from now as a deadline.
Deadline deadlineAfter(double seconds);

// How a bounded wait for one reply ended.
enum class WaitStatus { reply, error, timeout, disconnected };

// Why an answer did not come, for the log.
struct Unanswered {
    WaitStatus status = WaitStatus::timeout;
    std::uint8_t errorCode = 0;  // the X error code when status is error
};

template <typename T>
struct Awaited {
    WaitStatus status = WaitStatus::disconnected;
    XcbReply<T> reply;
    std::uint8_t errorCode = 0;  // the X error code when status is error

    bool ok() const { return status == WaitStatus::reply; }
    Unanswered unanswered() const { return {status, errorCode}; }
};

// One xcb connection with its root window and atoms. Every reply is awaited
// against a deadline by polling the connection's socket, so a server that a
// frozen client holds grabbed costs a timeout, never a hang.
class XcbConnection {
  public:
    // Null when the display cannot be opened or does not answer in time.
    static std::unique_ptr<XcbConnection> open(const char* displayName, Deadline deadline);
    ~XcbConnection();
    XcbConnection(const XcbConnection&) = delete;
    XcbConnection& operator=(const XcbConnection&) = delete;

    xcb_connection_t* get() const { return connection_; }
    xcb_window_t root() const { return root_; }
    // The screen's size in pixels.
    std::uint32_t screenWidth() const { return screenWidth_; }
    std::uint32_t screenHeight() const { return screenHeight_; }
    const X11Atoms& atoms() const { return atoms_; }
    xcb_atom_t atom(Atom atom) const { return atoms_[atom]; }
    int fd() const;
    bool broken() const;
    bool hasResourceExtension() const { return hasResourceExtension_; }

    template <typename T>
    Awaited<T> await(unsigned int sequence, Deadline deadline) {
        auto raw = awaitRaw(sequence, deadline);
        return {raw.status, XcbReply<T>(static_cast<T*>(raw.reply.release())), raw.errorCode};
    }
    // Waits until the server has handled every request sent so far.
    bool sync(Deadline deadline);
    // Whether the void request with this checked cookie failed; call after sync().
    std::optional<std::uint8_t> requestError(xcb_void_cookie_t cookie);
    void flush();
    // The next queued event, without blocking; null when there is none.
    // Events an awaitEvent() set aside come first, in the order they came.
    // None while a wait on this connection is under way.
    XcbReply<xcb_generic_event_t> pollEvent();
    using EventFilter = std::function<bool(const xcb_generic_event_t&)>;
    // Waits for the next event that `wanted` accepts. Every other event is set
    // aside for pollEvent(), so a wait never takes the activation events.
    // Null at the deadline or when the connection breaks.
    XcbReply<xcb_generic_event_t> awaitEvent(const EventFilter& wanted, Deadline deadline);

    // Logs a line the first time it comes on this connection, so that a
    // hostile property read at every call is reported once.
    void logOnce(const std::string& line);

    // Waits that had to go to the server after new requests were written:
    // the number of round trips since the connection opened.
    std::uint64_t roundTrips() const { return roundTrips_; }

  private:
    XcbConnection(xcb_connection_t* connection, const xcb_screen_t& screen);
    bool internAtoms(Deadline deadline);
    bool probeResourceExtension(Deadline deadline);
    Awaited<void> awaitRaw(unsigned int sequence, Deadline deadline);
    // Waits at most one slice for the socket; false once the deadline has passed.
    bool waitReadable(Deadline deadline);

    // Marks a wait for a reply or an event while it lasts.
    struct Waiting {
        explicit Waiting(XcbConnection& connection) : connection_(connection) {
            ++connection_.waiting_;
        }
        ~Waiting() { --connection_.waiting_; }
        Waiting(const Waiting&) = delete;
        Waiting& operator=(const Waiting&) = delete;
        XcbConnection& connection_;
    };

    xcb_connection_t* connection_;
    xcb_window_t root_;
    std::uint32_t screenWidth_;
    std::uint32_t screenHeight_;
    X11Atoms atoms_;
    bool hasResourceExtension_ = false;
    std::uint64_t roundTrips_ = 0;
    std::uint64_t writtenAtLastTrip_ = 0;
    std::deque<XcbReply<xcb_generic_event_t>> setAside_;
    std::set<std::string> logged_;
    int waiting_ = 0;
};

}  // namespace varnic
