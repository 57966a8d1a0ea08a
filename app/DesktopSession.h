#pragma once

#include <QObject>
#include <memory>

#include "windows/WindowSystem.h"

namespace varnic {

// The window system of the session Varnic runs in, chosen once at start-up,
// with whatever feeds its events from the Qt event loop.
class DesktopSession {
  public:
    // Picks the backend for this session and logs one line naming it.
    static std::unique_ptr<DesktopSession> detect();
    ~DesktopSession();

    WindowSystem& windowSystem() { return *system_; }

  private:
    DesktopSession(std::unique_ptr<WindowSystem> system, std::unique_ptr<QObject> pump);

    std::unique_ptr<WindowSystem> system_;
    std::unique_ptr<QObject> pump_;
};

}  // namespace varnic
