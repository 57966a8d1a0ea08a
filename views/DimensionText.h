#pragma once

#include <optional>
#include <string_view>

namespace varnic {

// A width or height as typed: valid when the text is not empty, does not start
// with white space, and the C-locale strtod consumes all of it without a range
// error. The user's locale never changes the decimal separator.
std::optional<double> parseDimension(std::string_view text);

}  // namespace varnic
