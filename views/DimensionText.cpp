#include "views/DimensionText.h"

#include <locale.h>
#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <string>

namespace varnic {
namespace {

bool isLeadingBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

locale_t cLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

std::optional<double> parseDimension(std::string_view text) {
    if (text.empty() || isLeadingBlank(text.front())) return std::nullopt;
    const locale_t locale = cLocale();
    if (!locale) return std::nullopt;
    // A copy ends in a terminator; an embedded NUL stops strtod early and so
    // leaves characters unconsumed.
    const std::string terminated(text);
    char* end = nullptr;
    errno = 0;
    const double value = strtod_l(terminated.c_str(), &end, locale);
    // Out of range (1e400, 1e-400) counts as not a number the window can take.
    if (errno == ERANGE) return std::nullopt;
    if (end != terminated.c_str() + terminated.size()) return std::nullopt;
    return value;
}

}  // namespace varnic
