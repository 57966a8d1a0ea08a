#pragma once

#include <optional>
#include <string>

#include "windows/RunningApplication.h"
#include "windows/TargetWindowInfo.h"
#include "windows/WindowListEntry.h"
#include "windows/WindowSystem.h"

namespace varnic {

// Finds the window a resize will act on, logging every decision: the focused
// application first (or, when that is Varnic, the last other application),
// then the on-screen window list.
class WindowDiscovery {
  public:
    // What to store in activeWindowInfo: a target, or absent.
    struct Publication {
        std::optional<TargetWindowInfo> target;
    };
    // Empty when discovery ended without anything to publish (the stored
    // target then stays as it was).
    using Outcome = std::optional<Publication>;

    explicit WindowDiscovery(WindowSystem& system) : system_(system) {}

    Outcome discover(std::optional<Pid> lastNonSelfFrontmostPID);
    // The application's focused, main or first window with its title.
    Outcome fetchWindowInfo(const RunningApplication& application);

  private:
    // Empty when discovery goes on with the window list.
    std::optional<Outcome> focusedApplicationRoute(std::optional<Pid> lastNonSelfFrontmostPID);
    std::optional<Outcome> focusedWindowRoute(const ElementRef& application, Pid pid,
                                              const std::optional<RunningApplication>& running);
    Element windowOf(const ElementRef& application, const std::string& name);
    Outcome windowListRoute();
    std::optional<RunningApplication> eligibleOwner(const WindowListEntry& entry, Pid ownPid);
    TargetWindowInfo candidate(const WindowListEntry& entry, const RunningApplication& owner);
    void logFallbackReads(const ElementRef& application, const std::string& name);
    bool isOwnApplication(const std::optional<RunningApplication>& running);

    WindowSystem& system_;
};

}  // namespace varnic
