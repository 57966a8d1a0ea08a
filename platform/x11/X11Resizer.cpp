#include "platform/x11/X11Resizer.h"

#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/x11/PropertyParsing.h"
#include "platform/x11/X11WindowReader.h"
#include "support/Log.h"

namespace varnic {
namespace {

constexpr std::uint32_t maxSupportedAtoms = 4096;
// How long a maximized window may take to be restored before it is resized.
constexpr double maxUnmaximizeSeconds = 0.5;
// After the window manager's first answer, how long a quiet spell must last
// before the answer counts as complete: a window manager may move before it
// resizes, or configure the frame before the client.
constexpr double answerSettleSeconds = 0.1;
// The X server answers a read at once; a window manager that used up the
// call's time in silence must not leave the size unread.
constexpr double readBackSeconds = 1.0;
// EWMH source indication for a pager or other tool acting for the user.
constexpr std::uint32_t sourceTool = XCB_EWMH_CLIENT_SOURCE_TYPE_OTHER;
constexpr std::uint32_t gravityNorthWest = XCB_GRAVITY_NORTH_WEST;
constexpr std::uint32_t watchedEvents =
    XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;

std::uint32_t clientSide(std::int64_t outer, std::int64_t margin) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(outer - margin, 1, 32767));
}

Margin decorations(const WindowFacts& facts) {
    const auto& frame = facts.frame;
    const auto& shadow = facts.clientSideShadow;
    return {std::int64_t{frame.left} + frame.right - shadow.left - shadow.right,
            std::int64_t{frame.top} + frame.bottom - shadow.top - shadow.bottom};
}

// Sizes as the log shows them: outer sizes, or the decorations' share.
struct Outer {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool operator==(const Outer&) const = default;
};

Outer outerOf(const WindowFacts& facts) {
    const auto margin = decorations(facts);
    return {facts.width + margin.width, facts.height + margin.height};
}

std::string text(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

std::string windowId(xcb_window_t window) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%x", window);
    return buffer;
}

std::uint8_t eventType(const xcb_generic_event_t& event) {
    return event.response_type & 0x7f;
}

}  // namespace

// Extents the window manager published but no frame has are replaced by the
// frame measured on its frame window.
std::optional<WindowFacts> X11Resizer::read(xcb_window_t window, unsigned facts,
                                            Deadline deadline) {
    X11WindowReader reader(connection_);
    auto read = reader.read(std::span(&window, 1), facts, deadline);
    if (!read) {
        call_.failed(reader.failure());
        return std::nullopt;
    }
    auto& result = read->front();
    if (result.exists && result.frameUntrusted) {
        if (const auto measured = reader.measureFrame(window, deadline)) {
            result.frame = *measured;
            result.frameUntrusted = false;
        }
    }
    return std::move(result);
}

std::optional<WindowFacts> X11Resizer::read(xcb_window_t window, unsigned facts) {
    return read(window, facts, call_.deadline);
}

// The size is the outer frame: the window manager's decorations are taken
// off, a client-side shadow margin is added. Size hints (minimum, maximum,
// increments) are the window manager's to apply, as ICCCM says; they only
// decide whether the size it gave is the nearest the window allows.
SizeWriteResult X11Resizer::resize(xcb_window_t window, Size outer) {
    auto* c = connection_.get();
    // The window's own events tell when the window manager has answered.
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &watchedEvents);
    const auto supportedCookie =
        xcb_get_property(c, 0, connection_.root(), connection_.atom(Atom::netSupported),
                         XCB_ATOM_ATOM, 0, maxSupportedAtoms);
    const unsigned facts =
        X11WindowReader::geometry | X11WindowReader::kind | X11WindowReader::sizeHints;
    auto before = read(window, facts);
    const auto supported =
        connection_.await<xcb_get_property_reply_t>(supportedCookie.sequence, call_.deadline);
    if (!before) return {ax::cannotComplete, std::nullopt};
    if (!before->exists) return {ax::invalidUIElement, std::nullopt};
    if (!supported.ok()) return {call_.failed(supported.unanswered()), std::nullopt};
    if (before->frameUntrusted) return {unmeasurable(window), std::nullopt};

    if (maximized(*before)) {
        before = unmaximize(*before);
        if (!before) return {ax::cannotComplete, std::nullopt};
        if (!before->exists) return {ax::invalidUIElement, std::nullopt};
    }
    const bool moveResize = supportsMoveResize(supported.reply.get());
    std::optional<WindowFacts> after;
    Extent wanted;
    bool answered = false;
    // Decorations can change while the window manager restores a window; the
    // size is asked for again once with the new ones.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto margin = decorations(*before);
        wanted = {clientSide(std::llround(outer.width), margin.width),
                  clientSide(std::llround(outer.height), margin.height)};
        request(window, wanted, moveResize);
        answered = awaitAnswer(window, wanted, before->sizeHints);
        after = read(window, X11WindowReader::geometry,
                     std::max(call_.deadline, deadlineAfter(readBackSeconds)));
        if (after && after->exists && after->frameUntrusted) {
            return {unmeasurable(window), std::nullopt};
        }
        if (!after || !after->exists || decorations(*after) == margin) break;
        before->frame = after->frame;
        before->clientSideShadow = after->clientSideShadow;
    }
    const std::uint32_t none = XCB_EVENT_MASK_NO_EVENT;
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &none);
    connection_.flush();
    if (!after) return {ax::cannotComplete, std::nullopt};
    if (!after->exists) return {ax::invalidUIElement, std::nullopt};
    return outcome(*before, *after, wanted, outer, answered);
}

SizeWriteResult X11Resizer::outcome(const WindowFacts& before, const WindowFacts& after,
                                    Extent wanted, Size outer, bool answered) {
    const auto got = outerOf(after);
    const Outer asked{std::llround(outer.width), std::llround(outer.height)};
    if (got == asked) return {ax::success, std::nullopt};
    const Extent client{after.width, after.height};
    const auto& hints = before.sizeHints;
    if (!hints.fixed() && hints.acceptsAsNearest(wanted, client)) {
        const auto margin = decorations(after);
        auto reason = hints.reason(wanted, client, margin);
        // An outer size smaller than the decorations leaves the smallest client.
        const bool belowDecorations =
            asked.width - margin.width < 1 || asked.height - margin.height < 1;
        if (reason.empty() && belowDecorations) {
            reason = "its decorations take " + text(margin.width, margin.height);
        }
        if (!reason.empty()) {
            return {ax::success,
                    SizeWriteResult::Nearest{{double(got.width), double(got.height)}, reason}};
        }
    }
    if (!answered) {
        Log::write("X11: the window manager did not answer the resize of window " +
                   windowId(after.window) + " in time");
        return {ax::cannotComplete, std::nullopt};
    }
    Log::write("X11: the window manager kept window " + windowId(after.window) + " at " +
               text(got.width, got.height) + " instead of " + text(asked.width, asked.height));
    return {ax::failure, std::nullopt};
}

// Without a frame size to trust, no outer size can be set or verified.
AXError X11Resizer::unmeasurable(xcb_window_t window) {
    Log::write("X11: the frame of window " + windowId(window) +
               " cannot be measured; its size is not changed");
    return ax::failure;
}

bool X11Resizer::maximized(const WindowFacts& facts) const {
    return facts.hasState(connection_.atom(Atom::netWmStateMaximizedVert)) ||
           facts.hasState(connection_.atom(Atom::netWmStateMaximizedHorz));
}

// Window managers keep a maximized window at the size of the screen, and its
// decorations differ (openbox drops its borders), so the window is restored
// first and its frame read again once the window manager says it is.
std::optional<WindowFacts> X11Resizer::unmaximize(const WindowFacts& facts) {
    const auto window = facts.window;
    sendToWindowManager(window, Atom::netWmState,
                        {XCB_EWMH_WM_STATE_REMOVE, connection_.atom(Atom::netWmStateMaximizedVert),
                         connection_.atom(Atom::netWmStateMaximizedHorz), sourceTool, 0});
    const auto settle = std::min(call_.deadline, deadlineAfter(maxUnmaximizeSeconds));
    const auto state = connection_.atom(Atom::netWmState);
    auto stateChanged = [&](const xcb_generic_event_t& event) {
        if (eventType(event) != XCB_PROPERTY_NOTIFY) return false;
        const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        return notify.window == window && notify.atom == state;
    };
    const unsigned wanted =
        X11WindowReader::geometry | X11WindowReader::kind | X11WindowReader::sizeHints;
    auto current = facts;
    for (;;) {
        // A window manager that keeps it maximized gets the request anyway.
        if (!connection_.awaitEvent(stateChanged, settle)) return current;
        auto read = this->read(window, wanted);
        if (!read || !read->exists || !maximized(*read)) return read;
        current = std::move(*read);
    }
}

bool X11Resizer::supportsMoveResize(const xcb_get_property_reply_t* supported) const {
    const auto list = property::items32(property::fromReply(supported), XCB_ATOM_ATOM);
    return std::find(list.begin(), list.end(), connection_.atom(Atom::netMoveresizeWindow)) !=
           list.end();
}

void X11Resizer::sendToWindowManager(xcb_window_t window, Atom type,
                                     std::array<std::uint32_t, 5> data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = connection_.atom(type);
    std::copy(data.begin(), data.end(), message.data.data32);
    xcb_send_event(connection_.get(), 0, connection_.root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
}

// The size request, followed by a state change that changes nothing: a window
// manager handles its messages in order and rewrites _NET_WM_STATE for the
// second, so that property's change says the first has been handled, also
// when the window manager kept the size and sent nothing else.
void X11Resizer::request(xcb_window_t window, Extent client, bool moveResize) {
    if (moveResize) {
        const std::uint32_t flags = gravityNorthWest | XCB_EWMH_MOVERESIZE_WINDOW_WIDTH |
                                    XCB_EWMH_MOVERESIZE_WINDOW_HEIGHT | (sourceTool << 12);
        sendToWindowManager(window, Atom::netMoveresizeWindow,
                            {flags, 0, 0, client.width, client.height});
    } else {
        const std::uint32_t size[] = {client.width, client.height};
        xcb_configure_window(connection_.get(), window,
                             XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    }
    sendToWindowManager(window, Atom::netWmState,
                        {XCB_EWMH_WM_STATE_REMOVE, XCB_ATOM_NONE, XCB_ATOM_NONE, sourceTool, 0});
    connection_.flush();
}

// The answer is a ConfigureNotify of the window (the real one of a resize, or
// the synthetic one ICCCM asks for when the window manager declines) or the
// change of _NET_WM_STATE that follows the request. It is complete when the
// window has the size, or after a short quiet spell.
bool X11Resizer::awaitAnswer(xcb_window_t window, Extent wanted, const SizeHints& hints) {
    const auto state = connection_.atom(Atom::netWmState);
    auto answer = [&](const xcb_generic_event_t& event) {
        if (eventType(event) == XCB_CONFIGURE_NOTIFY) {
            return reinterpret_cast<const xcb_configure_notify_event_t&>(event).window == window;
        }
        if (eventType(event) != XCB_PROPERTY_NOTIFY) return false;
        const auto& notify = reinterpret_cast<const xcb_property_notify_event_t&>(event);
        return notify.window == window && notify.atom == state;
    };
    bool answered = false;
    auto until = call_.deadline;
    while (auto event = connection_.awaitEvent(answer, until)) {
        answered = true;
        until = std::min(call_.deadline, deadlineAfter(answerSettleSeconds));
        if (eventType(*event) != XCB_CONFIGURE_NOTIFY) continue;
        const auto& configure = reinterpret_cast<const xcb_configure_notify_event_t&>(*event);
        if (hints.acceptsAsNearest(wanted, {configure.width, configure.height})) break;
    }
    return answered;
}

}  // namespace varnic
