#pragma once

#include <memory>

#include "support/MainQueue.h"
#include "support/Published.h"
#include "windows/DesktopShell.h"
#include "windows/WindowSystem.h"

namespace varnic {

// Whether Varnic may act on other windows; asks for it and polls until granted.
// Ticks and delayed tasks hold it weakly, so it lives in a shared_ptr.
class AccessibilityManager : public std::enable_shared_from_this<AccessibilityManager> {
  public:
    static std::shared_ptr<AccessibilityManager> create(WindowSystem& system, DesktopShell& shell,
                                                        MainQueue& queue);
    ~AccessibilityManager();

    Published<bool> isAuthorized;

    void checkPermission();
    void requestPermission();
    void startPolling();
    void openAccessibilitySettings();
    void requestPermissionAndOpenSettings();
    bool isPolling() const { return timer_ != nullptr; }
    // What the onboarding screen says on this desktop.
    PermissionGuide permissionGuide() const { return system_.permissionGuide(); }

  private:
    struct Token {};

  public:
    AccessibilityManager(Token, WindowSystem& system, DesktopShell& shell, MainQueue& queue);

  private:
    void pollTick();

    WindowSystem& system_;
    DesktopShell& shell_;
    MainQueue& queue_;
    std::unique_ptr<Timer> timer_;
};

}  // namespace varnic
