// The number rule of the size fields, in the C locale and in a locale whose
// decimal separator is a comma.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>

#include "views/DimensionText.h"

namespace varnic {
namespace {

void expectTable() {
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

TEST(DimensionText, FollowsTheCLibraryConversionOfTheWholeText) {
    expectTable();
}

TEST(DimensionText, IgnoresTheUsersLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "locales-all is installed";
    // Proof that the locale is in force: plain strtod now takes the comma.
    EXPECT_EQ(std::strtod("1,5", nullptr), 1.5);
    expectTable();
    std::setlocale(LC_ALL, previous.c_str());
}

}  // namespace
}  // namespace varnic
