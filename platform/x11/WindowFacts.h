#pragma once

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/x11/SizeHints.h"
#include "windows/AppIcon.h"
#include "windows/RunningApplication.h"

namespace varnic {

// Border widths around a client window (EWMH order: left, right, top, bottom).
struct FrameExtents {
    std::uint32_t left = 0;
    std::uint32_t right = 0;
    std::uint32_t top = 0;
    std::uint32_t bottom = 0;
};

// What one batch read learned about one client window. Only the facts asked
// for are filled in.
struct WindowFacts {
    xcb_window_t window = XCB_WINDOW_NONE;
    bool exists = true;  // false once the server reported the window gone
    std::optional<Pid> pid;
    std::optional<std::string> title;
    std::optional<std::string> wmClass;
    std::vector<xcb_atom_t> types;
    std::vector<xcb_atom_t> states;
    bool viewable = false;
    // The client area in root coordinates.
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // The window manager's decorations, and the invisible shadow margin that
    // client-side-decorated windows draw inside their own area.
    FrameExtents frame;
    FrameExtents clientSideShadow;
    // _NET_FRAME_EXTENTS held values no frame has; frame is then unknown.
    bool frameUntrusted = false;
    std::shared_ptr<const AppIcon> icon;
    SizeHints sizeHints;

    bool hasState(xcb_atom_t state) const {
        return std::find(states.begin(), states.end(), state) != states.end();
    }
    bool hasType(xcb_atom_t type) const {
        return std::find(types.begin(), types.end(), type) != types.end();
    }
};

}  // namespace varnic
