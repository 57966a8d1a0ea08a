#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace varnic {

// One connection to the IPC socket of i3 or sway. A message is the magic
// "i3-ipc", a 32-bit payload length, a 32-bit type (both in the host's byte
// order) and a JSON payload; events have the type's high bit set. The socket
// is non-blocking and every wait is bounded by a deadline with poll(). A
// malformed header (wrong magic, absurd length) breaks the connection: the
// stream cannot be resynchronised.
class I3IpcConnection {
  public:
    using Deadline = std::chrono::steady_clock::time_point;

    enum Type : std::uint32_t {
        runCommand = 0,
        subscribe = 2,
        getTree = 4,
        getVersion = 7,
    };
    static constexpr std::uint32_t eventBit = 0x80000000u;
    enum Event : std::uint32_t { windowEvent = 3 };

    struct Message {
        std::uint32_t type = 0;
        std::string payload;
        bool isEvent() const { return (type & eventBit) != 0; }
    };

    static Deadline deadlineAfter(double seconds);

    // Null when the socket cannot be reached before the deadline.
    static std::unique_ptr<I3IpcConnection> open(const std::string& path, Deadline deadline);
    ~I3IpcConnection();
    I3IpcConnection(const I3IpcConnection&) = delete;
    I3IpcConnection& operator=(const I3IpcConnection&) = delete;

    int fd() const { return fd_; }
    bool broken() const { return broken_; }

    bool send(std::uint32_t type, std::string_view payload, Deadline deadline);
    // The next message; absent when none came before the deadline or the
    // connection broke.
    std::optional<Message> receive(Deadline deadline);
    // The next message if it is already here, without waiting.
    std::optional<Message> poll();

  private:
    explicit I3IpcConnection(int fd) : fd_(fd) {}
    // Reads what the socket has; false when nothing came before the deadline.
    bool fill(Deadline deadline);
    std::optional<Message> take();
    void breakConnection();

    int fd_;
    bool broken_ = false;
    std::string input_;
};

}  // namespace varnic
