// What the KWin scripts send is checked before it reaches the mirror.
#include <gtest/gtest.h>

#include "platform/kwin/KWinReports.h"

namespace varnic {
namespace {

TEST(KWinReports, ReportsKeepWhatIsValidAndRefuseTheRest) {
    const auto record = KWinWindowRecord::parse(
        R"({"id":"{a}","pid":42,"x11Window":0,"frame":{"x":-5,"y":10,"width":800,"height":600},
            "maxSize":{"width":2147483647,"height":2147483647},"resizeable":true,"normal":"yes"})",
        "caption");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->frame.x, -5);
    EXPECT_FALSE(record->normal) << "a flag of another type is false";
    EXPECT_FALSE(record->maxSize) << "beyond any screen means no limit";
    for (const char* bad : {"", "[]", "{", R"({"id":"{a}"})", R"({"id":7,"frame":{}})",
                            R"({"id":"","frame":{"x":0,"y":0,"width":1,"height":1}})",
                            R"({"id":"{a}","frame":{"x":0,"y":0,"width":-1,"height":1}})",
                            R"({"id":"{a}","frame":{"x":1e308,"y":0,"width":1,"height":1}})"}) {
        EXPECT_FALSE(KWinWindowRecord::parse(bad, "")) << bad;
    }
    const auto odd = KWinWindowRecord::parse(
        R"({"id":"{b}","pid":-3,"x11Window":1e12,"frame":{"x":0,"y":0,"width":1,"height":1}})", "");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->pid, 0);
    EXPECT_EQ(odd->x11Window, 0u);

    EXPECT_FALSE(KWinResizeAnswer::parse(R"({"serial":3,"state":"done"})"));
    EXPECT_FALSE(KWinResizeAnswer::parse(R"({"serial":1.5,"state":"gone"})"));
}

}  // namespace
}  // namespace varnic
