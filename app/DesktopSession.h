#pragma once

#include <QObject>
#include <memory>

#include "platform/gnome/TopBarService.h"
#include "platform/qt/PanelPlacer.h"
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
    // Where the compositor places Varnic's panel; null where Varnic places it itself.
    PanelPlacer* panelPlacer() { return placer_.get(); }
    // Lets a desktop's own panel (GNOME Shell's top bar, through Varnic's
    // extension) toggle the panel and do what the menu does over the session bus.
    void offerStatusActions(TopBarService::Actions actions);

  private:
    DesktopSession(std::unique_ptr<WindowSystem> system, std::unique_ptr<QObject> pump,
                   std::unique_ptr<PanelPlacer> placer = nullptr);
    static std::unique_ptr<DesktopSession> detectI3Ipc();

    std::unique_ptr<WindowSystem> system_;
    std::unique_ptr<QObject> pump_;
    std::unique_ptr<QObject> statusActions_;
    std::unique_ptr<PanelPlacer> placer_;
};

}  // namespace varnic
