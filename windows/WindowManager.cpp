#include "windows/WindowManager.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "support/Log.h"
#include "windows/WindowDiscovery.h"
#include "windows/WindowResizer.h"

namespace varnic {
namespace {

// The hide request gives focus back to the previous application; its window
// is resized once this pause has passed.
constexpr double hideDelaySeconds = 0.5;

struct SharedPlatform {
    WindowSystem* system = nullptr;
    DesktopShell* shell = nullptr;
    MainQueue* queue = nullptr;
};

SharedPlatform& sharedPlatform() {
    static SharedPlatform platform;
    return platform;
}

}  // namespace

std::shared_ptr<WindowManager> WindowManager::create(WindowSystem& system, DesktopShell& shell,
                                                     MainQueue& queue) {
    auto manager = std::make_shared<WindowManager>(Token{}, system, shell, queue);
    // Registered after construction so that the handler can hold the manager weakly.
    manager->activations_ = system.subscribeActivations(
        [weak = std::weak_ptr(manager)](const ActivationNotification& notification) {
            if (auto self = weak.lock()) self->handleAppActivation(notification);
        });
    return manager;
}

WindowManager::WindowManager(Token, WindowSystem& system, DesktopShell& shell, MainQueue& queue)
    : system_(system), shell_(shell), queue_(queue) {}

void WindowManager::configureShared(WindowSystem& system, DesktopShell& shell, MainQueue& queue) {
    sharedPlatform() = {&system, &shell, &queue};
}

WindowManager& WindowManager::shared() {
    static const std::shared_ptr<WindowManager> instance = [] {
        const auto& platform = sharedPlatform();
        if (!platform.system || !platform.shell || !platform.queue) {
            throw std::logic_error("WindowManager::shared() used before configureShared()");
        }
        return create(*platform.system, *platform.shell, *platform.queue);
    }();
    return *instance;
}

void WindowManager::handleAppActivation(const ActivationNotification& notification) {
    if (!notification.application) return;
    const auto& application = *notification.application;
    if (sameBundle(application.bundleIdentifier, system_.ownBundleIdentifier())) return;
    lastNonSelfFrontmostPID_ = application.processIdentifier;
}

// Calls into the window system wait in slices and let the application handle
// input meanwhile; what that input asks of the manager (a second resize, a
// discovery) runs once the call in progress has ended, in the order asked.
bool WindowManager::deferredWhileBusy(std::function<void()> task) {
    if (!busy_) return false;
    deferred_.push_back(std::move(task));
    return true;
}

WindowManager::Busy::Busy(WindowManager& manager) : manager_(manager) {
    manager_.busy_ = true;
}

WindowManager::Busy::~Busy() {
    manager_.busy_ = false;
    for (auto& task : std::exchange(manager_.deferred_, {})) manager_.queue_.post(std::move(task));
}

void WindowManager::fetchActiveWindowInfo() {
    if (deferredWhileBusy([self = shared_from_this()] { self->fetchActiveWindowInfo(); })) return;
    const Busy busy(*this);
    publish(WindowDiscovery(system_).discover(lastNonSelfFrontmostPID_));
}

void WindowManager::fetchWindowInfo(const RunningApplication& application) {
    if (deferredWhileBusy(
            [self = shared_from_this(), application] { self->fetchWindowInfo(application); })) {
        return;
    }
    const Busy busy(*this);
    publish(WindowDiscovery(system_).fetchWindowInfo(application));
}

void WindowManager::publish(WindowDiscovery::Outcome outcome) {
    if (!outcome.stores) return;
    queue_.post([self = shared_from_this(), target = std::move(outcome.target)]() mutable {
        self->activeWindowInfo.set(std::move(target));
    });
}

std::optional<RunningApplication> WindowManager::namedTarget(Pid targetPid) {
    auto target = system_.runningApplication(targetPid);
    // The panel promised that window; any other would be the wrong one.
    if (!target) {
        Log::write("The target application (pid " + std::to_string(targetPid) +
                   ") is gone; no window was resized");
    }
    return target;
}

void WindowManager::resizeActiveWindow(std::optional<Pid> targetPid, double width, double height) {
    if (deferredWhileBusy([self = shared_from_this(), targetPid, width, height] {
            self->resizeActiveWindow(targetPid, width, height);
        })) {
        return;
    }
    const Busy busy(*this);
    const auto frontmost = system_.frontmostApplication();
    if (!frontmost) {
        Log::write("No frontmost application found");
        return;
    }
    if (!sameBundle(frontmost->bundleIdentifier, system_.ownBundleIdentifier())) {
        const auto target = targetPid ? namedTarget(*targetPid) : frontmost;
        if (target) WindowResizer(system_).resizeWindow(*target, width, height);
        return;
    }
    shell_.hideOwnApplication();
    queue_.postAfter(hideDelaySeconds, [self = shared_from_this(), targetPid, width, height] {
        self->resizeAfterHiding(targetPid, width, height);
    });
}

void WindowManager::resizeAfterHiding(std::optional<Pid> targetPid, double width, double height) {
    if (deferredWhileBusy([self = shared_from_this(), targetPid, width, height] {
            self->resizeAfterHiding(targetPid, width, height);
        })) {
        return;
    }
    const Busy busy(*this);
    const auto target = targetPid ? namedTarget(*targetPid) : system_.frontmostApplication();
    if (target) WindowResizer(system_).resizeWindow(*target, width, height);
}

}  // namespace varnic
