#include <gtest/gtest.h>

#include "app/MenuBarManager.h"

namespace varnic {
namespace {

const QRect screen(0, 0, 1920, 1168);  // a 1920 × 1200 screen above a 32-pixel panel
const QSize panel(300, 620);

TEST(PopoverPlacementTest, StaysFullyOnScreenNextToTheIcon) {
    // Tray at the bottom right: the panel opens above the icon, pulled left
    // so that its right edge stays on screen.
    const QPoint bottomRight =
        MenuBarManager::placePopover(QRect(1890, 1172, 24, 24), {}, screen, panel);
    // (Its bottom edge stops at the available area's, above the tray's panel.)
    EXPECT_EQ(bottomRight, QPoint(1620, 1168 - 620));

    // Tray at the top left: below the icon, pushed right onto the screen.
    const QPoint topLeft = MenuBarManager::placePopover(QRect(4, 4, 24, 24), {}, screen, panel);
    EXPECT_EQ(topLeft, QPoint(0, 15 + 14));

    for (const QPoint corner : {bottomRight, topLeft}) {
        EXPECT_TRUE(screen.contains(QRect(corner, panel))) << corner.x() << "," << corner.y();
    }
}

TEST(PopoverPlacementTest, UnknownIconGeometryUsesTheCursorAndOversizedPanelsKeepTheirCorner) {
    EXPECT_EQ(MenuBarManager::placePopover(QRect(), QPoint(960, 1160), screen, panel),
              QPoint(810, 1160 - 620));
    // A panel taller than the screen keeps its top-left on screen rather
    // than being pushed above it.
    EXPECT_EQ(MenuBarManager::placePopover(QRect(), QPoint(960, 1160), screen, QSize(300, 2000)),
              QPoint(810, 0));
}

}  // namespace
}  // namespace varnic
