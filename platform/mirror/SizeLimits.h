#pragma once

#include <cstdint>
#include <string>

namespace varnic {

// The sizes a window accepts on one axis: a minimum, a maximum, and steps
// from a base (ICCCM WM_NORMAL_HINTS, or what a compositor tells).
struct AxisLimits {
    std::int64_t minimum = 1;
    std::int64_t maximum = 32767;
    std::int64_t base = 0;
    std::int64_t step = 1;

    bool allows(std::int64_t side) const;
    // got is wanted, or the allowed size less than one step from it.
    bool nearest(std::int64_t wanted, std::int64_t got) const;
};

// The one rule every backend judges a resize by: it reached its goal when the
// window took the size asked for, or the nearest size its steps allow (an
// xterm's character cell). A minimum or maximum that kept the window
// elsewhere, or a window manager or compositor that did, is a failure.
struct SizeLimits {
    AxisLimits width;
    AxisLimits height;

    bool fixed() const;
    // The same limits for a frame that adds width and height to each side.
    SizeLimits outer(std::int64_t width, std::int64_t height) const;
    bool reached(std::int64_t wantedWidth, std::int64_t wantedHeight, std::int64_t gotWidth,
                 std::int64_t gotHeight) const;
    // Why the window is not at the size wanted: "it sizes in steps of 6x13",
    // "its maximum size is 202x141"; empty when its limits do not say.
    std::string reason(std::int64_t wantedWidth, std::int64_t wantedHeight, std::int64_t gotWidth,
                       std::int64_t gotHeight) const;
};

}  // namespace varnic
