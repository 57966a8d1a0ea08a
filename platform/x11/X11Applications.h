#pragma once

#include <optional>
#include <vector>

#include "platform/x11/WindowFacts.h"
#include "platform/x11/X11Connection.h"
#include "windows/RunningApplication.h"

namespace varnic {

// An application's client windows, topmost first, and the active window.
struct AppWindows {
    std::vector<WindowFacts> windows;
    xcb_window_t active = XCB_WINDOW_NONE;
    bool ownsActive() const;
};

// Running applications as X11 shows them: processes with client windows.
class X11Applications {
  public:
    explicit X11Applications(const X11Call& call) : call_(call) {}

    // The windows of the process, or for a client that names no pid the one
    // window it was found by, with these facts read. Absent, and logged,
    // without an answer.
    std::optional<AppWindows> windows(std::optional<Pid> pid, xcb_window_t anchor, unsigned facts);
    // Absent when the process does not exist.
    std::optional<RunningApplication> running(Pid pid);
    // What /proc alone tells about a process.
    static RunningApplication withoutWindows(Pid pid);
    // The owner of the active window; absent when there is none or it is gone.
    std::optional<RunningApplication> frontmost();
    // The process of the active window, if it still exists.
    std::optional<Pid> activePid();

  private:
    RunningApplication describe(Pid pid, const std::optional<AppWindows>& found) const;

    const X11Call& call_;
};

}  // namespace varnic
