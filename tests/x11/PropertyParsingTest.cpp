// Property readers against what hostile or broken clients put into properties.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "platform/x11/PropertyParsing.h"

namespace varnic {
namespace {

constexpr xcb_atom_t utf8 = 300;  // stands in for the interned UTF8_STRING

property::Data bytes(xcb_atom_t type, std::uint8_t format, std::string_view data) {
    return {type, format, data};
}

// What a client may put into a property, beyond the fuzz targets' invariants:
// wrong shapes are refused, and the best complete icon is chosen.
TEST(PropertyParsing, WrongShapesAreRefusedAndTheBestCompleteIconIsChosen) {
    EXPECT_EQ(property::text(bytes(utf8, 8, "\xF4\x90\x80\x80"), utf8), "\uFFFD\uFFFD\uFFFD\uFFFD")
        << "beyond U+10FFFF";
    EXPECT_FALSE(property::text(bytes(utf8, 16, "ab"), utf8)) << "wrong format";
    EXPECT_FALSE(property::text(bytes(XCB_ATOM_CARDINAL, 8, "ab"), utf8)) << "wrong type";
    using namespace std::string_view_literals;
    EXPECT_EQ(property::wmClass(bytes(XCB_ATOM_STRING, 8, "inst\0Cls"sv)), "Cls")
        << "missing final NUL";
    EXPECT_FALSE(property::wmClass(bytes(XCB_ATOM_STRING, 8, "inst\0\0"sv)));

    using Image = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;
    std::vector<std::uint32_t> data;
    for (const auto& [width, height, color] :
         {Image{16, 16, 1}, Image{256, 256, 3}, Image{64, 32, 2}, Image{48, 48, 7}}) {
        data.insert(data.end(), {width, height});
        data.insert(data.end(), std::size_t{width} * height, color);
    }
    data.resize(data.size() - 1);  // the last image is cut short
    const auto best = property::bestIcon(data, 64);
    ASSERT_TRUE(best);
    EXPECT_EQ(std::tie(best->width, best->height), std::make_tuple(64, 32));
    EXPECT_EQ(best->argb, std::vector<std::uint32_t>(64 * 32, 2));
}

}  // namespace
}  // namespace varnic
