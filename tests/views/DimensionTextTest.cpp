// The number rule of the size fields.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

#include "views/DimensionText.h"

namespace varnic {
namespace {

// strtod's rule on the whole text; a comma locale, in which plain strtod takes
// "1,5", changes nothing.
TEST(DimensionText, FollowsTheCLibraryConversionOfTheWholeTextInAnyLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "de_DE.UTF-8"}) {
        ASSERT_NE(std::setlocale(LC_ALL, locale), nullptr) << "locales-all is installed";
        const std::vector<std::pair<std::string, double>> numbers{
            {"800.5", 800.5}, {"1e3", 1000}, {"-100", -100}, {"0x10", 16}, {".5", 0.5}};
        for (const auto& [text, value] : numbers) EXPECT_EQ(parseDimension(text), value) << text;
        // Overflow and underflow are range errors, not sizes; an embedded NUL is a character too.
        const std::string nul("12\0003", 4);  // 1, 2, NUL, 3
        const std::vector<std::string> refused{"",  " 12",   "12 ",    "1,5", "800px",
                                               "-", "1e400", "1e-400", nul};
        for (const auto& text : refused) EXPECT_EQ(parseDimension(text), std::nullopt) << text;
        EXPECT_TRUE(std::isnan(*parseDimension("nan")));
    }
    EXPECT_EQ(std::strtod("1,5", nullptr), 1.5) << "the comma locale was in force";
    std::setlocale(LC_ALL, previous.c_str());
}

}  // namespace
}  // namespace varnic
