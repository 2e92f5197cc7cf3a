#include "taskviews/attribute_cell_geometry.h"
#include "taskviews/priority_box_look.h"
#include "taskviews/task_checkbox_look.h"

#include <gtest/gtest.h>

namespace {

using Look = TDTaskCheckboxLook;

TEST(TaskCheckboxLook, EachStateAndTheHoverSwap) {
    const struct {
        qint64 state;
        bool recurring;
        bool over;
        Look::Face face;
        Look::Mark mark;
        qreal markOpacity;
        qreal fill;
    } cases[] = {
        {0, false, false, Look::Face::Box, Look::Mark::None, 1.0, 0.75},
        {-1, false, false, Look::Face::Box, Look::Mark::Mixed, 1.0, 0.75},
        {1, false, false, Look::Face::Box, Look::Mark::Check, 0.5, 0.25},
        {2, false, false, Look::Face::Box, Look::Mark::Cross, 0.5, 0.25},
        {3, false, false, Look::Face::TimerIcon, Look::Mark::None, 1.0, 0.75},
        {3, false, true, Look::Face::Box, Look::Mark::None, 1.0, 0.75},
        {3, true, true, Look::Face::Box, Look::Mark::Repeat, 1.0, 0.75},
        {4, true, false, Look::Face::OverdueIcon, Look::Mark::None, 1.0, 0.75},
        {4, true, true, Look::Face::Box, Look::Mark::Repeat, 1.0, 0.75},
        {5, false, false, Look::Face::Box, Look::Mark::Repeat, 1.0, 0.75},
    };
    for (const auto& entry : cases) {
        const Look look = TDTaskCheckboxLookFor(entry.state, entry.recurring, entry.over, true, false);
        EXPECT_EQ(look.face, entry.face) << entry.state << entry.over;
        if (look.face != Look::Face::Box) continue;
        EXPECT_EQ(look.mark, entry.mark) << entry.state;
        EXPECT_EQ(look.markOpacity, entry.markOpacity) << entry.state;
        EXPECT_EQ(look.boxFillAlpha, entry.fill) << entry.state;
    }
    const Look completed = TDTaskCheckboxLookFor(1, false, false, true, false);
    EXPECT_EQ(completed.backgroundOpacity, 0.75);
    const Look inactive = TDTaskCheckboxLookFor(0, false, false, false, true);
    EXPECT_EQ(inactive.boxFillAlpha, 0.15);
    EXPECT_EQ(inactive.backgroundOpacity, 0.75);
    EXPECT_TRUE(inactive.highlightFill);
}

TEST(PriorityBoxLook, ColoursPairUpAndNoPriorityShowsOnlyOnHover) {
    EXPECT_EQ(TDPriorityBoxLookFor(1, false).fill, TDPriorityBoxLookFor(2, false).fill);
    EXPECT_EQ(TDPriorityBoxLookFor(6, false).fill, TDPriorityBoxLookFor(7, false).fill);
    EXPECT_NE(TDPriorityBoxLookFor(2, false).fill, TDPriorityBoxLookFor(3, false).fill);
    EXPECT_EQ(TDPriorityBoxLookFor(7, false).text, QStringLiteral("7"));
    EXPECT_NE(TDPriorityBoxLookFor(4, true).fill, TDPriorityBoxLookFor(4, false).fill);

    EXPECT_FALSE(TDPriorityBoxLookFor(0, false).visible);
    const TDPriorityBoxLook hovered = TDPriorityBoxLookFor(0, true);
    EXPECT_TRUE(hovered.visible);
    EXPECT_FALSE(hovered.fill.has_value());
    EXPECT_EQ(hovered.text, QStringLiteral("!"));
    EXPECT_TRUE(hovered.boldText);
}

TEST(PriorityBoxLook, MenuOfNineBoxesASeparatorAndNone) {
    const QList<TDPriorityMenuItem> items = TDPriorityMenuItems();
    ASSERT_EQ(items.size(), 11);
    for (int index = 0; index < 9; ++index) EXPECT_EQ(items[index].tag, index + 1);
    EXPECT_EQ(items[9].tag, 0);
    EXPECT_EQ(items[10].tag, -1);
    EXPECT_EQ(items[10].title, QStringLiteral("None"));
    EXPECT_EQ(TDPriorityForMenuTag(-1), 0);
    EXPECT_EQ(TDPriorityForMenuTag(4), 4);
}

TEST(AttributeCellGeometry, TextSitsLowAndCutListNamesExpand) {
    const QRectF frame(10, 20, 80, 26);
    EXPECT_EQ(TDAttributeCellTextRect(frame), QRectF(11, 27, 78, 20));
    EXPECT_TRUE(TDListCellExpansionFrame(frame, 82, 14).isNull());  // cut by less than 3
    EXPECT_EQ(TDListCellExpansionFrame(frame, 83, 14), QRectF(9, 25, 87, 19));
}

}  // namespace
