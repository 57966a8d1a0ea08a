#pragma once

#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/x11/PropertyParsing.h"
#include "platform/x11/WindowFacts.h"
#include "platform/x11/XcbConnection.h"

namespace varnic {

// Reads facts about many windows in one round trip: every request for every
// window is sent first, the replies are collected after.
class X11WindowReader {
  public:
    enum Fact : unsigned {
        pid = 1u << 0,
        title = 1u << 1,
        wmClass = 1u << 2,
        kind = 1u << 3,      // window types and states
        geometry = 1u << 4,  // map state, client area, frame extents
        icon = 1u << 5,
        sizeHints = 1u << 6,  // WM_NORMAL_HINTS
    };

    explicit X11WindowReader(XcbConnection& connection) : connection_(connection) {}

    // Absent when the server did not answer before the deadline (failure()
    // says how). A window that no longer exists is kept with exists false.
    std::optional<std::vector<WindowFacts>> read(std::span<const xcb_window_t> windows,
                                                 unsigned facts, Deadline deadline);
    // The frame measured on the window manager's frame window (the window's
    // top-level ancestor); absent when the window has none or the server
    // did not answer.
    std::optional<FrameExtents> measureFrame(xcb_window_t window, Deadline deadline);
    // How the last read that came back absent ended.
    const Unanswered& failure() const { return failure_; }

  private:
    struct Pending;
    Pending send(xcb_window_t window, unsigned facts);
    bool collect(Pending& pending, WindowFacts& facts, Deadline deadline);
    xcb_get_property_cookie_t property(xcb_window_t window, xcb_atom_t atom,
                                       std::uint32_t maxItems32);

    std::optional<FrameExtents> extents(const property::Data& data, xcb_window_t window,
                                        std::string_view name);

    XcbConnection& connection_;
    Unanswered failure_;
    bool failed_ = false;
};

}  // namespace varnic
