// The support pieces every manager leans on: publication order and the text
// form of sizes in log lines. (Escaping is the fuzz target's and the log tables'.)
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <string>
#include <vector>

#include "support/LogFormat.h"
#include "support/Published.h"

namespace varnic {
namespace {

TEST(Published, AnnouncesBeforeEveryStoreEvenWhenUnchanged) {
    Published<int> value(1);
    std::vector<int> seen;
    auto subscription = value.subscribe([&] { seen.push_back(value.get()); });
    Subscription once;
    once = value.subscribe([&] { once.cancel(); });  // cancelled while being told
    value.set(2);
    value.set(2);
    EXPECT_EQ(seen, (std::vector<int>{1, 2})) << "observers see the old value";
    subscription.cancel();
    value.set(3);
    EXPECT_EQ(seen.size(), 2u) << "a cancelled subscription hears nothing";
}

// Sizes read back to the very same double; whole numbers are marked (1920.0).
TEST(LogFormat, SizesAreShortestRoundTripWithWholeNumbersMarked) {
    EXPECT_EQ(logformat::size(-100), "-100.0");
    EXPECT_EQ(logformat::size(HUGE_VAL), "inf");
    for (const double value : {1.0 / 3, 2.5e-7, 123456789012345.0, 1e22}) {
        const auto text = logformat::size(value);
        double back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(back, value) << text;
    }
}

}  // namespace
}  // namespace varnic
