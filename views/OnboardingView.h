#pragma once

#include <QWidget>

#include "support/Subscription.h"
#include "views/DeferredRender.h"
#include "windows/PermissionGuide.h"

namespace varnic {

class AccessibilityManager;
class AppBundle;
class DebugBlock;
class MainQueue;

// Shown while the accessibility permission is missing: why it is needed, the
// three steps, the buttons that ask for it and check again, and the debug lines.
class OnboardingView : public QWidget {
    Q_OBJECT

  public:
    OnboardingView(MainQueue& queue, AccessibilityManager& accessibilityManager, AppBundle& bundle,
                   QWidget* parent = nullptr);

    static constexpr int frameWidth = 450;

  private:
    void addHeading(const PermissionGuide& guide);
    void addInstructions(const PermissionGuide& guide);
    void addButtons(const PermissionGuide& guide);
    void render();

    MainQueue& queue_;
    AccessibilityManager& accessibilityManager_;
    DebugBlock* debug_;
    DeferredRender redraw_{queue_, this, [this] { render(); }};
    Subscription authorized_;
};

}  // namespace varnic
