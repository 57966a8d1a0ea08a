#pragma once

#include <string>
#include <string_view>

namespace varnic::logformat {

// Text from other programs (names, titles) made safe for one line of a
// terminal: line feed as "\n", other C0 controls, DEL and bytes that are not
// UTF-8 as "\xNN", C1 controls, U+2028, U+2029 and every invisible format
// character (bidi marks, zero-width spaces, U+FEFF, ...) as "\u{NNNN}".
// Anything else is kept verbatim.
std::string escaped(std::string_view text);

// The shortest text that reads back to the same double; whole numbers get a
// trailing ".0" (1920.0), extremes keep the exponent form (1e+300, 5e-324).
std::string size(double value);

// A number as a plain decimal: whole values without a fraction (600), others
// in their shortest form (12.5).
std::string number(double value);

// A time in seconds with one decimal (2.0), as the waits' log lines give it.
std::string seconds(double value);

std::string_view truth(bool value);

}  // namespace varnic::logformat
