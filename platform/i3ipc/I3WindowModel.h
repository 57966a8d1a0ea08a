#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/i3ipc/I3Tree.h"

namespace varnic {

// The compositor's windows as Varnic last heard of them, front-most first:
// read whole from get_tree, then kept current from "window" events, so that
// finding the focused window or listing windows asks the compositor nothing.
class I3WindowModel {
  public:
    // Replaces everything with a fresh tree; pids already known are kept for
    // windows whose container reports none (i3).
    void replace(std::vector<I3Window> windows);
    // Applies one event; true when it moved the focus to another window.
    bool apply(I3WindowEvent event);

    const std::vector<I3Window>& windows() const { return windows_; }
    const I3Window* find(std::int64_t id) const;
    const I3Window* focused() const;
    // The windows of a process, front-most first.
    std::vector<const I3Window*> windowsOf(Pid pid) const;
    // Windows whose pid must come from elsewhere (i3 reports none).
    std::vector<std::uint32_t> x11WindowsWithoutPid() const;
    void setPid(std::uint32_t x11Window, Pid pid);

  private:
    std::vector<I3Window>::iterator locate(std::int64_t id);
    void keepKnownPid(I3Window& window) const;

    std::vector<I3Window> windows_;
    std::optional<std::int64_t> focused_;
};

}  // namespace varnic
