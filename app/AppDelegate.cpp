#include "app/AppDelegate.h"

#include <QApplication>

namespace varnic {

AppDelegate::AppDelegate(WindowSystem& system, DesktopShell& shell, MainQueue& queue,
                         MenuBarManager::ContentFactory content)
    : accessibilityManager_(AccessibilityManager::create(system, shell, queue)),
      content_(std::move(content)) {}

void AppDelegate::applicationDidFinishLaunching() {
    menuBarManager_ = std::make_unique<MenuBarManager>();
    menuBarManager_->setup(accessibilityManager_, content_);
    // An accessory program: closing its panel never ends it, only "Quit" does.
    QApplication::setQuitOnLastWindowClosed(false);
}

}  // namespace varnic
