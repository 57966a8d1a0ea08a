#include "platform/mirror/SizeLimits.h"

#include <cstdlib>

namespace varnic {
namespace {

std::string pair(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

bool AxisLimits::allows(std::int64_t side) const {
    if (side < minimum || side > maximum) return false;
    return side < base || (side - base) % step == 0;
}

bool AxisLimits::nearest(std::int64_t wanted, std::int64_t got) const {
    return got == wanted || (allows(got) && std::llabs(wanted - got) < step);
}

bool SizeLimits::fixed() const {
    return width.minimum == width.maximum && height.minimum == height.maximum;
}

SizeLimits SizeLimits::outer(std::int64_t width, std::int64_t height) const {
    auto grown = [](AxisLimits axis, std::int64_t by) {
        axis.minimum += by;
        axis.maximum += by;
        axis.base += by;
        return axis;
    };
    return {grown(this->width, width), grown(this->height, height)};
}

bool SizeLimits::reached(std::int64_t wantedWidth, std::int64_t wantedHeight, std::int64_t gotWidth,
                         std::int64_t gotHeight) const {
    return width.nearest(wantedWidth, gotWidth) && height.nearest(wantedHeight, gotHeight);
}

std::string SizeLimits::reason(std::int64_t wantedWidth, std::int64_t wantedHeight,
                               std::int64_t gotWidth, std::int64_t gotHeight) const {
    std::string text;
    auto note = [&](bool applies, const std::string& why) {
        if (applies) text += (text.empty() ? "" : " and ") + why;
    };
    const bool stepped = (gotWidth != wantedWidth && width.step > 1) ||
                         (gotHeight != wantedHeight && height.step > 1);
    note(stepped, "it sizes in steps of " + pair(width.step, height.step));
    note(wantedWidth < width.minimum || wantedHeight < height.minimum,
         "its minimum size is " + pair(width.minimum, height.minimum));
    note(wantedWidth > width.maximum || wantedHeight > height.maximum,
         "its maximum size is " + pair(width.maximum, height.maximum));
    return text;
}

}  // namespace varnic
