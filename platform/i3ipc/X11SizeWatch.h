#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>

namespace varnic {

class XcbConnection;

// The size of one XWayland window as the X server has it, followed through
// its ConfigureNotify events on a connection to $DISPLAY opened at first use.
// sway sends an XWayland window its new size through the X server, and an X
// client cannot refuse it: once the X server shows the size sway laid out,
// the window has it.
class X11SizeWatch {
  public:
    using Deadline = std::chrono::steady_clock::time_point;
    struct Extent {
        long width = 0;
        long height = 0;
        bool operator==(const Extent&) const = default;
    };

    X11SizeWatch();
    ~X11SizeWatch();
    X11SizeWatch(const X11SizeWatch&) = delete;
    X11SizeWatch& operator=(const X11SizeWatch&) = delete;

    // Follows the window from now on, in place of any other; false when the
    // X server or the window cannot be reached.
    bool follow(std::uint32_t window, Deadline deadline);
    void stop();
    // The window's size as last heard; absent when not following one.
    std::optional<Extent> size() const { return size_; }
    // Waits for the window's next event, up to the deadline; false when none came.
    bool awaitChange(Deadline deadline);

  private:
    std::unique_ptr<XcbConnection> connection_;
    std::uint32_t window_ = 0;
    std::optional<Extent> size_;
};

}  // namespace varnic
