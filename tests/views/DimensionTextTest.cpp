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

struct Case {
    std::string text;
    std::optional<double> value;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> table{
        {"800", 800.0},
        {"800.5", 800.5},
        {"1e3", 1000.0},
        {"-100", -100.0},
        {"0", 0.0},
        {"+12", 12.0},
        {"0x10", 16.0},
        {".5", 0.5},
        {"", std::nullopt},
        {" 12", std::nullopt},
        {"\t12", std::nullopt},
        {"\n12", std::nullopt},
        {"12 ", std::nullopt},
        {"1,5", std::nullopt},
        {"1,280", std::nullopt},
        {"800px", std::nullopt},
        {"1e400", std::nullopt},  // overflow: a range error is not a size
        {"-1e400", std::nullopt},
        {"1e-400", std::nullopt},  // underflow likewise
        {"e3", std::nullopt},
        {"-", std::nullopt},
        {std::string("12\0"
                     "3",
                     4),
         std::nullopt},  // an embedded NUL is a character too
    };
    return table;
}

void expectTable() {
    for (const auto& c : cases()) {
        SCOPED_TRACE("text \"" + c.text + "\"");
        EXPECT_EQ(parseDimension(c.text), c.value);
    }
    EXPECT_TRUE(std::isinf(*parseDimension("inf")));
    EXPECT_TRUE(std::isinf(*parseDimension("-Infinity")));
    EXPECT_TRUE(std::isnan(*parseDimension("nan")));
    EXPECT_EQ(parseDimension("1.7976931348623157e308"), 1.7976931348623157e308);
}

TEST(DimensionText, FollowsTheCLibraryConversionOfTheWholeText) {
    expectTable();
}

TEST(DimensionText, IgnoresTheUsersLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "locales-all is installed";
    // Proof that the locale is in force: plain strtod now takes the comma.
    char* end = nullptr;
    const char* comma = "1,5";
    EXPECT_EQ(std::strtod(comma, &end), 1.5);
    expectTable();
    std::setlocale(LC_ALL, previous.c_str());
}

}  // namespace
}  // namespace varnic
