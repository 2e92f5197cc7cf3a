#include "app/tab_layout.h"

#include <gtest/gtest.h>

namespace {

using namespace tab_layout;

TEST(TabLayout, WidthFollowsTheTitleBetweenTheLimits) {
    struct Case {
        double titleWidth;
        double width;
    } cases[] = {{0, 122},     {76, 122},    {76.2, 123}, {104, 150},
                 {103.1, 150}, {153.5, 200}, {154, 200},  {900, 200}};
    for (const Case& c : cases) EXPECT_EQ(tabWidthForTitleWidth(c.titleWidth), c.width) << c.titleWidth;
}

TEST(TabLayout, TabsOverlapTheirRightNeighbour) {
    EXPECT_EQ(tabPositions({150, 150, 150}), (QList<double>{53, 188, 323}));
    EXPECT_EQ(tabPositions({122, 200, 130}), (QList<double>{53, 160, 345}));
    EXPECT_TRUE(tabPositions({}).isEmpty());
}

TEST(TabLayout, ScrollKeepsTheSelectedTabClearOfBothMargins) {
    struct Case {
        const char* what;
        double x, width, scroll, barWidth, expected;
    } cases[] = {
        {"clear of both margins", 188, 150, 0, 600, 0},
        {"right edge within the margin", 323, 150, 0, 500, 24},     // 473 + 51 - 500
        {"right edge beyond the bar", 593, 150, 0, 500, 294},       // 743 + 51 - 500
        {"right edge exactly at the margin", 299, 150, 0, 500, 0},  // 449 + 51 = 500
        {"left edge within the margin", 188, 150, 150, 500, 135},   // 188 - 53
        {"left edge scrolled out", 53, 150, 300, 500, 0},
        {"scrolled and clear", 323, 150, 100, 600, 100},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scrollToShowTab(c.x, c.width, c.scroll, c.barWidth), c.expected) << c.what;
}

TEST(TabLayout, RemovalPullsAScrolledBarBackOnly) {
    EXPECT_EQ(scrollAfterRemoval(800, 0, 500), 0);
    EXPECT_EQ(scrollAfterRemoval(800, 400, 500), 351);
    EXPECT_EQ(scrollAfterRemoval(300, 120, 500), 0);
}

TEST(TabLayout, SelectionAfterRemoval) {
    struct Case {
        const char* what;
        int removed, selected, count, expected;
    } cases[] = {
        {"selected last tab: its left neighbour", 3, 3, 4, 2},
        {"selected middle tab: the one moving into its place", 1, 1, 4, 1},
        {"selected first tab", 0, 0, 3, 0},
        {"a tab left of the selection", 0, 2, 4, 1},
        {"a tab right of the selection", 3, 1, 4, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(selectionAfterRemoval(c.removed, c.selected, c.count), c.expected) << c.what;
}

TEST(TabLayoutDrag, ASmallMoveOnlySelects) {
    Drag drag({150, 150, 150}, 1, 250);
    EXPECT_FALSE(drag.moveTo(258, 8));
    EXPECT_FALSE(drag.moveTo(242, -16));
    EXPECT_FALSE(drag.isLive());
    EXPECT_EQ(drag.draggedX(), 188);
    // Past the threshold it stays live, even back near the start.
    drag.moveTo(259, 17);
    EXPECT_TRUE(drag.isLive());
    drag.moveTo(251, -8);
    EXPECT_TRUE(drag.isLive());
    EXPECT_EQ(drag.draggedX(), 189);
}

TEST(TabLayoutDrag, TheEndsHoldTheDraggedTab) {
    Drag first({150, 150, 150}, 0, 100);
    first.moveTo(20, -80);
    EXPECT_EQ(first.draggedX(), 53);  // centre at width / 2 + 53
    Drag last({150, 150, 150}, 2, 400);
    last.moveTo(700, 300);
    EXPECT_EQ(last.draggedX(), 323);  // the slot after its left neighbour
    EXPECT_EQ(last.index(), 2);
}

TEST(TabLayoutDrag, TheTabSlotsInPastItsNeighboursCentre) {
    // Dragging tab 0 right: it passes tab 1 once its right edge is beyond tab 1's centre.
    Drag drag({150, 122, 200}, 0, 100);
    EXPECT_FALSE(drag.moveTo(110, 10));  // right edge 213 < centre of tab 1 (249)
    EXPECT_FALSE(drag.moveTo(135, 25));  // right edge 238
    EXPECT_TRUE(drag.moveTo(150, 15));   // right edge 253
    EXPECT_EQ(drag.index(), 1);
    EXPECT_EQ(drag.widths(), (QList<double>{122, 150, 200}));
    // And back left: it returns before tab 0 once its left edge is left of that tab's centre.
    EXPECT_FALSE(drag.moveTo(170, -5));  // left edge 123, right of tab 0's centre (114)
    EXPECT_TRUE(drag.moveTo(160, -10));  // left edge 113
    EXPECT_EQ(drag.index(), 0);
    EXPECT_EQ(drag.widths(), (QList<double>{150, 122, 200}));
}

TEST(TabLayoutDrag, AFastDragCrossesSeveralTabs) {
    Drag drag({150, 150, 150, 150}, 0, 100);
    EXPECT_TRUE(drag.moveTo(500, 400));
    EXPECT_EQ(drag.index(), 3);
}

}  // namespace
