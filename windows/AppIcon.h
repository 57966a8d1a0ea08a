#pragma once

#include <cstdint>
#include <vector>

namespace varnic {

// An application's icon as 32-bit ARGB pixels, row by row (the layout of
// _NET_WM_ICON and of QImage::Format_ARGB32).
struct AppIcon {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};

}  // namespace varnic
