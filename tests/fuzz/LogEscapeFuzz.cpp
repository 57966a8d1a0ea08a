// Any bytes as a window title in the log: the escaped text is one line of
// valid UTF-8 without anything that moves or hides text, and text that needs
// no escaping passes unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "support/LogFormat.h"
#include "support/Utf8.h"

namespace {

// Controls, the line and paragraph separators and Unicode's invisible format
// characters (category Cf).
bool isHidden(char32_t code) {
    constexpr char32_t format[][2] = {{0xAD, 0xAD},       {0x600, 0x605},     {0x61C, 0x61C},
                                      {0x6DD, 0x6DD},     {0x70F, 0x70F},     {0x890, 0x891},
                                      {0x8E2, 0x8E2},     {0x180E, 0x180E},   {0x200B, 0x200F},
                                      {0x202A, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
                                      {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD},
                                      {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3},
                                      {0x1D173, 0x1D17A}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F}};
    for (const auto& [first, last] : format) {
        if (code >= first && code <= last) return true;
    }
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || code == 0x2028 || code == 0x2029;
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
