#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/mirror/SizeLimits.h"
#include "windows/RunningApplication.h"

namespace varnic {

class XcbConnection;

// What i3's IPC does not tell about an X11 window.
struct X11ClientFacts {
    std::optional<Pid> pid;
    SizeLimits limits;  // of the client area, from WM_NORMAL_HINTS
};

// The processes and size hints of X11 windows, for i3 and XWayland windows
// on sway: read from the windows themselves (_NET_WM_PID, else the X-Resource
// extension; WM_NORMAL_HINTS) on a connection to $DISPLAY opened at the first
// lookup.
class X11PidLookup {
  public:
    X11PidLookup();
    ~X11PidLookup();
    X11PidLookup(const X11PidLookup&) = delete;
    X11PidLookup& operator=(const X11PidLookup&) = delete;

    // The windows that still exist.
    std::map<std::uint32_t, X11ClientFacts> operator()(const std::vector<std::uint32_t>& windows);

  private:
    std::unique_ptr<XcbConnection> connection_;
};

}  // namespace varnic
