#include "support/LogFormat.h"

#include <array>
#include <charconv>

#include "support/Utf8.h"

namespace varnic::logformat {
namespace {

// Characters that move or hide text on a terminal or in a viewer: C1 controls
// (CSI among them), the Unicode line and paragraph separators, and the bidi
// embeddings, overrides and isolates that reorder what follows them.
bool isHostileFormat(char32_t code) {
    return (code >= 0x80 && code <= 0x9F) || code == 0x2028 || code == 0x2029 ||
           (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
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
    for (int shift = 12; shift >= 0; shift -= 4) out += hex[(code >> shift) & 0xf];
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

std::string_view truth(bool value) {
    return value ? "true" : "false";
}

}  // namespace varnic::logformat
