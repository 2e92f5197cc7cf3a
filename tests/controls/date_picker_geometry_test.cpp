#include "controls/date_picker_geometry.h"

#include <gtest/gtest.h>

namespace {

using namespace ODLDatePickerGeometry;

TEST(DatePickerGeometry, RowsAndDatesMapBothWaysAtTheEndsOfTheCalendar) {
    struct Case {
        QDate date;
        int row;
    } cases[] = {
        {QDate(1, 1, 1), 12},        {QDate(1, 12, 31), 23},        {QDate(2013, 12, 1), 24167},
        {QDate(9999, 1, 1), 119988}, {QDate(9999, 12, 31), 119999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.date.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(rowForDate(c.date), c.row);
        EXPECT_EQ(dateAtBeginningOfRow(c.row), QDate(c.date.year(), c.date.month(), 1));
    }
    // Year 0 has no dates; nothing lies past December 9999.
    EXPECT_FALSE(dateAtBeginningOfRow(0).isValid());
    EXPECT_FALSE(dateAtBeginningOfRow(11).isValid());
    EXPECT_FALSE(dateAtBeginningOfRow(kNumberOfRows).isValid());
    EXPECT_EQ(numberOfDaysInRow(119999), 31);
}

TEST(DatePickerGeometry, LeadingCellsFollowTheFirstWeekday) {
    // firstWeekday 1 is Sunday, 2 Monday.
    struct Case {
        QDate month;
        int firstWeekday;
        DayRange range;
    } cases[] = {
        {QDate(1, 1, 1), 1, {1, 31}},                                        // Monday 1 January 1
        {QDate(1, 1, 1), 2, {0, 31}},     {QDate(9999, 12, 1), 1, {3, 31}},  // a Wednesday
        {QDate(9999, 12, 1), 2, {2, 31}}, {QDate(2026, 2, 1), 1, {0, 28}},   // a Sunday: no leading cells
        {QDate(2026, 2, 1), 2, {6, 28}},  {QDate(2024, 2, 1), 2, {3, 29}},   // leap year, a Thursday
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.month.toString(Qt::ISODate).toStdString() + " first weekday " +
                     std::to_string(c.firstWeekday));
        EXPECT_EQ(rangeOfDaysInRow(rowForDate(c.month), c.firstWeekday), c.range);
    }
}

TEST(DatePickerGeometry, CellsOfAPageHaveTheirWeekdaysAndKinds) {
    const QDate today(2026, 2, 11);
    // February 2026 starts on a Sunday: with Sunday first it fills exactly four rows.
    const QList<DayCell> sundayFirst = cellsOfRow(rowForDate(today), 1, kSaturdaySundayBitmap, today);
    ASSERT_EQ(sundayFirst.size(), kCellsPerPage);
    EXPECT_EQ(sundayFirst.at(0).day, 1);
    EXPECT_EQ(sundayFirst.at(0).type, DayType::Weekend);
    EXPECT_EQ(sundayFirst.at(10).type, DayType::Today);
    EXPECT_EQ(std::count_if(sundayFirst.cbegin(), sundayFirst.cend(),
                            [](const DayCell& cell) { return cell.type == DayType::Leading; }),
              14);
    // Monday first: six trailing days of January (26 to 31), the Sunday in the last column.
    const QList<DayCell> mondayFirst = cellsOfRow(rowForDate(today), 2, kSaturdaySundayBitmap, today);
    EXPECT_EQ(mondayFirst.at(0).day, 26);
    EXPECT_EQ(mondayFirst.at(0).type, DayType::Trailing);
    EXPECT_EQ(mondayFirst.at(0).monthOffset(), -1);
    EXPECT_EQ(mondayFirst.at(6).day, 1);
    EXPECT_EQ(mondayFirst.at(6).type, DayType::Weekend);
    EXPECT_EQ(mondayFirst.at(7).type, DayType::Weekday);
    EXPECT_EQ(mondayFirst.at(41).monthOffset(), 1);

    // The weekday of each column and its label's symbol (Sunday 0).
    struct Column {
        int firstWeekday;
        int column;
        int weekday;
        int symbol;
    } columns[] = {{1, 0, 1, 0}, {1, 6, 7, 6}, {2, 0, 2, 1}, {2, 5, 7, 6}, {2, 6, 1, 0}};
    for (const Column& c : columns) {
        EXPECT_EQ(weekdayOfColumn(c.column, c.firstWeekday), c.weekday) << c.firstWeekday << " " << c.column;
        EXPECT_EQ(weekdaySymbolIndexOfColumn(c.column, c.firstWeekday), c.symbol);
    }
}

TEST(DatePickerGeometry, HeaderArrowsPageByModifiers) {
    EXPECT_EQ(distanceForModifiers(Qt::NoModifier), 1);
    EXPECT_EQ(distanceForModifiers(Qt::ControlModifier), 120);
    EXPECT_EQ(distanceForModifiers(Qt::AltModifier), 12);
    EXPECT_EQ(distanceForModifiers(Qt::ControlModifier | Qt::AltModifier), 1);
    EXPECT_EQ(distanceForModifiers(Qt::AltModifier | Qt::KeypadModifier), 12);
}

}  // namespace

namespace {

// Bits by weekday number, Sunday 1 .. Saturday 7.
TEST(DatePickerGeometry, TheWeekendBitmapHoldsTheDaysTheLocaleDoesNotWork) {
    using ODLDatePickerGeometry::weekendBitmapOf;
    const struct {
        QLocale locale;
        quint64 bitmap;
    } cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), ODLDatePickerGeometry::kSaturdaySundayBitmap},
        {QLocale(QLocale::German, QLocale::Germany), (1u << 1) | (1u << 7)},
        {QLocale(QLocale::Hebrew, QLocale::Israel), (1u << 6) | (1u << 7)},
        {QLocale(QLocale::Persian, QLocale::Iran), 1u << 6},
    };
    for (const auto& c : cases)
        EXPECT_EQ(weekendBitmapOf(c.locale), c.bitmap) << c.locale.name().toStdString();
}

}  // namespace
