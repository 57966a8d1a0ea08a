// The support pieces every manager leans on: publication order and the text
// forms used in log lines.
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

// A title must not reach the reader's terminal as control sequences, line
// breaks, reordering or invisible marks; anything else stays as it was.
TEST(LogFormat, EscapesEverythingThatMovesOrHidesTextAndNothingElse) {
    const std::string plain = "plain — ünïcode \"quoted\" \\ עברית 🎬\u00a0";
    EXPECT_EQ(logformat::escaped(plain), plain);
    EXPECT_EQ(logformat::escaped(std::string("a\nb\0c\td\x7f\x1b[31m", 13)),
              "a\\nb\\x00c\\x09d\\x7f\\x1b[31m");
    EXPECT_EQ(
        logformat::escaped("csi\u009b31m ls\u2028 rlo\u202E iso\u2066 zw\u200B tag\U000E0041"),
        "csi\\u{009B}31m ls\\u{2028} rlo\\u{202E} iso\\u{2066} zw\\u{200B} tag\\u{E0041}");
    // Not UTF-8: each stray byte, so a raw 0x9b (an 8-bit CSI) never passes.
    EXPECT_EQ(logformat::escaped("\x9b"
                                 "31m cut\xe2\x80 overlong\xc0\xaf"),
              "\\x9b31m cut\\xe2\\x80 overlong\\xc0\\xaf");
}

}  // namespace
}  // namespace varnic
