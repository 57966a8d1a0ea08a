#pragma once

#include <optional>
#include <vector>

#include "platform/x11/WindowFacts.h"
#include "platform/x11/X11Connection.h"
#include "windows/WindowListEntry.h"

namespace varnic {

// The windows the window manager manages, topmost first, and the active one.
struct Clients {
    std::vector<xcb_window_t> topmostFirst;
    xcb_window_t active = XCB_WINDOW_NONE;
};

// The window manager's client list, and the on-screen window list made from it.
class X11WindowList {
  public:
    // No real desktop has this many top-level windows; a longer list is cut
    // (and that logged), so that a hostile list costs a bounded amount of work.
    static constexpr std::uint32_t maxClients = 65536;

    explicit X11WindowList(const X11Call& call) : call_(call) {}

    // Absent, and logged, when the server does not answer.
    std::optional<Clients> clients();
    // On-screen windows, front-most first; absent, and logged, without an answer.
    std::optional<std::vector<WindowListEntry>> onScreen();

  private:
    std::optional<WindowListEntry> entry(const WindowFacts& facts) const;
    std::int64_t layer(const WindowFacts& facts) const;

    const X11Call& call_;
};

}  // namespace varnic
