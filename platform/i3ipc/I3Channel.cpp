#include "platform/i3ipc/I3Channel.h"

#include "platform/i3ipc/I3Tree.h"
#include "support/Log.h"
#include "support/LogFormat.h"
#include "support/Responsive.h"

namespace varnic {
namespace {

// Connecting includes the version, the subscription and the first tree.
constexpr double connectSeconds = 2.0;

}  // namespace

I3Channel::I3Channel(std::string socketPath, EventHandler onEvent, ConnectHandler onConnect)
    : socketPath_(std::move(socketPath)),
      onEvent_(std::move(onEvent)),
      onConnect_(std::move(onConnect)) {}

I3Channel::~I3Channel() = default;

std::string I3Channel::logPrefix() const {
    if (!compositor_) return "sway/i3 IPC: ";
    return compositor_->substr(0, compositor_->find(' ')) + " IPC: ";
}

bool I3Channel::isSway() const {
    return compositor_ && compositor_->rfind("sway", 0) == 0;
}

int I3Channel::fd() const {
    return connection_ && !connection_->broken() ? connection_->fd() : -1;
}

bool I3Channel::connect() {
    const auto deadline = I3IpcConnection::deadlineAfter(connectSeconds);
    connection_ = I3IpcConnection::open(socketPath_, deadline);
    std::optional<std::string> version;
    std::optional<std::string> subscribed;
    if (connection_) version = request(I3IpcConnection::getVersion, "", deadline);
    if (version) compositor_ = i3tree::compositorName(*version);
    if (compositor_) {
        subscribed = request(I3IpcConnection::subscribe, R"(["window"])", deadline);
    }
    if (!subscribed || !i3tree::commandOutcome("[" + *subscribed + "]").success ||
        !onConnect_(deadline)) {
        if (!reportedUnreachable_) {
            Log::write(logPrefix() + "cannot reach the compositor at " +
                       logformat::escaped(socketPath_));
        }
        reportedUnreachable_ = true;
        connection_.reset();
        return false;
    }
    reportedUnreachable_ = false;
    return true;
}

bool I3Channel::reachable() {
    if (connection_ && connection_->broken()) {
        Log::write(logPrefix() + "lost the connection to the compositor");
        connection_.reset();
        reportedUnreachable_ = true;
    }
    if (!connection_) return connect();
    return true;
}

std::optional<std::string> I3Channel::request(std::uint32_t type, std::string_view payload,
                                              Deadline deadline) {
    // Replies come in the order of the requests: a request made by input
    // handled during another's wait would take the other's reply.
    if (inRequest_ || !connection_ || !connection_->send(type, payload, deadline)) {
        return std::nullopt;
    }
    inRequest_ = true;
    ++requests_;
    std::optional<std::string> reply;
    Responsive::waitUntil(deadline, [&](Responsive::Slice slice) {
        const auto until = std::min(deadline, std::chrono::steady_clock::now() + slice);
        while (auto message = connection_->receive(until)) {
            if (message->isEvent()) {
                onEvent_(*message);
            } else if (message->type == type) {
                reply = std::move(message->payload);
                return true;
            }
        }
        return connection_->broken();
    });
    inRequest_ = false;
    return reply;
}

void I3Channel::drain() {
    if (!connection_) return;
    while (auto message = connection_->poll()) onEvent_(*message);
}

bool I3Channel::awaitEvent(Deadline deadline) {
    if (!connection_) return false;
    bool got = false;
    Responsive::waitUntil(deadline, [&](Responsive::Slice slice) {
        const auto until = std::min(deadline, std::chrono::steady_clock::now() + slice);
        if (auto message = connection_->receive(until)) {
            onEvent_(*message);
            got = true;
            while (auto more = connection_->poll()) onEvent_(*more);
        }
        return got || connection_->broken();
    });
    return got;
}

AXError I3Channel::timedOut(double seconds) {
    if (connection_ && !connection_->broken()) {
        Log::write(logPrefix() + "no answer from the compositor within " +
                   logformat::seconds(seconds) + " s");
    } else {
        reachable();
    }
    return ax::cannotComplete;
}

}  // namespace varnic
