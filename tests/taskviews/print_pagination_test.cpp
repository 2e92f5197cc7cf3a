#include "taskviews/print_pagination.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const TDPrintPage& page, std::ostream* out) {
    *out << "[" << page.top << ", " << page.bottom << ")";
}

namespace {

struct PaginationCase {
    const char* name;
    QList<int> rowHeights;
    int pageHeight;
    QList<TDPrintPage> pages;
};

void PrintTo(const PaginationCase& c, std::ostream* out) {
    *out << c.name;
}

class PaginationTest : public testing::TestWithParam<PaginationCase> {};

TEST_P(PaginationTest, BreaksBetweenRows) {
    const PaginationCase& c = GetParam();
    EXPECT_EQ(TDPaginateRows(c.rowHeights, c.pageHeight), c.pages);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PaginationTest,
    testing::Values(PaginationCase{"NoRows", {}, 100, {}},
                    PaginationCase{"AllFitOnOnePage", {20, 20, 20}, 100, {{0, 60}}},
                    // A row that would cross the page's end moves whole to the next page.
                    PaginationCase{"RowCrossingTheEndMoves", {40, 40, 40}, 100, {{0, 80}, {80, 120}}},
                    // Rows ending exactly at the page's end stay on it.
                    PaginationCase{"RowEndingAtTheLimitStays", {50, 50, 10}, 100, {{0, 100}, {100, 110}}},
                    // The tall row's last piece shares its page with the rows after it.
                    PaginationCase{"RowTallerThanAPage",
                                   {30, 250, 30},
                                   100,
                                   {{0, 30}, {30, 130}, {130, 230}, {230, 310}}},
                    PaginationCase{"TallRowFirst", {150}, 100, {{0, 100}, {100, 150}}},
                    PaginationCase{"EmptyRowsAddNothing", {0, 60, 0, 60}, 100, {{0, 60}, {60, 120}}},
                    PaginationCase{"NoPageHeightStillEnds", {2}, 0, {{0, 1}, {1, 2}}}),
    [](const testing::TestParamInfo<PaginationCase>& info) { return std::string(info.param.name); });

// No page is taller than the limit, the pages tile the list, and a break never falls inside a row that
// fits on a page.
TEST(PaginationTest, PagesTileTheListAndNeverCutAFittingRow) {
    QList<int> heights;
    for (int i = 0; i < 300; ++i) heights.append(17 + (i * 37) % 45);
    const int pageHeight = 700;
    const QList<TDPrintPage> pages = TDPaginateRows(heights, pageHeight);
    QList<int> boundaries{0};
    for (int h : heights) boundaries.append(boundaries.last() + h);
    ASSERT_FALSE(pages.isEmpty());
    EXPECT_EQ(pages.first().top, 0);
    EXPECT_EQ(pages.last().bottom, boundaries.last());
    for (qsizetype i = 0; i < pages.size(); ++i) {
        EXPECT_LE(pages[i].bottom - pages[i].top, pageHeight);
        EXPECT_TRUE(boundaries.contains(pages[i].bottom)) << "page " << i << " cuts a row";
        if (i > 0) {
            EXPECT_EQ(pages[i].top, pages[i - 1].bottom);
        }
    }
}

}  // namespace
