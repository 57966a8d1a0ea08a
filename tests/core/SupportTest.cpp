// The support pieces every manager leans on: publication order, the virtual
// clock's ordering, and the text forms used in log lines.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
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
    std::vector<int> seenDuringAnnouncement;
    auto subscription = value.subscribe([&] { seenDuringAnnouncement.push_back(value.get()); });
    value.set(2);
    value.set(2);
    EXPECT_EQ(seenDuringAnnouncement, (std::vector<int>{1, 2})) << "observers see the old value";
    EXPECT_EQ(value.get(), 2);

    subscription.cancel();
    value.set(3);
    EXPECT_EQ(seenDuringAnnouncement.size(), 2u) << "a cancelled subscription hears nothing";
}

TEST(Published, ObserverMayUnsubscribeItselfWhileBeingTold) {
    Published<int> value;
    Subscription subscription;
    int calls = 0;
    subscription = value.subscribe([&] {
        ++calls;
        subscription.cancel();
    });
    value.set(1);
    value.set(2);
    EXPECT_EQ(calls, 1);
}

TEST(VirtualClockQueue, RunsDueTasksInDeadlineThenPostingOrder) {
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
    EXPECT_DOUBLE_EQ(queue.now(), 1.0);
}

TEST(VirtualClockQueue, RepeatingTimerStopsWhenInvalidatedOrDestroyed) {
    VirtualClockQueue queue;
    int ticks = 0;
    std::unique_ptr<Timer> timer;
    timer = queue.repeating(1.0, [&] {
        if (++ticks == 3) timer->invalidate();
    });
    queue.advance(10);
    EXPECT_EQ(ticks, 3) << "a timer invalidated inside its own tick fires no more";
    EXPECT_EQ(queue.pendingCount(), 0u);

    int other = 0;
    auto second = queue.repeating(0.5, [&] { ++other; });
    queue.advance(1.0);
    second.reset();
    queue.advance(5);
    EXPECT_EQ(other, 2);
}

TEST(LogFormat, SizesAreShortestRoundTripWithWholeNumbersMarked) {
    EXPECT_EQ(logformat::size(1920), "1920.0");
    EXPECT_EQ(logformat::size(1920.5), "1920.5");
    EXPECT_EQ(logformat::size(0), "0.0");
    EXPECT_EQ(logformat::size(-100), "-100.0");
    EXPECT_EQ(logformat::size(0.1), "0.1");
    EXPECT_EQ(logformat::size(1e300), "1e+300");
    EXPECT_EQ(logformat::size(5e-324), "5e-324");
    EXPECT_EQ(logformat::size(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(logformat::size(std::nan("")), "nan");

    // Whatever the form, it must read back to the very same double.
    for (const double value : {1.0 / 3, 1e300, 5e-324, 2.5e-7, 123456789012345.0, 1e22}) {
        const auto text = logformat::size(value);
        double back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(back, value) << text;
    }
}

TEST(LogFormat, ControlCharactersAreEscapedAndOtherTextKept) {
    EXPECT_EQ(logformat::escaped("plain — ünïcode \"quoted\" \\"), "plain — ünïcode \"quoted\" \\");
    EXPECT_EQ(logformat::escaped("two\nlines"), "two\\nlines");
    EXPECT_EQ(logformat::escaped(std::string_view("nul\0tab\tcr\rdel\x7f", 15)),
              "nul\\x00tab\\x09cr\\x0ddel\\x7f");
    EXPECT_EQ(logformat::escaped("\x1b[31mred"), "\\x1b[31mred");
}

TEST(AXError, NamesEveryCodeAndUnknownOtherwise) {
    const std::vector<std::pair<AXError, std::string>> table{
        {0, "success"},
        {-25200, "failure"},
        {-25201, "illegalArgument"},
        {-25202, "invalidUIElement"},
        {-25203, "invalidUIElementObserver"},
        {-25204, "cannotComplete"},
        {-25205, "attributeUnsupported"},
        {-25206, "actionUnsupported"},
        {-25207, "notificationUnsupported"},
        {-25208, "notImplemented"},
        {-25209, "notificationAlreadyRegistered"},
        {-25210, "notificationNotRegistered"},
        {-25211, "apiDisabled"},
        {-25212, "noValue"},
        {-25213, "parameterizedAttributeUnsupported"},
        {-25214, "notEnoughPrecision"},
        {-25215, "unknown"},
        {-25199, "unknown"},
        {1, "unknown"},
        {std::numeric_limits<AXError>::min(), "unknown"},
    };
    for (const auto& [code, name] : table) EXPECT_EQ(axErrorName(code), name) << code;
    EXPECT_EQ(describeAXError(-25204), "-25204 (cannotComplete)");
    EXPECT_EQ(describeAXError(0), "0 (success)");
}

}  // namespace
}  // namespace varnic
