#include "platform/x11/X11WindowReader.h"

#include <xcb/res.h>
#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

#include "platform/x11/PropertyParsing.h"
#include "support/Responsive.h"

namespace varnic {
namespace {

// Titles beyond 64 KiB are cut: nothing shows that much, and a hostile
// client could otherwise make every read move megabytes.
constexpr std::uint32_t maxTitleItems32 = 64 * 1024 / 4;
constexpr std::uint32_t maxListItems32 = 64;
// Four 1024 x 1024 icons; larger properties are read up to here.
constexpr std::uint32_t maxIconItems32 = 4 * 1024 * 1024;
constexpr int preferredIconSide = 64;

std::optional<Pid> validPid(std::uint32_t value) {
    if (value == 0 || value > static_cast<std::uint32_t>(std::numeric_limits<Pid>::max())) {
        return std::nullopt;
    }
    return static_cast<Pid>(value);
}

// Requests go out in batches that fit in the socket's buffer: a server held
// grabbed by another client stops reading, and a write into a full socket
// would block past any deadline. A batch is about 80 KB of requests.
constexpr std::size_t windowsPerBatch = 256;

std::string hex(xcb_window_t window) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%x", window);
    return buffer;
}

}  // namespace

// Extents wider or taller than the screen are no frame (and four huge values
// would wrap a 32-bit sum); they are ignored: absent.
std::optional<FrameExtents> X11WindowReader::extents(const property::Data& data,
                                                     xcb_window_t window, std::string_view name) {
    const auto items = property::items32(data, XCB_ATOM_CARDINAL);
    if (items.size() < 4) return FrameExtents{};
    const FrameExtents extents{items[0], items[1], items[2], items[3]};
    const bool fits = std::uint64_t{extents.left} + extents.right <= connection_.screenWidth() &&
                      std::uint64_t{extents.top} + extents.bottom <= connection_.screenHeight();
    if (fits) return extents;
    connection_.logOnce("X11: window " + hex(window) + " gives " + std::string(name) + " of " +
                        std::to_string(extents.left) + ", " + std::to_string(extents.right) + ", " +
                        std::to_string(extents.top) + ", " + std::to_string(extents.bottom) +
                        ", larger than the screen; they are ignored");
    return std::nullopt;
}

std::optional<FrameExtents> X11WindowReader::measureFrame(xcb_window_t window, Deadline deadline) {
    auto* c = connection_.get();
    // Window managers nest a client one or two windows deep; more is no frame.
    constexpr int maxDepth = 8;
    xcb_window_t frameWindow = window;
    for (int depth = 0;; ++depth) {
        if (depth == maxDepth) return std::nullopt;
        const auto tree = connection_.await<xcb_query_tree_reply_t>(
            xcb_query_tree(c, frameWindow).sequence, deadline);
        if (!tree.ok()) return std::nullopt;
        if (tree.reply->parent == connection_.root() || tree.reply->parent == XCB_WINDOW_NONE)
            break;
        frameWindow = tree.reply->parent;
    }
    if (frameWindow == window) return std::nullopt;
    const auto frameCookie = xcb_get_geometry(c, frameWindow);
    const auto clientCookie = xcb_get_geometry(c, window);
    const auto offsetCookie = xcb_translate_coordinates(c, window, frameWindow, 0, 0);
    const auto frame = connection_.await<xcb_get_geometry_reply_t>(frameCookie.sequence, deadline);
    const auto client =
        connection_.await<xcb_get_geometry_reply_t>(clientCookie.sequence, deadline);
    const auto offset =
        connection_.await<xcb_translate_coordinates_reply_t>(offsetCookie.sequence, deadline);
    if (!frame.ok() || !client.ok() || !offset.ok()) return std::nullopt;
    // The frame's own border counts; the client sits inside it at the offset.
    const std::int64_t border = frame.reply->border_width;
    const std::int64_t left = border + offset.reply->dst_x;
    const std::int64_t top = border + offset.reply->dst_y;
    const std::int64_t right = frame.reply->width + 2 * border - left - client.reply->width;
    const std::int64_t bottom = frame.reply->height + 2 * border - top - client.reply->height;
    if (left < 0 || top < 0 || right < 0 || bottom < 0) return std::nullopt;
    return FrameExtents{static_cast<std::uint32_t>(left), static_cast<std::uint32_t>(right),
                        static_cast<std::uint32_t>(top), static_cast<std::uint32_t>(bottom)};
}

struct X11WindowReader::Pending {
    using PropertyCookie = std::optional<xcb_get_property_cookie_t>;
    std::optional<xcb_res_query_client_ids_cookie_t> clientIds;
    PropertyCookie netWmPid, netWmName, wmName, wmClass, types, states, frame, shadow, icon, hints;
    std::optional<xcb_get_window_attributes_cookie_t> attributes;
    std::optional<xcb_get_geometry_cookie_t> geometry;
    std::optional<xcb_translate_coordinates_cookie_t> position;
};

xcb_get_property_cookie_t X11WindowReader::property(xcb_window_t window, xcb_atom_t atom,
                                                    std::uint32_t maxItems32) {
    return xcb_get_property(connection_.get(), 0, window, atom, XCB_GET_PROPERTY_TYPE_ANY, 0,
                            maxItems32);
}

X11WindowReader::Pending X11WindowReader::send(xcb_window_t window, unsigned facts) {
    auto* c = connection_.get();
    Pending pending;
    if (facts & pid) {
        if (connection_.hasResourceExtension()) {
            xcb_res_client_id_spec_t spec{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
            pending.clientIds = xcb_res_query_client_ids(c, 1, &spec);
        }
        pending.netWmPid = property(window, connection_.atom(Atom::netWmPid), 1);
    }
    if (facts & title) {
        pending.netWmName = property(window, connection_.atom(Atom::netWmName), maxTitleItems32);
        pending.wmName = property(window, XCB_ATOM_WM_NAME, maxTitleItems32);
    }
    if (facts & wmClass) pending.wmClass = property(window, XCB_ATOM_WM_CLASS, 1024);
    if (facts & kind) {
        pending.types = property(window, connection_.atom(Atom::netWmWindowType), maxListItems32);
        pending.states = property(window, connection_.atom(Atom::netWmState), maxListItems32);
    }
    if (facts & geometry) {
        pending.attributes = xcb_get_window_attributes(c, window);
        pending.geometry = xcb_get_geometry(c, window);
        pending.position = xcb_translate_coordinates(c, window, connection_.root(), 0, 0);
        pending.frame = property(window, connection_.atom(Atom::netFrameExtents), 4);
        pending.shadow = property(window, connection_.atom(Atom::gtkFrameExtents), 4);
    }
    if (facts & icon)
        pending.icon = property(window, connection_.atom(Atom::netWmIcon), maxIconItems32);
    if (facts & sizeHints) {
        pending.hints =
            property(window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ICCCM_NUM_WM_SIZE_HINTS_ELEMENTS);
    }
    return pending;
}

bool X11WindowReader::collect(Pending& pending, WindowFacts& facts, Deadline deadline) {
    bool answered = true;
    // A BadWindow on any request means the window is gone; other errors only
    // leave that one fact unknown.
    auto take = [&]<typename T>(auto& cookie) -> XcbReply<T> {
        if (!cookie) return nullptr;
        auto result = connection_.await<T>(cookie->sequence, deadline);
        if (result.status == WaitStatus::timeout || result.status == WaitStatus::disconnected) {
            if (answered && !failed_) failure_ = result.unanswered();
            failed_ = true;
            answered = false;
        }
        if (result.status == WaitStatus::error && result.errorCode == XCB_WINDOW) {
            facts.exists = false;
        }
        return std::move(result.reply);
    };
    auto takeProperty = [&](auto& cookie) {
        return take.template operator()<xcb_get_property_reply_t>(cookie);
    };
    const auto& atoms = connection_.atoms();

    if (auto ids = take.template operator()<xcb_res_query_client_ids_reply_t>(pending.clientIds)) {
        for (auto it = xcb_res_query_client_ids_ids_iterator(ids.get()); it.rem > 0;
             xcb_res_client_id_value_next(&it)) {
            const bool pidValue = it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID;
            if (pidValue && xcb_res_client_id_value_value_length(it.data) >= 1) {
                facts.pid = validPid(*xcb_res_client_id_value_value(it.data));
            }
        }
    }
    const auto netWmPid = takeProperty(pending.netWmPid);
    if (!facts.pid) {
        const auto items =
            property::items32(property::fromReply(netWmPid.get()), XCB_ATOM_CARDINAL);
        if (items.size() == 1) facts.pid = validPid(items[0]);
    }

    const auto netWmName = takeProperty(pending.netWmName);
    const auto wmName = takeProperty(pending.wmName);
    const auto utf8 = atoms[Atom::utf8String];
    facts.title = property::text(property::fromReply(netWmName.get()), utf8);
    if (!facts.title) facts.title = property::text(property::fromReply(wmName.get()), utf8);

    facts.wmClass = property::wmClass(property::fromReply(takeProperty(pending.wmClass).get()));
    facts.types =
        property::items32(property::fromReply(takeProperty(pending.types).get()), XCB_ATOM_ATOM);
    facts.states =
        property::items32(property::fromReply(takeProperty(pending.states).get()), XCB_ATOM_ATOM);

    if (auto attributes =
            take.template operator()<xcb_get_window_attributes_reply_t>(pending.attributes)) {
        facts.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }
    if (auto geometry = take.template operator()<xcb_get_geometry_reply_t>(pending.geometry)) {
        facts.width = geometry->width;
        facts.height = geometry->height;
    }
    if (auto position =
            take.template operator()<xcb_translate_coordinates_reply_t>(pending.position)) {
        facts.x = position->dst_x;
        facts.y = position->dst_y;
    }
    if (pending.frame) {
        const auto frame = extents(property::fromReply(takeProperty(pending.frame).get()),
                                   facts.window, "_NET_FRAME_EXTENTS");
        facts.frame = frame.value_or(FrameExtents{});
        facts.frameUntrusted = !frame;
    }
    facts.clientSideShadow = extents(property::fromReply(takeProperty(pending.shadow).get()),
                                     facts.window, "_GTK_FRAME_EXTENTS")
                                 .value_or(FrameExtents{});
    if (auto icon = takeProperty(pending.icon)) {
        const auto items = property::items32(property::fromReply(icon.get()), XCB_ATOM_CARDINAL);
        facts.icon = property::bestIcon(items, preferredIconSide);
    }
    if (auto hints = takeProperty(pending.hints))
        facts.sizeHints = SizeHints::fromReply(hints.get());
    return answered;
}

std::optional<std::vector<WindowFacts>> X11WindowReader::read(std::span<const xcb_window_t> windows,
                                                              unsigned facts, Deadline deadline) {
    failed_ = false;
    // Filled as the replies come: building thousands of facts up front is
    // itself long enough to be felt.
    std::vector<WindowFacts> result;
    result.reserve(windows.size());
    for (std::size_t start = 0; start < windows.size(); start += windowsPerBatch) {
        if (std::chrono::steady_clock::now() >= deadline) {
            failure_ = {WaitStatus::timeout, 0};
            return std::nullopt;
        }
        Responsive::handleInputWhenDue();
        const auto batch =
            windows.subspan(start, std::min(windowsPerBatch, windows.size() - start));
        std::vector<Pending> pending;
        pending.reserve(batch.size());
        for (const auto window : batch) {
            pending.push_back(send(window, facts));
            Responsive::handleInputWhenDue();
        }
        bool answered = true;
        for (std::size_t i = 0; i < batch.size(); ++i) {
            auto& window = result.emplace_back();
            window.window = batch[i];
            // After one timeout the rest would only wait out the same deadline;
            // their replies are discarded.
            answered = collect(pending[i], window, answered ? deadline : Deadline{}) && answered;
            // Thousands of windows take a while even when every reply is there.
            Responsive::handleInputWhenDue();
        }
        if (!answered) return std::nullopt;
    }
    return result;
}

}  // namespace varnic
