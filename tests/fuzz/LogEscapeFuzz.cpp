// Any bytes as a window title in the log: the escaped text is one line of
// valid UTF-8 without anything that moves or hides text, and text that needs
// no escaping passes unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <unicode/uchar.h>

#include "support/LogFormat.h"
#include "support/Utf8.h"

namespace {

// Controls, the line and paragraph separators and Unicode's invisible format
// characters (category Cf), as ICU knows them.
bool isHidden(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029 ||
           u_charType(static_cast<UChar32>(code)) == U_FORMAT_CHAR;
}

// True when every character is plain; false at the first hidden or invalid one.
bool isPlain(std::string_view text) {
    while (!text.empty()) {
        const auto [code, length] = varnic::utf8::decodeFirst(text);
        if (length == 0 || isHidden(code)) return false;
        text.remove_prefix(length);
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const auto logged = varnic::logformat::escaped(text);
    if (!isPlain(logged)) std::abort();
    if (isPlain(text) && logged != text) std::abort();
    return 0;
}
