#include "taskviews/drag_badge.h"

#include <gtest/gtest.h>

TEST(DragBadgeTest, TheBadgeWidensWithTheCountAndStopsAtFiveDigits) {
    struct Case {
        qint64 count;
        const char* image;
        const char* text;
    };
    const Case cases[] = {
        {2, "countBadge1&2", "2"},       {99, "countBadge1&2", "99"},     {100, "countBadge3", "100"},
        {999, "countBadge3", "999"},     {1000, "countBadge4", "1000"},   {9999, "countBadge4", "9999"},
        {10000, "countBadge5", "10000"}, {99999, "countBadge5", "99999"}, {100000, "countBadge5", "99999+"},
    };
    for (const Case& c : cases) {
        const TDDragBadge badge = TDDragBadgeForCount(c.count);
        EXPECT_EQ(badge.imageName, QString::fromLatin1(c.image)) << c.count;
        EXPECT_EQ(badge.text, QString::fromLatin1(c.text)) << c.count;
    }
}
