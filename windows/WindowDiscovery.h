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
    // How discovery ended: with a target (or explicitly none) to store in
    // activeWindowInfo, or without anything to store, leaving it as it was.
    struct Outcome {
        bool stores = false;
        std::optional<TargetWindowInfo> target;

        static Outcome store(std::optional<TargetWindowInfo> target) {
            return {true, std::move(target)};
        }
        static Outcome keep() { return {}; }
    };
    // A route that settles discovery, or hands it on to the window list.
    using RouteEnd = std::optional<Outcome>;

    explicit WindowDiscovery(WindowSystem& system) : system_(system) {}

    Outcome discover(std::optional<Pid> lastNonSelfFrontmostPID);
    // The application's focused, main or first window with its title.
    Outcome fetchWindowInfo(const RunningApplication& application);

  private:
    // Empty when discovery goes on with the window list.
    RouteEnd focusedApplicationRoute(std::optional<Pid> lastNonSelfFrontmostPID);
    RouteEnd focusedWindowRoute(const ElementRef& application, Pid pid,
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
