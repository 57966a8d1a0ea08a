#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "windows/RunningApplication.h"

namespace varnic {

class XcbConnection;

// The processes of X11 windows, for i3, whose IPC does not tell them: read
// from the windows themselves (_NET_WM_PID, else the X-Resource extension) on
// a connection to $DISPLAY opened at the first lookup.
class X11PidLookup {
  public:
    X11PidLookup();
    ~X11PidLookup();
    X11PidLookup(const X11PidLookup&) = delete;
    X11PidLookup& operator=(const X11PidLookup&) = delete;

    // The pids found; windows without one are left out.
    std::map<std::uint32_t, Pid> operator()(const std::vector<std::uint32_t>& windows);

  private:
    std::unique_ptr<XcbConnection> connection_;
};

}  // namespace varnic
