#include "platform/x11/XcbConnection.h"

#include <poll.h>
#include <xcb/res.h>
#include <xcb/xcbext.h>

#include <algorithm>
#include <array>

#include "support/Log.h"
#include "support/Responsive.h"

namespace varnic {
namespace {

// Far more events than a wait of a few seconds sees from a healthy desktop.
constexpr std::size_t maxSetAside = 4096;
// Distinct lines kept to report once; past that, no more are reported.
constexpr std::size_t maxLoggedOnce = 1024;

}  // namespace

Deadline deadlineAfter(double seconds) {
    return std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double>(seconds));
}

std::unique_ptr<XcbConnection> XcbConnection::open(const char* displayName, Deadline deadline) {
    int screenNumber = 0;
    auto* connection = xcb_connect(displayName, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    auto iterator = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && iterator.rem > 0; ++i) xcb_screen_next(&iterator);
    if (iterator.rem == 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    std::unique_ptr<XcbConnection> result(new XcbConnection(connection, *iterator.data));
    if (!result->internAtoms(deadline) || !result->probeResourceExtension(deadline)) return nullptr;
    return result;
}

XcbConnection::XcbConnection(xcb_connection_t* connection, const xcb_screen_t& screen)
    : connection_(connection),
      root_(screen.root),
      screenWidth_(screen.width_in_pixels),
      screenHeight_(screen.height_in_pixels) {}

XcbConnection::~XcbConnection() {
    xcb_disconnect(connection_);
}

int XcbConnection::fd() const {
    return xcb_get_file_descriptor(connection_);
}

bool XcbConnection::broken() const {
    return xcb_connection_has_error(connection_) != 0;
}

bool XcbConnection::internAtoms(Deadline deadline) {
    std::array<xcb_intern_atom_cookie_t, X11Atoms::count> cookies{};
    for (std::size_t i = 0; i < X11Atoms::count; ++i) {
        const auto name = X11Atoms::name(static_cast<Atom>(i));
        cookies[i] =
            xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.data());
    }
    bool complete = true;
    for (std::size_t i = 0; i < X11Atoms::count; ++i) {
        const auto answer = await<xcb_intern_atom_reply_t>(cookies[i].sequence, deadline);
        if (!answer.ok()) {
            complete = false;
            continue;
        }
        atoms_.set(static_cast<Atom>(i), answer.reply->atom);
    }
    return complete;
}

bool XcbConnection::probeResourceExtension(Deadline deadline) {
    // xcb_get_extension_data() would wait without bound; prefetching and then
    // syncing lets it answer from its cache.
    xcb_prefetch_extension_data(connection_, &xcb_res_id);
    if (!sync(deadline)) return false;
    const auto* extension = xcb_get_extension_data(connection_, &xcb_res_id);
    hasResourceExtension_ = extension && extension->present;
    return true;
}

void XcbConnection::flush() {
    xcb_flush(connection_);
}

bool XcbConnection::waitReadable(Deadline deadline) {
    const auto total = xcb_total_written(connection_);
    if (total != writtenAtLastTrip_) {
        writtenAtLastTrip_ = total;
        ++roundTrips_;
    }
    const auto left =
        std::chrono::ceil<Responsive::Slice>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    // The application handles its input between two slices. What it does may
    // read this socket, so the caller looks at xcb's queues after every slice
    // instead of trusting the socket alone.
    Responsive::handleInputWhenDue();
    pollfd descriptor{fd(), POLLIN, 0};
    ::poll(&descriptor, 1, static_cast<int>(std::min(left, Responsive::slice).count()));
    return true;
}

Awaited<void> XcbConnection::awaitRaw(unsigned int sequence, Deadline deadline) {
    const Waiting waiting(*this);
    xcb_flush(connection_);
    for (;;) {
        void* reply = nullptr;
        xcb_generic_error_t* error = nullptr;
        if (broken()) return {WaitStatus::disconnected, nullptr, 0};
        if (xcb_poll_for_reply(connection_, sequence, &reply, &error)) {
            if (reply) return {WaitStatus::reply, XcbReply<void>(reply), 0};
            if (error) {
                const auto code = error->error_code;
                std::free(error);
                return {WaitStatus::error, nullptr, code};
            }
            return {broken() ? WaitStatus::disconnected : WaitStatus::error, nullptr, 0};
        }
        if (!waitReadable(deadline)) {
            // The reply may still come; xcb drops it when it does.
            xcb_discard_reply(connection_, sequence);
            return {WaitStatus::timeout, nullptr, 0};
        }
    }
}

bool XcbConnection::sync(Deadline deadline) {
    const auto cookie = xcb_get_input_focus(connection_);
    return await<xcb_get_input_focus_reply_t>(cookie.sequence, deadline).ok();
}

std::optional<std::uint8_t> XcbConnection::requestError(xcb_void_cookie_t cookie) {
    void* reply = nullptr;
    xcb_generic_error_t* error = nullptr;
    if (!xcb_poll_for_reply(connection_, cookie.sequence, &reply, &error)) return std::nullopt;
    std::free(reply);
    if (!error) return std::nullopt;
    const auto code = error->error_code;
    std::free(error);
    return code;
}

XcbReply<xcb_generic_event_t> XcbConnection::pollEvent() {
    // Input handled during a wait must not take the events it waits for;
    // they are read once the wait is over.
    if (waiting_ > 0) return nullptr;
    if (!setAside_.empty()) {
        auto event = std::move(setAside_.front());
        setAside_.pop_front();
        return event;
    }
    return XcbReply<xcb_generic_event_t>(xcb_poll_for_event(connection_));
}

XcbReply<xcb_generic_event_t> XcbConnection::awaitEvent(const EventFilter& wanted,
                                                        Deadline deadline) {
    const Waiting waiting(*this);
    xcb_flush(connection_);
    for (;;) {
        while (auto* raw = xcb_poll_for_event(connection_)) {
            XcbReply<xcb_generic_event_t> event(raw);
            if (wanted(*event)) return event;
            // A flood of events while waiting is dropped past a bound.
            if (setAside_.size() < maxSetAside) setAside_.push_back(std::move(event));
        }
        if (broken() || !waitReadable(deadline)) return nullptr;
    }
}

void XcbConnection::logOnce(const std::string& line) {
    if (logged_.size() >= maxLoggedOnce || !logged_.insert(line).second) return;
    Log::write(line);
}

}  // namespace varnic
