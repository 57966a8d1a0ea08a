#pragma once

#include "windows/RunningApplication.h"
#include "windows/WindowSystem.h"

namespace varnic {

// Writes a size to an application's window: the focused window, else the
// first of its windows, with one second attempt when that fails.
class WindowResizer {
  public:
    explicit WindowResizer(WindowSystem& system) : system_(system) {}

    void resizeWindow(const RunningApplication& application, double width, double height);

  private:
    void performResizeRunning(const RunningApplication& application, double width, double height);

    WindowSystem& system_;
};

}  // namespace varnic
