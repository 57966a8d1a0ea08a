#include "windows/WindowBounds.h"

#include <cmath>

#include "support/LogFormat.h"

namespace varnic {
namespace {

// Compared as doubles: NaN, infinities and values beyond any integer type
// must not reach a conversion.
std::optional<double> wholeNumber(const WindowBounds& bounds, const std::string& key) {
    const auto found = bounds.find(key);
    if (found == bounds.end()) return std::nullopt;
    const double value = found->second;
    if (!std::isfinite(value) || std::trunc(value) != value) return std::nullopt;
    return value;
}

}  // namespace

std::string describeBounds(const std::optional<WindowBounds>& bounds) {
    std::string text = "{";
    if (bounds) {
        for (const auto& [key, value] : *bounds) {
            if (text.size() > 1) text += "; ";
            text += logformat::escaped(key) + " = " + logformat::number(value);
        }
    }
    return text + "}";
}

bool isSmallerThan(const std::optional<WindowBounds>& bounds, double minimum) {
    if (!bounds) return false;
    const auto width = wholeNumber(*bounds, "Width");
    const auto height = wholeNumber(*bounds, "Height");
    return width && height && (*width < minimum || *height < minimum);
}

}  // namespace varnic
