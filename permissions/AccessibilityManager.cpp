#include "permissions/AccessibilityManager.h"

#include <string>

#include "support/Log.h"
#include "support/LogFormat.h"

namespace varnic {
namespace {

constexpr double pollIntervalSeconds = 1.0;
// Gives the platform's prompt a moment before the settings page covers it.
constexpr double settingsDelaySeconds = 1.0;

}  // namespace

std::shared_ptr<AccessibilityManager> AccessibilityManager::create(WindowSystem& system,
                                                                   DesktopShell& shell,
                                                                   MainQueue& queue) {
    return std::make_shared<AccessibilityManager>(Token{}, system, shell, queue);
}

AccessibilityManager::AccessibilityManager(Token, WindowSystem& system, DesktopShell& shell,
                                           MainQueue& queue)
    : isAuthorized(false), system_(system), shell_(shell), queue_(queue) {
    checkPermission();
}

AccessibilityManager::~AccessibilityManager() {
    if (timer_) timer_->invalidate();
}

void AccessibilityManager::checkPermission() {
    isAuthorized.set(system_.isProcessTrusted());
    Log::write("isAuthorized : " + std::string(logformat::truth(isAuthorized.get())));
}

void AccessibilityManager::requestPermission() {
    // Only the prompt matters here; the answer is picked up by the polling.
    static_cast<void>(system_.isProcessTrustedWithPrompt());
    Log::write("requestPermission : " + std::string(logformat::truth(isAuthorized.get())));
    startPolling();
}

void AccessibilityManager::startPolling() {
    if (timer_) timer_->invalidate();
    timer_ = queue_.repeating(pollIntervalSeconds, [weak = weak_from_this()] {
        if (auto self = weak.lock()) self->pollTick();
    });
}

void AccessibilityManager::pollTick() {
    checkPermission();
    if (isAuthorized.get() && timer_) {
        timer_->invalidate();
        timer_.reset();
    }
}

void AccessibilityManager::openAccessibilitySettings() {
    shell_.openURL(accessibilitySettingsURL);
}

void AccessibilityManager::requestPermissionAndOpenSettings() {
    requestPermission();
    queue_.postAfter(settingsDelaySeconds, [weak = weak_from_this()] {
        auto self = weak.lock();
        if (self && !self->isAuthorized.get()) self->openAccessibilitySettings();
    });
}

}  // namespace varnic
