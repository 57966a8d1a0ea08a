#pragma once

#include <map>
#include <optional>
#include <string>

namespace varnic {

// A window-list entry's frame: "X", "Y", "Width", "Height", as the platform gave them.
using WindowBounds = std::map<std::string, double>;

// The frame in the usual dictionary form, keys sorted:
// "{Height = 400; Width = 600; X = 0; Y = 25}", "{}" when absent or empty.
std::string describeBounds(const std::optional<WindowBounds>& bounds);

// True only when both "Width" and "Height" are whole numbers and either is
// below minimum; a missing or fractional side never makes a window too small.
bool isSmallerThan(const std::optional<WindowBounds>& bounds, double minimum);

}  // namespace varnic
