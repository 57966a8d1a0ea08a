#pragma once

#include <optional>

#include "windows/TargetWindowInfo.h"
#include "windows/WindowSystem.h"

namespace varnic {

// Finds the window a resize will act on, logging every decision.
class WindowDiscovery {
public:
    // What to store in activeWindowInfo: a target, or absent.
    struct Publication {
        std::optional<TargetWindowInfo> target;
    };

    explicit WindowDiscovery(WindowSystem& system) : system_(system) {}

    // Empty when discovery ended without anything to publish (the stored
    // target then stays as it was).
    std::optional<Publication> discover(std::optional<Pid> lastNonSelfFrontmostPID);

private:
    WindowSystem& system_;
};

}  // namespace varnic
