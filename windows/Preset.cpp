#include "windows/Preset.h"

namespace varnic {

const std::vector<Preset>& standardPresets() {
    static const std::vector<Preset> presets{
        {"1080p (Full HD)", 1920, 1080}, {"720p (HD)", 1280, 720},
        {"1440p (QHD)", 2560, 1440},     {"4K (UHD)", 3840, 2160},
        {"Social Square", 1080, 1080},   {"Social Story", 1080, 1920},
        {"Social Wide", 1920, 1080},     {"MacBook 13\"", 2560, 1600},
        {"MacBook 14\"", 3024, 1964},    {"MacBook 16\"", 3456, 2234},
        {"iPad Pro 12.9\"", 2732, 2048}, {"iPhone 15 Pro", 1179, 2556},
    };
    return presets;
}

}  // namespace varnic
