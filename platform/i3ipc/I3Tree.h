#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mirror/MirrorWindow.h"

namespace varnic {

// One window (a leaf container) as i3 and sway describe it: what the mirror
// keeps, and the container's place in the layout.
struct I3Container {
    MirrorWindow window;  // id and number are the container id
    MirrorRect content;   // the window's own area: the frame less borders and title bar
    bool floating = false;
    bool fullscreen = false;
    bool focused = false;
    // sway still applies a new layout: it waits for the client to answer
    // the size it sent (or for the client's time to run out).
    bool applying = false;
};

// A "window" event: what changed and the container it concerns.
struct I3WindowEvent {
    std::string change;
    I3Container container;
};

// Parsing never trusts the reply: anything that is not the expected JSON
// shape is skipped or absent, never an exception.
namespace i3tree {

// The windows of a get_tree reply, front-most first: the order of the focus
// lists from the root down. Windows in the scratchpad count as minimized;
// i3's docks are left out. Absent when the reply is not a tree.
std::optional<std::vector<I3Container>> windows(std::string_view json);

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
