#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnic {

struct Preset {
    std::string name;
    std::int64_t width;
    std::int64_t height;
};

// The fixed, ordered size presets shared by the panel and the tray menu.
const std::vector<Preset>& standardPresets();

}  // namespace varnic
