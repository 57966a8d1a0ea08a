// Publication, which every manager and view leans on. (The text forms of the
// log lines are the window manager table's and the fuzz targets'.)
#include <gtest/gtest.h>

#include <vector>

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

}  // namespace
}  // namespace varnic
