// The Qt glue: the main queue on the event loop, icon conversion.
#include <gtest/gtest.h>

#include <QTest>
#include <vector>

#include "platform/qt/AppIconImage.h"
#include "platform/qt/QtMainQueue.h"

namespace varnic {
namespace {

// Tasks run on the event loop in order, die with their queue; a timer stops
// when invalidated, also from inside its own tick (as a poll that finds what it waited for).
TEST(QtMainQueue, RunsTasksInOrderAndTimersUntilInvalidated) {
    QtMainQueue queue;
    std::vector<int> ran;
    queue.postAfter(0.06, [&] { ran.push_back(4); });
    queue.postAfter(0.03, [&] { ran.push_back(3); });
    queue.post([&] {
        ran.push_back(1);
        queue.post([&] { ran.push_back(2); });
    });
    QtMainQueue(/* gone at once */).post([&] { ran.push_back(0); });
    EXPECT_TRUE(ran.empty()) << "never inline";
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran.size() == 4; }, 5000));
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4}));

    int ticks = 0, other = 0;
    std::unique_ptr<Timer> timer;
    timer = queue.repeating(0.01, [&] {
        if (++ticks == 3) timer.reset();
    });
    const auto stopped = queue.repeating(0.01, [&] { ++other; });
    stopped->invalidate();
    bool later = false;
    queue.postAfter(0.1, [&] { later = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return later; }, 5000));
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(other, 0);
}

TEST(AppIconImage, KeepsArgbPixelsAndRefusesInconsistentSizes) {
    const AppIcon icon{2, 2, {0xffff0000u, 0x8000ff00u, 0x000000ffu, 0xff123456u}};
    const QImage image = appicon::toImage(icon);
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixel(1, 0), 0x8000ff00u) << "unpremultiplied alpha kept";

    // Too few or too many pixels, no size, negative sizes, a size whose area overflows.
    for (const auto& bad : std::vector<AppIcon>{{2, 2, {1, 2, 3}},
                                                {2, 2, {1, 2, 3, 4, 5}},
                                                {0, 0, {}},
                                                {-1, -4, {1, 2, 3, 4}},
                                                {65536, 65536, {1}}}) {
        EXPECT_TRUE(appicon::toImage(bad).isNull()) << bad.width << "x" << bad.height;
    }
    EXPECT_TRUE(appicon::toPixmap(AppIcon{}).isNull());
}

}  // namespace
}  // namespace varnic
