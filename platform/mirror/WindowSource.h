#pragma once

#include <chrono>

#include "platform/mirror/MirrorWindow.h"
#include "windows/WindowSystem.h"

namespace varnic {

// What a compositor backend gives the mirror: its protocol's events, fed as
// opened, closed, changed and focused to the WindowMirror, and what only the
// compositor can do.
class WindowSource {
  public:
    using Deadline = std::chrono::steady_clock::time_point;

    virtual ~WindowSource() = default;

    // Whether the mirror is current: the compositor is reachable and events
    // already here have been fed. May reconnect, bounded.
    virtual bool current() = 0;
    // Asks for the outer size and waits, bounded by the deadline, for the
    // window to take it; judges what it took by SizeLimits' rule.
    virtual SizeWriteResult resize(const MirrorWindow& window, Size size, Deadline deadline) = 0;
};

}  // namespace varnic
