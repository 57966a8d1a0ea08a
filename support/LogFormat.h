#pragma once

#include <string>
#include <string_view>

namespace varnic::logformat {

// Text from other programs (names, titles) with control characters escaped,
// so that one event stays one line: line feed as "\n", others as "\xNN".
std::string escaped(std::string_view text);

// The shortest text that reads back to the same double; whole numbers get a
// trailing ".0" (1920.0), extremes keep the exponent form (1e+300, 5e-324).
std::string size(double value);

// A number as a plain decimal: whole values without a fraction (600), others
// in their shortest form (12.5).
std::string number(double value);

std::string_view truth(bool value);

}  // namespace varnic::logformat
