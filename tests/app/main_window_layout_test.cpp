#include "app/main_window_layout.h"

#include <gtest/gtest.h>

namespace {

namespace Layout = TDMainWindowLayout;

TEST(MainWindowLayoutTest, FirstSizeIsNinetyPercentOfTheScreenCapped) {
    const struct {
        QSize screen;
        QSize expected;
    } cases[] = {
        {{1280, 800}, {1050, 720}}, {{1920, 1200}, {1050, 735}},
        {{1000, 700}, {900, 630}},  {{1001, 701}, {900, 630}},
        {{0, 0}, {0, 0}},
    };
    for (const auto& c : cases) EXPECT_EQ(Layout::firstWindowSize(c.screen), c.expected) << c.screen.width();
}

TEST(MainWindowLayoutTest, FirstFrameIsCentredOnTheFreeArea) {
    const QRect frame = Layout::firstWindowFrame(QRect(100, 30, 1920, 1170));
    EXPECT_EQ(frame.size(), QSize(1050, 735));
    EXPECT_EQ(frame.center(), QRect(100, 30, 1920, 1170).center());
}

TEST(MainWindowLayoutTest, MinimumSizeMakesRoomForTheSourceListWhenShown) {
    EXPECT_EQ(Layout::minimumWindowSize(true), QSize(570, 550));
    EXPECT_EQ(Layout::minimumWindowSize(false), QSize(756, 550));
}

TEST(MainWindowLayoutTest, TheTasksSideKeepsHalfTheWindow) {
    EXPECT_EQ(Layout::maximumSourceListWidth(1000), 499);
    EXPECT_EQ(Layout::maximumSourceListWidth(1001), 500);
    // Never below the source list's own minimum.
    EXPECT_EQ(Layout::maximumSourceListWidth(300), 185);
}

TEST(MainWindowLayoutTest, SourceListKeepsItsWidthUntilTheOtherSideIsNarrower) {
    const struct {
        int width;
        int splitWidth;
        int expected;
    } cases[] = {
        {220, 1000, 220},                   // plenty of room
        {300, 601, 300},                    // exactly as wide as the other side
        {300, 600, 299},                    // the other side one narrower: the two share
        {400, 700, 349},  {200, 300, 185},  // sharing never goes below the minimum
    };
    for (const auto& c : cases)
        EXPECT_EQ(Layout::sourceListWidthAfterResize(c.width, c.splitWidth), c.expected)
            << c.width << " in " << c.splitWidth;
}

TEST(MainWindowLayoutTest, FrameRoundTripsAndRejectsGarbage) {
    const QRect frame(-20, 40, 900, 640);
    EXPECT_EQ(Layout::frameFromString(Layout::frameToString(frame)), frame);
    for (const char* bad : {"", "1 2 3", "1 2 three 4", "0 0 0 100", "1 2 3 4 5"})
        EXPECT_FALSE(Layout::frameFromString(QString::fromLatin1(bad)).isValid()) << bad;
}

}  // namespace
