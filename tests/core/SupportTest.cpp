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

TEST(LogFormat, SizesAreShortestRoundTripWithWholeNumbersMarked) {
    const std::vector<std::pair<double, std::string>> sizes{{1920, "1920.0"},  {1920.5, "1920.5"},
                                                            {-100, "-100.0"},  {1e300, "1e+300"},
                                                            {HUGE_VAL, "inf"}, {NAN, "nan"}};
    for (const auto& [value, text] : sizes) EXPECT_EQ(logformat::size(value), text);
    // Whatever the form, it must read back to the very same double.
    for (const double value : {1.0 / 3, 2.5e-7, 123456789012345.0, 1e22}) {
        const auto text = logformat::size(value);
        double back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(back, value) << text;
    }
}

// A title must not reach the reader's terminal as control sequences, line
// breaks or reordering marks; anything else stays as it was.
TEST(LogFormat, EscapesEverythingThatMovesOrHidesTextAndNothingElse) {
    const std::string plain = "plain — ünïcode \"quoted\" \\ עברית 🎬";
    EXPECT_EQ(logformat::escaped(plain), plain);
    const std::vector<std::pair<std::string, std::string>> cases{
        {std::string("two\nnul\0tab\tcr\rdel\x7f\x1b[31m", 24),
         "two\\nnul\\x00tab\\x09cr\\x0ddel\\x7f\\x1b[31m"},
        {"csi\u009b31m nel\u0085 ls\u2028 ps\u2029",
         "csi\\u{009B}31m nel\\u{0085} ls\\u{2028} ps\\u{2029}"},
        {"invoice\u202Etxt.exe \u202A\u202B\u202C\u202D \u2066\u2067\u2068\u2069",
         "invoice\\u{202E}txt.exe \\u{202A}\\u{202B}\\u{202C}\\u{202D} "
         "\\u{2066}\\u{2067}\\u{2068}\\u{2069}"},
        {"\u0080\u009f\u00a0\u2027\u202f\u2065\u206a",
         "\\u{0080}\\u{009F}\u00a0\u2027\u202f\u2065\\u{206A}"},
        // Every invisible format character, as the marks above are.
        {"rlm\u200F alm\u061C zwsp\u200B bom\uFEFF shy\u00AD tag\U000E0041 \u200D\u2060",
         "rlm\\u{200F} alm\\u{061C} zwsp\\u{200B} bom\\u{FEFF} shy\\u{00AD} tag\\u{E0041} "
         "\\u{200D}\\u{2060}"},
        // Not UTF-8: each stray byte, so a raw 0x9b (an 8-bit CSI) never passes.
        {"\x9b"
         "31m cut\xe2\x80 overlong\xc0\xaf",
         "\\x9b31m cut\\xe2\\x80 overlong\\xc0\\xaf"}};
    for (const auto& [text, logged] : cases) EXPECT_EQ(logformat::escaped(text), logged);
}

}  // namespace
}  // namespace varnic
