#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/i3ipc/I3IpcConnection.h"
#include "windows/AXError.h"

namespace varnic {

// The conversation with sway or i3 over its IPC socket: one connection,
// subscribed to window events, opened again after the compositor restarted
// (i3 restart). Every wait is bounded and hands input to the application
// between short slices; events that arrive meanwhile go to the handler.
class I3Channel {
  public:
    using Deadline = I3IpcConnection::Deadline;
    using EventHandler = std::function<void(const I3IpcConnection::Message&)>;
    // Runs once a new connection is subscribed; false makes it unusable.
    using ConnectHandler = std::function<bool(Deadline)>;

    I3Channel(std::string socketPath, EventHandler onEvent, ConnectHandler onConnect);
    ~I3Channel();

    // Whether the compositor is reachable, connecting when it is not.
    bool reachable();
    int fd() const;  // -1 when not connected
    // "sway 1.7" or "i3 4.22"; absent until the compositor answered.
    const std::optional<std::string>& compositor() const { return compositor_; }
    bool isSway() const;
    // "sway IPC: ", or "sway/i3 IPC: " before the compositor answered.
    std::string logPrefix() const;
    std::uint64_t requests() const { return requests_; }

    // Sends a request and waits for its reply, bounded by the deadline.
    // Absent at once when called while another request waits.
    std::optional<std::string> request(std::uint32_t type, std::string_view payload,
                                       Deadline deadline);
    // Handles the events already here, without waiting.
    void drain();
    // Waits for events until the deadline; true when one came.
    bool awaitEvent(Deadline deadline);
    // Logs who did not answer (or that the connection broke): cannotComplete.
    AXError timedOut(double seconds);

  private:
    bool connect();

    std::string socketPath_;
    EventHandler onEvent_;
    ConnectHandler onConnect_;
    std::unique_ptr<I3IpcConnection> connection_;
    std::optional<std::string> compositor_;
    bool reportedUnreachable_ = false;
    bool inRequest_ = false;
    std::uint64_t requests_ = 0;
};

}  // namespace varnic
