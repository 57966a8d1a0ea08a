#pragma once

#include <functional>
#include <memory>

#include "app/MenuBarManager.h"
#include "permissions/AccessibilityManager.h"

namespace varnic {

// Owns the permission monitor from construction on and the tray controller
// from the end of launching on; both live until the process ends.
class AppDelegate {
  public:
    AppDelegate(WindowSystem& system, DesktopShell& shell, MainQueue& queue,
                MenuBarManager::ContentFactory content);

    void applicationDidFinishLaunching();

    const std::shared_ptr<AccessibilityManager>& accessibilityManager() const {
        return accessibilityManager_;
    }
    MenuBarManager* menuBarManager() const { return menuBarManager_.get(); }

  private:
    std::unique_ptr<MenuBarManager> menuBarManager_;
    std::shared_ptr<AccessibilityManager> accessibilityManager_;
    MenuBarManager::ContentFactory content_;
};

}  // namespace varnic
