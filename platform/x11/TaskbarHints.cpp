#include "platform/x11/TaskbarHints.h"

#include <poll.h>
#include <xcb/xcbext.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/x11/XcbConnection.h"
#include "support/Responsive.h"

namespace varnic {
namespace {

constexpr double internSeconds = 1.0;

struct Atoms {
    xcb_atom_t state = XCB_ATOM_NONE;
    std::array<xcb_atom_t, 2> skip{};
};

std::optional<Atoms> intern(xcb_connection_t* connection) {
    constexpr std::array<std::string_view, 3> names{"_NET_WM_STATE", "_NET_WM_STATE_SKIP_TASKBAR",
                                                    "_NET_WM_STATE_SKIP_PAGER"};
    std::array<xcb_intern_atom_cookie_t, 3> cookies{};
    for (std::size_t i = 0; i < names.size(); ++i) {
        cookies[i] = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(names[i].size()),
                                     names[i].data());
    }
    xcb_flush(connection);
    const auto deadline = deadlineAfter(internSeconds);
    std::array<xcb_atom_t, 3> atoms{};
    std::size_t got = 0;
    for (; got < cookies.size(); ++got) {
        void* reply = nullptr;
        xcb_generic_error_t* error = nullptr;
        // The toolkit's own thread may read the reply off the socket first,
        // which poll() would not see; each slice looks at xcb's queue again.
        const bool answered = Responsive::waitUntil(deadline, [&](Responsive::Slice timeout) {
            if (xcb_poll_for_reply(connection, cookies[got].sequence, &reply, &error)) return true;
            if (xcb_connection_has_error(connection)) return false;
            pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
            ::poll(&descriptor, 1, static_cast<int>(timeout.count()));
            return false;
        });
        if (!answered) {
            for (auto i = got; i < cookies.size(); ++i)
                xcb_discard_reply(connection, cookies[i].sequence);
            return std::nullopt;
        }
        std::free(error);
        if (!reply) return std::nullopt;
        atoms[got] = static_cast<xcb_intern_atom_reply_t*>(reply)->atom;
        std::free(reply);
    }
    return Atoms{atoms[0], {atoms[1], atoms[2]}};
}

}  // namespace

void TaskbarHints::skipTaskbar(xcb_connection_t* connection, xcb_window_t window) {
    static xcb_connection_t* internedFor = nullptr;
    static std::optional<Atoms> atoms;
    if (connection != internedFor) {
        atoms = intern(connection);
        if (atoms) internedFor = connection;
    }
    if (!atoms) return;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, atoms->state, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(atoms->skip.size()), atoms->skip.data());
    xcb_flush(connection);
}

}  // namespace varnic
