#pragma once

#include <xcb/xcb.h>

#include <array>
#include <optional>

#include "platform/x11/WindowFacts.h"
#include "platform/x11/X11Connection.h"
#include "windows/WindowSystem.h"

namespace varnic {

// One size write to a client window through the window manager, and its
// truthful outcome: the request, the wait for the window manager's answer
// (events on the window, bounded by the deadline), then the outer size read
// back. A maximized window is first restored.
class X11Resizer {
  public:
    explicit X11Resizer(const X11Call& call) : call_(call), connection_(call.c()) {}

    SizeWriteResult resize(xcb_window_t window, Size outer);

  private:
    std::optional<WindowFacts> read(xcb_window_t window, unsigned facts);
    std::optional<WindowFacts> read(xcb_window_t window, unsigned facts, Deadline deadline);
    AXError unmeasurable(xcb_window_t window);
    bool maximized(const WindowFacts& facts) const;
    std::optional<WindowFacts> unmaximize(const WindowFacts& facts);
    bool supportsMoveResize(const xcb_get_property_reply_t* supported) const;
    void sendToWindowManager(xcb_window_t window, Atom type, std::array<std::uint32_t, 5> data);
    void request(xcb_window_t window, Extent client, bool moveResize);
    bool awaitAnswer(xcb_window_t window, Extent wanted, const SizeHints& hints);
    SizeWriteResult outcome(const WindowFacts& before, const WindowFacts& after, Extent wanted,
                            Size outer, bool answered);

    const X11Call& call_;
    XcbConnection& connection_;
};

}  // namespace varnic
