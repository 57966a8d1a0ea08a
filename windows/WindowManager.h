#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "support/MainQueue.h"
#include "support/Published.h"
#include "support/Subscription.h"
#include "windows/DesktopShell.h"
#include "windows/Preset.h"
#include "windows/TargetWindowInfo.h"
#include "windows/WindowDiscovery.h"
#include "windows/WindowSystem.h"

namespace varnic {

// The one object that deals with other applications' windows: it tracks the
// last other application that became active, finds the target window and
// resizes it. Tasks it queues hold it strongly, so it lives in a shared_ptr.
class WindowManager : public std::enable_shared_from_this<WindowManager> {
  public:
    static std::shared_ptr<WindowManager> create(WindowSystem& system, DesktopShell& shell,
                                                 MainQueue& queue);

    // The composition point: the platform that shared() will use, set once at
    // start-up before anything asks for the shared instance.
    static void configureShared(WindowSystem& system, DesktopShell& shell, MainQueue& queue);
    // Created on first use, exactly once; lives until the process ends.
    static WindowManager& shared();

    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    Published<std::optional<TargetWindowInfo>> activeWindowInfo;

    std::optional<Pid> lastNonSelfFrontmostPID() const { return lastNonSelfFrontmostPID_; }
    const std::vector<Preset>& presets() const { return standardPresets(); }

    // Runs the whole discovery now; the target found is stored by a queued task.
    void fetchActiveWindowInfo();
    // The last-other-application route on its own: the application's focused,
    // main or first window; a target without a window or title is not stored.
    void fetchWindowInfo(const RunningApplication& application);
    void resizeActiveWindow(std::optional<Pid> targetPid, double width, double height);

  private:
    struct Token {};

  public:
    WindowManager(Token, WindowSystem& system, DesktopShell& shell, MainQueue& queue);

  private:
    void handleAppActivation(const ActivationNotification& notification);
    // Stores the outcome on the next turn of the main queue, never at once.
    void publish(WindowDiscovery::Outcome outcome);
    void resizeAfterHiding(std::optional<Pid> targetPid, double width, double height);
    // The application the panel named, or absent (logged) when it has quit.
    std::optional<RunningApplication> namedTarget(Pid targetPid);
    // Keeps the task for later when a call into the window system is under way.
    bool deferredWhileBusy(std::function<void()> task);

    // Marks a call into the window system; queues what was deferred when it ends.
    class Busy {
      public:
        explicit Busy(WindowManager& manager);
        ~Busy();
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

      private:
        WindowManager& manager_;
    };

    WindowSystem& system_;
    DesktopShell& shell_;
    MainQueue& queue_;
    std::optional<Pid> lastNonSelfFrontmostPID_;
    Subscription activations_;
    bool busy_ = false;
    std::vector<std::function<void()>> deferred_;
};

}  // namespace varnic
