// Property readers against what hostile or broken clients put into properties.
#include <gtest/gtest.h>

#include <limits>

#include "platform/x11/PropertyParsing.h"

namespace varnic {
namespace {

constexpr xcb_atom_t utf8 = 300;  // stands in for the interned UTF8_STRING

property::Data bytes(xcb_atom_t type, std::uint8_t format, std::string_view data) {
    return {type, format, data};
}

// Stray, overlong and surrogate bytes and Latin-1 come from a real client in
// X11WindowSystemTest; these are the shapes no client there sends.
TEST(PropertyParsing, TextIsValidUtf8WhateverTheClientSent) {
    EXPECT_EQ(property::text(bytes(utf8, 8, "\xF4\x90\x80\x80"), utf8), "\uFFFD\uFFFD\uFFFD\uFFFD")
        << "beyond U+10FFFF";
    EXPECT_EQ(property::text(bytes(utf8, 8, "ab\xE2\x9C"), utf8), "ab\uFFFD\uFFFD")
        << "cut mid-character";
    EXPECT_FALSE(property::text(bytes(utf8, 16, "ab"), utf8)) << "wrong format";
    EXPECT_FALSE(property::text(bytes(XCB_ATOM_CARDINAL, 8, "ab"), utf8)) << "wrong type";
}

TEST(PropertyParsing, ListsAndClassNamesNeedTheRightShape) {
    const std::uint32_t four[] = {1, 2, 3, 4};
    const std::string_view raw(reinterpret_cast<const char*>(four), sizeof four);
    EXPECT_EQ(property::items32(bytes(XCB_ATOM_CARDINAL, 32, raw), XCB_ATOM_CARDINAL),
              (std::vector<std::uint32_t>{1, 2, 3, 4}));
    EXPECT_TRUE(property::items32(bytes(XCB_ATOM_ATOM, 32, raw), XCB_ATOM_CARDINAL).empty());
    EXPECT_TRUE(property::items32(bytes(XCB_ATOM_CARDINAL, 8, raw), XCB_ATOM_CARDINAL).empty());
    EXPECT_EQ(
        property::items32(bytes(XCB_ATOM_CARDINAL, 32, raw.substr(0, 7)), XCB_ATOM_CARDINAL).size(),
        1u)
        << "a partial item is dropped";

    using namespace std::string_view_literals;
    EXPECT_EQ(property::wmClass(bytes(XCB_ATOM_STRING, 8, "xterm\0XTerm\0"sv)), "XTerm");
    EXPECT_EQ(property::wmClass(bytes(XCB_ATOM_STRING, 8, "only")), "only");
    EXPECT_EQ(property::wmClass(bytes(XCB_ATOM_STRING, 8, "inst\0Cls"sv)), "Cls")
        << "missing final NUL";
    EXPECT_FALSE(property::wmClass(bytes(XCB_ATOM_STRING, 8, "inst\0\0"sv)));
    EXPECT_FALSE(property::wmClass(bytes(XCB_ATOM_STRING, 8, "")));
}

std::vector<std::uint32_t> image(std::uint32_t width, std::uint32_t height, std::uint32_t color) {
    std::vector<std::uint32_t> data{width, height};
    data.insert(data.end(), std::size_t{width} * height, color);
    return data;
}

TEST(PropertyParsing, IconIsTheBestCompleteImage) {
    auto data = image(16, 16, 1);
    const auto large = image(256, 256, 3);
    const auto fitting = image(64, 32, 2);
    data.insert(data.end(), large.begin(), large.end());
    data.insert(data.end(), fitting.begin(), fitting.end());
    const auto best = property::bestIcon(data, 64);
    ASSERT_TRUE(best);
    EXPECT_EQ(std::tie(best->width, best->height), std::make_tuple(64, 32));
    EXPECT_EQ(best->argb, std::vector<std::uint32_t>(64 * 32, 2));

    const auto small = property::bestIcon(image(16, 16, 1), 64);
    ASSERT_TRUE(small) << "smaller than wished is still an icon";
    EXPECT_EQ(small->width, 16);

    const auto max = std::numeric_limits<std::uint32_t>::max();
    for (const auto& bad : std::vector<std::vector<std::uint32_t>>{
             {}, {16}, {16, 16, 1, 2}, {0, 16}, {max, max, 1}, {1025, 1, 1}, {65536, 65536, 1}}) {
        EXPECT_FALSE(property::bestIcon(bad, 64)) << bad.size() << " items";
    }
    auto truncated = image(16, 16, 1);
    truncated.insert(truncated.end(), {48, 48, 7});
    const auto first = property::bestIcon(truncated, 64);
    ASSERT_TRUE(first) << "images before a truncated one are kept";
    EXPECT_EQ(first->width, 16);
}

}  // namespace
}  // namespace varnic
