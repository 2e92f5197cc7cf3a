#pragma once

#include <QDate>
#include <QList>
#include <QLocale>

// The month pages of the date picker: one row per month from January of year 0 to December of year
// 9999 (row = year x 12 + month - 1), each a grid of 42 day cells that starts on the calendar's first
// weekday. Year 0 has no dates (QDate knows no year 0): its twelve rows stay blank.
namespace ODLDatePickerGeometry {

inline constexpr int kNumberOfRows = 120000;
inline constexpr int kCellsPerPage = 42;

enum class DayType { Today = 0, Weekday = 1, Weekend = 2, Trailing = 3, Leading = 4 };

struct DayCell {
    int day = 0;
    DayType type = DayType::Weekday;
    int monthOffset() const { return type == DayType::Trailing ? -1 : type == DayType::Leading ? 1 : 0; }
};

int rowForDate(QDate date);
// The first day of the row's month; invalid for the rows of year 0 and rows out of range.
QDate dateAtBeginningOfRow(int row);
int numberOfDaysInRow(int row);
// (leading cells of the previous month, days of the month). firstWeekday counts 1 = Sunday .. 7.
struct DayRange {
    int leading = 0;
    int days = 0;
    friend bool operator==(const DayRange&, const DayRange&) = default;
};
DayRange rangeOfDaysInRow(int row, int firstWeekday);
// The weekday (1 = Sunday .. 7) of the cell column 0-6 on a page.
int weekdayOfColumn(int column, int firstWeekday);
// The weekday label of column i shows the very short symbol of Sunday-based index (f + 6 + i) mod 7.
int weekdaySymbolIndexOfColumn(int column, int firstWeekday);
// The 42 cells of a page: trailing days of the previous month, the month, leading days of the next.
// `weekendBitmap` has bit w set for each weekend weekday w (1 = Sunday .. 7).
QList<DayCell> cellsOfRow(int row, int firstWeekday, quint64 weekendBitmap, QDate today);
// Paging distance of a header arrow click: Ctrl alone 120 months, Alt alone 12, otherwise 1.
int distanceForModifiers(Qt::KeyboardModifiers modifiers);

inline constexpr quint64 kSaturdaySundayBitmap = (1u << 1) | (1u << 7);
// The locale's weekend (the days that are not among its working weekdays), as a weekend bitmap.
quint64 weekendBitmapOf(const QLocale& locale);

}  // namespace ODLDatePickerGeometry
