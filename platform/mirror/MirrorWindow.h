#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/mirror/SizeLimits.h"
#include "windows/RunningApplication.h"

namespace varnic {

struct MirrorRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

// One window as a compositor backend reports it to the mirror.
struct MirrorWindow {
    enum class Role { application, desktop, dock, popup, notification };

    std::string id;           // the backend's id, stable for the window's life
    std::int64_t number = 0;  // its number in the window list; 0: the mirror numbers it
    std::optional<Pid> pid;   // absent while unknown
    std::optional<std::uint32_t> x11Window;  // the X window of an X11 or XWayland client
    std::string appName;                     // app id or WM_CLASS class; empty when it names none
    std::string title;
    MirrorRect frame;  // the outer frame, decorations included
    Role role = Role::application;
    bool normal = true;  // a main window: not a dialog, utility or splash
    bool keepAbove = false;
    bool skipTaskbar = false;
    bool minimized = false;  // minimized, or put away (i3's scratchpad)
    bool resizable = true;
    std::int64_t stacking = 0;  // higher is nearer the front, where the compositor says
    // Outer-size limits, where the compositor tells them.
    std::optional<SizeLimits> limits;
};

}  // namespace varnic
