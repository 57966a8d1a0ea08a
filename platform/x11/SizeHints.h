#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <string>

#include "platform/mirror/SizeLimits.h"

namespace varnic {

// A client area's width and height in pixels.
struct Extent {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool operator==(const Extent&) const = default;
};

// What decorations add to a client size on each axis: the window manager's
// frame less a client-side shadow, so possibly negative.
struct Margin {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool operator==(const Margin&) const = default;
};

// The sizes a window accepts for its client area, from its WM_NORMAL_HINTS
// (ICCCM 4.1.2.3): a minimum, a maximum, and steps from a base size.
// Nonsense values (negative, zero steps, a maximum below the minimum) are
// ignored, as a window manager ignores them. Judged by SizeLimits' rule, the
// same on every desktop.
class SizeHints {
  public:
    // No constraints when the reply is null or not a WM_SIZE_HINTS value.
    static SizeHints fromReply(xcb_get_property_reply_t* reply);

    const SizeLimits& limits() const { return limits_; }
    // A window whose minimum is its maximum cannot be resized at all.
    bool fixed() const { return limits_.fixed(); }
    // Whether `got` is `wanted` or the nearest size the window's steps allow.
    bool acceptsAsNearest(Extent wanted, Extent got) const;
    // Why `got` differs from `wanted`, e.g. "it sizes in steps of 6x13";
    // `margin` is added to the sizes named, so that they are outer sizes.
    std::string reason(Extent wanted, Extent got, Margin margin) const;

  private:
    SizeLimits limits_;
};

}  // namespace varnic
