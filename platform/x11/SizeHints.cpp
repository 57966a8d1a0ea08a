#include "platform/x11/SizeHints.h"

#include <xcb/xcb_icccm.h>

#include <algorithm>

namespace varnic {
namespace {

// The X protocol carries sizes as 16-bit quantities.
constexpr std::int32_t largestSide = 32767;

std::int64_t side(std::int32_t value, std::int64_t fallback) {
    return value >= 1 && value <= largestSide ? value : fallback;
}

}  // namespace

SizeHints SizeHints::fromReply(xcb_get_property_reply_t* reply) {
    SizeHints hints;
    xcb_size_hints_t raw{};
    if (!reply || !xcb_icccm_get_wm_size_hints_from_reply(&raw, reply)) return hints;
    auto axis = [&](AxisLimits& axis, std::int32_t minimum, std::int32_t maximum, std::int32_t base,
                    std::int32_t step) {
        const bool hasMinimum = raw.flags & XCB_ICCCM_SIZE_HINT_P_MIN_SIZE;
        const bool hasBase = raw.flags & XCB_ICCCM_SIZE_HINT_BASE_SIZE;
        // ICCCM: each of the minimum and the base stands in for the other.
        if (hasMinimum || hasBase) {
            axis.minimum = side(hasMinimum ? minimum : base, 1);
            axis.base = side(hasBase ? base : minimum, 0);
        }
        if (raw.flags & XCB_ICCCM_SIZE_HINT_P_MAX_SIZE) {
            axis.maximum = std::max(side(maximum, largestSide), axis.minimum);
        }
        if (raw.flags & XCB_ICCCM_SIZE_HINT_P_RESIZE_INC) axis.step = side(step, 1);
    };
    axis(hints.limits_.width, raw.min_width, raw.max_width, raw.base_width, raw.width_inc);
    axis(hints.limits_.height, raw.min_height, raw.max_height, raw.base_height, raw.height_inc);
    return hints;
}

bool SizeHints::acceptsAsNearest(Extent wanted, Extent got) const {
    return limits_.reached(wanted.width, wanted.height, got.width, got.height);
}

std::string SizeHints::reason(Extent wanted, Extent got, Margin margin) const {
    return limits_.outer(margin.width, margin.height)
        .reason(wanted.width + margin.width, wanted.height + margin.height,
                got.width + margin.width, got.height + margin.height);
}

}  // namespace varnic
