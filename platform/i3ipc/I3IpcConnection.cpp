#include "platform/i3ipc/I3IpcConnection.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace varnic {
namespace {

constexpr std::string_view magic = "i3-ipc";
constexpr std::size_t headerSize = magic.size() + 2 * sizeof(std::uint32_t);
// A tree of thousands of windows is a few megabytes; more is not a reply.
constexpr std::uint32_t maxPayload = 64u << 20;

int millisecondsUntil(I3IpcConnection::Deadline deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 60'000));
}

bool waitFor(int fd, short events, I3IpcConnection::Deadline deadline) {
    for (;;) {
        pollfd descriptor{fd, events, 0};
        const int ready = ::poll(&descriptor, 1, millisecondsUntil(deadline));
        if (ready > 0) return true;
        if (ready == 0) return false;
        if (errno != EINTR) return false;
    }
}

}  // namespace

I3IpcConnection::Deadline I3IpcConnection::deadlineAfter(double seconds) {
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double>(seconds));
}

std::unique_ptr<I3IpcConnection> I3IpcConnection::open(const std::string& path, Deadline deadline) {
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof address.sun_path) return nullptr;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    std::unique_ptr<I3IpcConnection> connection(new I3IpcConnection(fd));
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return connection;
    }
    // A listener with a full backlog accepts later; wait for it, bounded.
    if (errno != EAGAIN && errno != EINPROGRESS) return nullptr;
    if (!waitFor(fd, POLLOUT, deadline)) return nullptr;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return nullptr;
    return connection;
}

I3IpcConnection::~I3IpcConnection() {
    ::close(fd_);
}

void I3IpcConnection::breakConnection() {
    broken_ = true;
    input_.clear();
}

bool I3IpcConnection::send(std::uint32_t type, std::string_view payload, Deadline deadline) {
    if (broken_ || payload.size() > maxPayload) return false;
    std::string message(magic);
    const auto length = static_cast<std::uint32_t>(payload.size());
    message.append(reinterpret_cast<const char*>(&length), sizeof length);
    message.append(reinterpret_cast<const char*>(&type), sizeof type);
    message.append(payload);
    std::size_t sent = 0;
    while (sent < message.size()) {
        const auto wrote = ::send(fd_, message.data() + sent, message.size() - sent, MSG_NOSIGNAL);
        if (wrote > 0) {
            sent += static_cast<std::size_t>(wrote);
            continue;
        }
        if (wrote < 0 && errno == EINTR) continue;
        // Half a message on the wire leaves the stream unusable either way.
        if (wrote < 0 && errno == EAGAIN && waitFor(fd_, POLLOUT, deadline)) continue;
        breakConnection();
        return false;
    }
    return true;
}

bool I3IpcConnection::fill(Deadline deadline) {
    if (!waitFor(fd_, POLLIN, deadline)) return false;
    char chunk[65536];
    for (;;) {
        const auto got = ::recv(fd_, chunk, sizeof chunk, 0);
        if (got > 0) {
            input_.append(chunk, static_cast<std::size_t>(got));
            return true;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) return false;
        breakConnection();  // closed by the peer, or an error
        return false;
    }
}

std::optional<I3IpcConnection::Message> I3IpcConnection::take() {
    if (input_.size() < headerSize) return std::nullopt;
    if (input_.compare(0, magic.size(), magic) != 0) {
        breakConnection();
        return std::nullopt;
    }
    std::uint32_t length = 0;
    std::uint32_t type = 0;
    std::memcpy(&length, input_.data() + magic.size(), sizeof length);
    std::memcpy(&type, input_.data() + magic.size() + sizeof length, sizeof type);
    if (length > maxPayload) {
        breakConnection();
        return std::nullopt;
    }
    if (input_.size() < headerSize + length) return std::nullopt;
    Message message{type, input_.substr(headerSize, length)};
    input_.erase(0, headerSize + length);
    return message;
}

std::optional<I3IpcConnection::Message> I3IpcConnection::receive(Deadline deadline) {
    for (;;) {
        if (broken_) return std::nullopt;
        if (auto message = take()) return message;
        if (broken_ || !fill(deadline)) {
            if (broken_ || std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        }
    }
}

std::optional<I3IpcConnection::Message> I3IpcConnection::poll() {
    if (broken_) return std::nullopt;
    if (auto message = take()) return message;
    if (!fill(std::chrono::steady_clock::now())) return std::nullopt;
    return take();
}

}  // namespace varnic
