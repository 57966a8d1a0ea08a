#pragma once

#include <array>
#include <string>

namespace varnic {

// The texts of the onboarding screen. Each desktop grants Varnic its reach in
// its own way, so the backend in use writes them.
struct PermissionGuide {
    std::string heading;
    std::string reason;
    std::array<std::string, 3> steps;
    std::string buttonTitle;
};

}  // namespace varnic
