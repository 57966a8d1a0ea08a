// The support pieces every manager leans on: publication order, the virtual
// clock's ordering, and the text forms used in log lines.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "platform/fake/VirtualClockQueue.h"
#include "support/LogFormat.h"
#include "support/Published.h"
#include "windows/AXError.h"

namespace varnic {
namespace {

TEST(Published, AnnouncesBeforeEveryStoreEvenWhenUnchanged) {
    Published<int> value(1);
    std::vector<int> seen;
    auto subscription = value.subscribe([&] { seen.push_back(value.get()); });
    int onceCalls = 0;
    Subscription once;
    once = value.subscribe([&] {
        ++onceCalls;
        once.cancel();  // while being told
    });
    value.set(2);
    value.set(2);
    EXPECT_EQ(seen, (std::vector<int>{1, 2})) << "observers see the old value";
    EXPECT_EQ(value.get(), 2);
    EXPECT_EQ(onceCalls, 1);
    subscription.cancel();
    value.set(3);
    EXPECT_EQ(seen.size(), 2u) << "a cancelled subscription hears nothing";
}

TEST(VirtualClockQueue, RunsDueTasksInDeadlineThenPostingOrderAndTimersUntilStopped) {
    VirtualClockQueue queue;
    std::vector<std::string> order;
    queue.postAfter(1.0, [&] { order.push_back("b1"); });
    queue.postAfter(0.5, [&] { order.push_back("a"); });
    queue.postAfter(1.0, [&] { order.push_back("b2"); });
    queue.post([&] {
        order.push_back("now");
        queue.postAfter(0.5, [&] { order.push_back("a-posted-later"); });
    });
    EXPECT_TRUE(order.empty()) << "posting never runs a task inline";
    queue.advance(0.49);
    EXPECT_EQ(order, (std::vector<std::string>{"now"}));
    queue.advance(0.51);
    EXPECT_EQ(order, (std::vector<std::string>{"now", "a", "a-posted-later", "b1", "b2"}));

    int ticks = 0, other = 0;
    std::unique_ptr<Timer> timer;
    timer = queue.repeating(1.0, [&] {
        if (++ticks == 3) timer->invalidate();
    });
    auto second = queue.repeating(0.5, [&] { ++other; });
    queue.advance(1.0);
    second.reset();
    queue.advance(10);
    EXPECT_EQ(ticks, 3) << "a timer invalidated inside its own tick fires no more";
    EXPECT_EQ(other, 2) << "a destroyed timer fires no more";
    EXPECT_EQ(queue.pendingCount(), 0u);
}

TEST(LogFormat, SizesAreShortestRoundTripWithWholeNumbersMarked) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::pair<double, std::string>> sizes{
        {1920, "1920.0"},  {1920.5, "1920.5"}, {0, "0.0"},   {-100, "-100.0"},     {0.1, "0.1"},
        {1e300, "1e+300"}, {5e-324, "5e-324"}, {inf, "inf"}, {std::nan(""), "nan"}};
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
         "\\u{0080}\\u{009F}\u00a0\u2027\u202f\u2065\u206a"},
        // Not UTF-8: each stray byte, so a raw 0x9b (an 8-bit CSI) never passes.
        {"\x9b"
         "31m cut\xe2\x80 overlong\xc0\xaf",
         "\\x9b31m cut\\xe2\\x80 overlong\\xc0\\xaf"}};
    for (const auto& [text, logged] : cases) EXPECT_EQ(logformat::escaped(text), logged);
}

}  // namespace
}  // namespace varnic
