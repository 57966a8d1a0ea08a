#include "platform/x11/X11WindowList.h"

#include <unordered_set>

#include "platform/proc/ProcessInfo.h"
#include "platform/x11/PropertyParsing.h"
#include "platform/x11/X11WindowReader.h"
#include "support/Responsive.h"

namespace varnic {
namespace {

// Window levels as the macOS window list numbers them, so the layer field
// means the same on both: normal 0, floating 3, dock 20, status 25, pop-up 101.
constexpr std::int64_t floatingLayer = 3;
constexpr std::int64_t dockLayer = 20;
constexpr std::int64_t statusLayer = 25;
constexpr std::int64_t popUpLayer = 101;

}  // namespace

std::optional<Clients> X11WindowList::clients() {
    auto& c = call_.c();
    const auto stackingCookie = xcb_get_property(
        c.get(), 0, c.root(), c.atom(Atom::netClientListStacking), XCB_ATOM_WINDOW, 0, maxClients);
    const auto activeCookie = xcb_get_property(c.get(), 0, c.root(), c.atom(Atom::netActiveWindow),
                                               XCB_ATOM_WINDOW, 0, 1);
    const auto stacking =
        c.await<xcb_get_property_reply_t>(stackingCookie.sequence, call_.deadline);
    const auto active = c.await<xcb_get_property_reply_t>(activeCookie.sequence, call_.deadline);
    if (!stacking.ok() || !active.ok()) {
        call_.failed(stacking.ok() ? active.unanswered() : stacking.unanswered());
        return std::nullopt;
    }
    if (stacking.reply->bytes_after > 0) {
        c.logOnce("X11: the window manager lists more than " + std::to_string(maxClients) +
                  " windows; only the first " + std::to_string(maxClients) + " are read");
    }
    Clients clients;
    // EWMH lists _NET_CLIENT_LIST_STACKING bottom to top. A window listed
    // again is the same window: it is read once, where it is topmost.
    auto list = property::items32(property::fromReply(stacking.reply.get()), XCB_ATOM_WINDOW);
    std::unordered_set<xcb_window_t> seen;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if (seen.insert(*it).second) clients.topmostFirst.push_back(*it);
    }
    const auto activeItems =
        property::items32(property::fromReply(active.reply.get()), XCB_ATOM_WINDOW);
    if (activeItems.size() == 1) clients.active = activeItems[0];
    return clients;
}

std::optional<std::vector<WindowListEntry>> X11WindowList::onScreen() {
    const auto found = clients();
    if (!found) return std::nullopt;
    const unsigned facts = X11WindowReader::pid | X11WindowReader::title |
                           X11WindowReader::wmClass | X11WindowReader::kind |
                           X11WindowReader::geometry;
    X11WindowReader reader(call_.c());
    const auto windows = reader.read(found->topmostFirst, facts, call_.deadline);
    if (!windows) {
        call_.failed(reader.failure());
        return std::nullopt;
    }
    std::vector<WindowListEntry> entries;
    for (const auto& window : *windows) {
        if (auto listed = entry(window)) entries.push_back(std::move(*listed));
        Responsive::handleInputWhenDue();
    }
    return entries;
}

std::int64_t X11WindowList::layer(const WindowFacts& facts) const {
    const auto& atoms = call_.c().atoms();
    if (facts.hasType(atoms[Atom::netWmWindowTypeTooltip]) ||
        facts.hasType(atoms[Atom::netWmWindowTypePopupMenu]) ||
        facts.hasType(atoms[Atom::netWmWindowTypeDropdownMenu])) {
        return popUpLayer;
    }
    if (facts.hasType(atoms[Atom::netWmWindowTypeNotification])) return statusLayer;
    if (facts.hasType(atoms[Atom::netWmWindowTypeDock])) return dockLayer;
    if (facts.hasState(atoms[Atom::netWmStateAbove])) return floatingLayer;
    return 0;
}

std::optional<WindowListEntry> X11WindowList::entry(const WindowFacts& facts) const {
    if (!facts.exists || !facts.viewable) return std::nullopt;
    if (facts.hasType(call_.c().atom(Atom::netWmWindowTypeDesktop))) return std::nullopt;
    WindowListEntry entry;
    entry.ownerPID = facts.pid;
    entry.windowName = facts.title;
    entry.ownerName = facts.wmClass;
    if (!entry.ownerName && facts.pid) entry.ownerName = ProcessInfo::commandName(*facts.pid);
    entry.windowNumber = facts.window;
    entry.windowLayer = layer(facts);
    const auto& frame = facts.frame;
    const auto& shadow = facts.clientSideShadow;
    const double x = double(facts.x) - frame.left + shadow.left;
    const double y = double(facts.y) - frame.top + shadow.top;
    const double width =
        double(facts.width) + frame.left + frame.right - shadow.left - shadow.right;
    const double height =
        double(facts.height) + frame.top + frame.bottom - shadow.top - shadow.bottom;
    entry.bounds =
        std::map<std::string, double>{{"X", x}, {"Y", y}, {"Width", width}, {"Height", height}};
    return entry;
}

}  // namespace varnic
