#include "platform/x11/SizeHints.h"

#include <xcb/xcb_icccm.h>

#include <algorithm>
#include <vector>

namespace varnic {
namespace {

// The X protocol carries sizes as 16-bit quantities.
constexpr std::int32_t largestSide = 32767;

std::uint32_t side(std::int32_t value, std::uint32_t fallback) {
    return value >= 1 && value <= largestSide ? static_cast<std::uint32_t>(value) : fallback;
}

std::string pair(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

}  // namespace

SizeHints SizeHints::fromReply(xcb_get_property_reply_t* reply) {
    SizeHints hints;
    xcb_size_hints_t raw{};
    if (!reply || !xcb_icccm_get_wm_size_hints_from_reply(&raw, reply)) return hints;
    auto axis = [&](Axis& axis, std::int32_t minimum, std::int32_t maximum, std::int32_t base,
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
    axis(hints.width_, raw.min_width, raw.max_width, raw.base_width, raw.width_inc);
    axis(hints.height_, raw.min_height, raw.max_height, raw.base_height, raw.height_inc);
    return hints;
}

bool SizeHints::Axis::allows(std::uint32_t side) const {
    if (side < minimum || side > maximum) return false;
    return side < base || (side - base) % step == 0;
}

bool SizeHints::Axis::accepts(std::uint32_t wanted, std::uint32_t got) const {
    if (got == wanted) return true;
    // The bound itself when the size asked for lies beyond it.
    if ((wanted < minimum && got == minimum) || (wanted > maximum && got == maximum)) return true;
    const auto distance = wanted > got ? wanted - got : got - wanted;
    return allows(got) && distance < step;
}

bool SizeHints::fixed() const {
    return width_.minimum == width_.maximum && height_.minimum == height_.maximum;
}

bool SizeHints::acceptsAsNearest(Extent wanted, Extent got) const {
    return width_.accepts(wanted.width, got.width) && height_.accepts(wanted.height, got.height);
}

std::string SizeHints::reason(Extent wanted, Extent got, Margin margin) const {
    std::vector<std::string> reasons;
    auto note = [&](bool applies, const std::string& text) {
        if (applies && std::find(reasons.begin(), reasons.end(), text) == reasons.end())
            reasons.push_back(text);
    };
    const bool belowMinimum = wanted.width < width_.minimum || wanted.height < height_.minimum;
    const bool aboveMaximum = wanted.width > width_.maximum || wanted.height > height_.maximum;
    const bool stepped = (got.width != wanted.width && width_.step > 1) ||
                         (got.height != wanted.height && height_.step > 1);
    note(stepped, "it sizes in steps of " + pair(width_.step, height_.step));
    note(belowMinimum, "its minimum size is " +
                           pair(width_.minimum + margin.width, height_.minimum + margin.height));
    note(aboveMaximum, "its maximum size is " +
                           pair(width_.maximum + margin.width, height_.maximum + margin.height));
    std::string text;
    for (const auto& reason : reasons) text += (text.empty() ? "" : " and ") + reason;
    return text;
}

}  // namespace varnic
