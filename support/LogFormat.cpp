#include "support/LogFormat.h"

#include <array>
#include <charconv>

namespace varnic::logformat {

std::string escaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte == 0x7f) {
            static constexpr std::string_view hex = "0123456789abcdef";
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0xf];
        } else {
            out += c;
        }
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
