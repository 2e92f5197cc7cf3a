#include "controls/gui/cursor.h"

#include <gtest/gtest.h>

namespace {

TEST(Cursor, ReallyStayingHiddenTurnsAShowIntoAHide) {
    TDCursor::setHiddenUntilMouseMoves(true);
    EXPECT_TRUE(TDCursor::isHidden());
    TDCursor::setHiddenUntilMouseMoves(false);
    EXPECT_FALSE(TDCursor::isHidden());

    TDCursor::setReallyStayHiddenUntilMouseMoves(true);
    TDCursor::setHiddenUntilMouseMoves(false);
    EXPECT_TRUE(TDCursor::isHidden());
    TDCursor::setReallyStayHiddenUntilMouseMoves(false);
    TDCursor::setHiddenUntilMouseMoves(false);
    EXPECT_FALSE(TDCursor::isHidden());
}

}  // namespace
