#include "support/LogFormat.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "support/Utf8.h"

namespace varnic::logformat {
namespace {

// Characters that move or hide text on a terminal or in a viewer: C1 controls
// (CSI among them), the Unicode line and paragraph separators, and every
// invisible format character (Unicode category Cf: bidi marks, embeddings,
// overrides and isolates, zero-width spaces and joiners, the byte-order mark,
// tag characters), which reorder or hide what follows them.
struct Range {
    char32_t first;
    char32_t last;
};
constexpr std::array<Range, 22> hostile{
    {{0x80, 0x9F},       {0xAD, 0xAD},       {0x600, 0x605},     {0x61C, 0x61C},
     {0x6DD, 0x6DD},     {0x70F, 0x70F},     {0x890, 0x891},     {0x8E2, 0x8E2},
     {0x180E, 0x180E},   {0x200B, 0x200F},   {0x2028, 0x202E},   {0x2060, 0x2064},
     {0x2066, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD},
     {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
     {0xE0001, 0xE0001}, {0xE0020, 0xE007F}}};

bool isHostileFormat(char32_t code) {
    return std::any_of(hostile.begin(), hostile.end(),
                       [code](Range range) { return code >= range.first && code <= range.last; });
}

// A control byte as \x1b, a formatting character as \u{202E}.
void appendByte(std::string& out, unsigned char byte) {
    static constexpr std::string_view hex = "0123456789abcdef";
    out += "\\x";
    out += hex[byte >> 4];
    out += hex[byte & 0xf];
}

void appendFormat(std::string& out, char32_t code) {
    static constexpr std::string_view hex = "0123456789ABCDEF";
    out += "\\u{";
    const int top = code > 0xFFFF ? 16 : 12;
    for (int shift = top; shift >= 0; shift -= 4) out += hex[(code >> shift) & 0xf];
    out += '}';
}

}  // namespace

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const auto [code, length] = utf8::decodeFirst(text);
        if (length == 0) {
            // Not UTF-8: the byte itself, so the line stays valid UTF-8.
            appendByte(out, static_cast<unsigned char>(text[0]));
            text.remove_prefix(1);
            continue;
        }
        if (code == '\n') {
            out += "\\n";
        } else if (code < 0x20 || code == 0x7f) {
            appendByte(out, static_cast<unsigned char>(code));
        } else if (isHostileFormat(code)) {
            appendFormat(out, code);
        } else {
            out.append(text.substr(0, length));
        }
        text.remove_prefix(length);
    }
    return out;
}

std::string number(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return {buffer.data(), result.ptr};
}

std::string size(double value) {
    std::string text = number(value);
    if (text.find_first_not_of("-0123456789") == std::string::npos) text += ".0";
    return text;
}

std::string seconds(double value) {
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, 1);
    return {buffer.data(), result.ptr};
}

std::string_view truth(bool value) {
    return value ? "true" : "false";
}

}  // namespace varnic::logformat
