// What the KWin scripts send is checked before it reaches the mirror: any
// script in KWin may call Varnic.
#include <gtest/gtest.h>

#include "platform/kwin/KWinReports.h"

namespace varnic {
namespace {

TEST(KWinReports, ReportsKeepWhatIsValidAndRefuseTheRest) {
    const auto record = KWinWindowRecord::parse(
        R"({"id":"{a}","pid":-3,"x11Window":1e12,"frame":{"x":-5,"y":10,"width":800,"height":600},
            "maxSize":{"width":2147483647,"height":2147483647}})",
        "caption");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->pid, 0);
    EXPECT_EQ(record->x11Window, 0u);
    EXPECT_FALSE(record->maxSize) << "beyond any screen means no limit";
    for (const char* bad : {"", "[]", "{", R"({"id":"{a}"})", R"({"id":7,"frame":{}})",
                            R"({"id":"","frame":{"x":0,"y":0,"width":1,"height":1}})",
                            R"({"id":"{a}","frame":{"x":0,"y":0,"width":-1,"height":1}})",
                            R"({"id":"{a}","frame":{"x":1e308,"y":0,"width":1,"height":1}})"}) {
        EXPECT_FALSE(KWinWindowRecord::parse(bad, "")) << bad;
    }

    EXPECT_FALSE(KWinResizeAnswer::parse(R"({"serial":3,"state":"done"})"));
    EXPECT_FALSE(KWinResizeAnswer::parse(R"({"serial":1.5,"state":"gone"})"));
}

}  // namespace
}  // namespace varnic
