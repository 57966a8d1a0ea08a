#pragma once

#include <xcb/xcb.h>

#include <optional>

#include "windows/WindowSystem.h"

namespace varnic {

// An accessibility element on X11: the system-wide element, an application
// (a pid, or for a client that names no pid the one window it was found by)
// or a client window.
class X11Element : public ElementRef {
  public:
    enum class Kind { systemWide, application, window };

    static Element systemWide();
    static Element application(std::optional<Pid> pid, xcb_window_t anchor,
                               std::optional<float> timeout);
    static Element window(xcb_window_t window, std::optional<float> timeout);

    Kind kind() const { return kind_; }
    std::optional<Pid> pid() const { return pid_; }
    // The application's window when it has no pid; the window of a window element.
    xcb_window_t window() const { return window_; }
    // The messaging timeout; windows read from an application inherit it.
    std::optional<float> timeout() const { return timeout_; }
    void setTimeout(float seconds) const { timeout_ = seconds; }

  private:
    X11Element(Kind kind, std::optional<Pid> pid, xcb_window_t window, std::optional<float> timeout)
        : kind_(kind), pid_(pid), window_(window), timeout_(timeout) {}

    Kind kind_;
    std::optional<Pid> pid_;
    xcb_window_t window_;
    mutable std::optional<float> timeout_;
};

}  // namespace varnic
