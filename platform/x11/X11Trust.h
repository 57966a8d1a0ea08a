#pragma once

#include <optional>
#include <string>

#include "platform/x11/XcbConnection.h"

namespace varnic {

// Whether an EWMH window manager runs, which is what Varnic needs to follow
// the active window and resize others, and its name.
class X11Trust {
  public:
    explicit X11Trust(XcbConnection& connection) : connection_(connection) {}

    // An EWMH window manager proves itself with a child window whose own
    // _NET_SUPPORTING_WM_CHECK points at itself; a stale property left by a
    // window manager that quit fails that test.
    bool windowManagerRunning();
    // The window manager's own name, when one runs and gives it.
    std::optional<std::string> windowManagerName();

  private:
    // The window manager's check window, absent when there is none.
    std::optional<xcb_window_t> checkWindow(Deadline deadline);

    XcbConnection& connection_;
};

}  // namespace varnic
