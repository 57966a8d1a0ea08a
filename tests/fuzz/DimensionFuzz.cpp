// Any text typed into the size fields: the number rule never crashes, and a
// text it accepts is one the user could have meant as a number.
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "views/DimensionText.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The rule must not depend on the user's decimal separator.
    std::setlocale(LC_ALL, "de_DE.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    const auto value = varnic::parseDimension(text);
    if (!value) return 0;
    const bool blankFirst = text.empty() || text.front() == ' ' || text.front() == '\t' ||
                            (text.front() >= '\n' && text.front() <= '\r');
    if (blankFirst || text.find(',') != std::string_view::npos ||
        text.find('\0') != std::string_view::npos) {
        std::abort();
    }
    return 0;
}
