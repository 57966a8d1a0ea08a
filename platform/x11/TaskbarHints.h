#pragma once

#include <xcb/xcb.h>

namespace varnic {

// Asks taskbars and pagers to leave a window of Varnic's own out.
class TaskbarHints {
  public:
    // Sets _NET_WM_STATE to skip-taskbar and skip-pager on the window, on a
    // connection that another toolkit owns. The atoms are interned once per
    // connection, with a bounded wait; without them nothing is set.
    static void skipTaskbar(xcb_connection_t* connection, xcb_window_t window);
};

}  // namespace varnic
