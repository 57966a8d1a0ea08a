#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "windows/RunningApplication.h"

namespace varnic {

struct I3Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

// One window (a leaf container) as i3 and sway describe it.
struct I3Window {
    std::int64_t id = 0;  // the container id, stable for the window's life
    std::optional<Pid> pid;
    // The X11 window behind the container (i3, and XWayland windows on sway).
    std::optional<std::uint32_t> x11Window;
    // app_id for Wayland windows, the WM_CLASS class for X11 ones.
    std::optional<std::string> appName;
    std::string title;
    // The outer frame, title bar and borders included.
    I3Rect outer;
    bool floating = false;
    bool fullscreen = false;
    bool focused = false;
};

// A "window" event: what changed and the container it concerns.
struct I3WindowEvent {
    std::string change;
    I3Window window;
};

// Parsing never trusts the reply: anything that is not the expected JSON
// shape is skipped or absent, never an exception.
namespace i3tree {

// The windows of a get_tree reply, front-most first: the order of the focus
// lists from the root down. Windows in the scratchpad and in i3's docks are
// left out. Absent when the reply is not a tree.
std::optional<std::vector<I3Window>> windows(std::string_view json);

// A window event; absent when it is malformed or concerns no window.
std::optional<I3WindowEvent> windowEvent(std::string_view json);

// Whether every command of a run_command reply succeeded; the first error otherwise.
struct CommandOutcome {
    bool success = false;
    std::string error;
};
CommandOutcome commandOutcome(std::string_view json);

// The compositor's name and version from a get_version reply ("sway 1.7", "i3 4.22").
std::optional<std::string> compositorName(std::string_view json);

}  // namespace i3tree
}  // namespace varnic
