#include "views/RootView.h"

#include <QVBoxLayout>

#include "permissions/AccessibilityManager.h"
#include "permissions/StartupManager.h"
#include "support/MainQueue.h"
#include "views/ContentView.h"
#include "views/OnboardingView.h"

namespace varnic {

RootView::RootView(MainQueue& queue, std::shared_ptr<AccessibilityManager> accessibilityManager,
                   WindowManagerSource windowManager, LoginItemService& loginItems,
                   AppBundle& bundle, QWidget* parent)
    : QWidget(parent),
      queue_(queue),
      accessibilityManager_(std::move(accessibilityManager)),
      windowManager_(std::move(windowManager)),
      loginItems_(loginItems),
      bundle_(bundle) {
    setObjectName(QStringLiteral("rootView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    render();
    authorized_ = accessibilityManager_->isAuthorized.subscribe([this] { redraw_.schedule(); });
}

// The screens observe the managers; they go before the managers do.
RootView::~RootView() {
    delete screen_;
}

StartupManager& RootView::startupManager() {
    if (!startupManager_) startupManager_ = std::make_unique<StartupManager>(loginItems_);
    return *startupManager_;
}

// Each opening shows the screen for the permission as it is now: the redraw a
// change queued may not have run yet, and the stale screen must not flash.
void RootView::showEvent(QShowEvent* event) {
    render();
    QWidget::showEvent(event);
}

void RootView::render() {
    const bool authorized = accessibilityManager_->isAuthorized.get();
    // The panel keeps its own state across redraws, so only a change of the
    // permission replaces the screen.
    if (screen_ && authorized == showsPanel_) return;
    showsPanel_ = authorized;
    if (authorized) {
        present(new ContentView(queue_, *accessibilityManager_, startupManager(), windowManager_(),
                                bundle_));
    } else {
        present(new OnboardingView(queue_, *accessibilityManager_, bundle_));
    }
}

void RootView::present(QWidget* screen) {
    delete screen_;
    screen_ = screen;
    setFocusProxy(screen_);
    layout()->addWidget(screen_);
    // A child added to a visible parent stays hidden until shown; showing it
    // is the panel's coming on screen.
    if (isVisible()) screen_->show();
}

}  // namespace varnic
