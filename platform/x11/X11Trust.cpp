#include "platform/x11/X11Trust.h"

#include <algorithm>

#include "platform/x11/PropertyParsing.h"
#include "platform/x11/X11Connection.h"

namespace varnic {
namespace {

constexpr std::uint32_t maxSupportedAtoms = 4096;
// A window manager's name is a word or two; longer is not a name.
constexpr std::uint32_t maxNameWords = 64;

}  // namespace

std::optional<xcb_window_t> X11Trust::checkWindow(Deadline deadline) {
    auto& c = connection_;
    auto windowProperty = [&](xcb_window_t window) {
        const auto cookie = xcb_get_property(c.get(), 0, window, c.atom(Atom::netSupportingWmCheck),
                                             XCB_ATOM_WINDOW, 0, 1);
        const auto reply = c.await<xcb_get_property_reply_t>(cookie.sequence, deadline);
        return property::items32(property::fromReply(reply.reply.get()), XCB_ATOM_WINDOW);
    };
    const auto check = windowProperty(c.root());
    if (check.size() != 1) return std::nullopt;
    const auto child = windowProperty(check[0]);
    if (child.size() != 1 || child[0] != check[0]) return std::nullopt;
    return check[0];
}

bool X11Trust::windowManagerRunning() {
    auto& c = connection_;
    const auto deadline = deadlineAfter(X11Connection::defaultTimeoutSeconds);
    const auto supportedCookie = xcb_get_property(c.get(), 0, c.root(), c.atom(Atom::netSupported),
                                                  XCB_ATOM_ATOM, 0, maxSupportedAtoms);
    const auto check = checkWindow(deadline);
    const auto supported = c.await<xcb_get_property_reply_t>(supportedCookie.sequence, deadline);
    if (!check) return false;
    const auto list = property::items32(property::fromReply(supported.reply.get()), XCB_ATOM_ATOM);
    auto listed = [&](Atom atom) {
        return std::find(list.begin(), list.end(), c.atom(atom)) != list.end();
    };
    return listed(Atom::netActiveWindow) && listed(Atom::netClientListStacking);
}

std::optional<std::string> X11Trust::windowManagerName() {
    auto& c = connection_;
    const auto deadline = deadlineAfter(X11Connection::defaultTimeoutSeconds);
    const auto check = checkWindow(deadline);
    if (!check) return std::nullopt;
    const auto cookie = xcb_get_property(c.get(), 0, *check, c.atom(Atom::netWmName), XCB_ATOM_ANY,
                                         0, maxNameWords);
    const auto name = c.await<xcb_get_property_reply_t>(cookie.sequence, deadline);
    return property::text(property::fromReply(name.reply.get()), c.atom(Atom::utf8String));
}

}  // namespace varnic
