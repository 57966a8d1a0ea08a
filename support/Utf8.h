#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 as other programs send it: possibly cut short, overlong, surrogates,
// stray bytes. The one decoder of Varnic; everything else asks it.
namespace varnic::utf8 {

struct Decoded {
    char32_t code = 0;
    // Bytes taken from the start of the text; 0 when they are no valid
    // sequence (stray or cut-short bytes, overlong forms, surrogates, beyond U+10FFFF).
    std::size_t length = 0;
};

// The character at the start of a non-empty text.
Decoded decodeFirst(std::string_view text);

bool isValid(std::string_view text);

// The text without a last character cut short (a property read up to a
// limit may end inside one); anything before it is left as it is.
std::string_view withoutCutEnd(std::string_view text);

// The text with every byte that is not part of a valid sequence replaced by U+FFFD.
std::string valid(std::string_view text);

}  // namespace varnic::utf8
