#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "support/Subscription.h"
#include "views/DeferredRender.h"

namespace varnic {

class AccessibilityManager;
class AppBundle;
class LoginItemService;
class MainQueue;
class StartupManager;
class WindowManager;

// What the tray's panel hosts for the life of the process: the onboarding
// screen while the accessibility permission is missing, the main panel once
// it is granted, switching by itself on each change of isAuthorized.
//
// The app constructs it once with the real platform:
//     RootView root(mainQueue, accessibilityManager, &WindowManager::shared,
//                   loginItemService, appBundle);
// queue: the GUI thread's main queue (QtMainQueue), used for redraws and the
//   panel's resize reset;
// accessibilityManager: the process's one manager, kept alive by this view;
// windowManager: gives the shared window manager, asked for only when the
//   main panel is first built (tests give their own);
// loginItems: the start-at-login registration; the view creates its one
//   StartupManager over it;
// bundle: Varnic's own bundle for the debug lines and "Reveal App in Finder".
// Every reference must outlive the view. The view's size follows the screen
// shown: 450 wide for onboarding, 300 for the panel, heights from content.
class RootView : public QWidget {
    Q_OBJECT

  public:
    using WindowManagerSource = std::function<WindowManager&()>;

    RootView(MainQueue& queue, std::shared_ptr<AccessibilityManager> accessibilityManager,
             WindowManagerSource windowManager, LoginItemService& loginItems, AppBundle& bundle,
             QWidget* parent = nullptr);
    ~RootView() override;

    StartupManager& startupManager();
    // The screen shown now: an OnboardingView or a ContentView.
    QWidget* currentScreen() const { return screen_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void render();
    void present(QWidget* screen);

    MainQueue& queue_;
    std::shared_ptr<AccessibilityManager> accessibilityManager_;
    WindowManagerSource windowManager_;
    LoginItemService& loginItems_;
    AppBundle& bundle_;
    std::unique_ptr<StartupManager> startupManager_;
    QWidget* screen_ = nullptr;
    bool showsPanel_ = false;
    DeferredRender redraw_{queue_, this, [this] { render(); }};
    Subscription authorized_;
};

}  // namespace varnic
