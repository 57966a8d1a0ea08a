#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "windows/AppIcon.h"

namespace varnic {

using Pid = std::int32_t;

enum class ActivationPolicy : std::int64_t { regular = 0, accessory = 1, prohibited = 2 };

// A snapshot of a running process as the workspace sees it.
struct RunningApplication {
    Pid processIdentifier = 0;
    std::optional<std::string> localizedName;
    std::optional<std::string> bundleIdentifier;
    std::shared_ptr<const AppIcon> icon;
    ActivationPolicy activationPolicy = ActivationPolicy::regular;
    bool isActive = false;
    bool isHidden = false;
};

// Bundle identifiers are equal when both are absent or both hold the same text.
inline bool sameBundle(const std::optional<std::string>& a, const std::optional<std::string>& b) {
    return a == b;
}

}  // namespace varnic
