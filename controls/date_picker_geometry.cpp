#include "controls/date_picker_geometry.h"

namespace ODLDatePickerGeometry {

int rowForDate(QDate date) {
    return date.year() * 12 + date.month() - 1;
}

QDate dateAtBeginningOfRow(int row) {
    if (row < 12 || row >= kNumberOfRows) return {};
    return QDate(row / 12, row % 12 + 1, 1);
}

int numberOfDaysInRow(int row) {
    const QDate first = dateAtBeginningOfRow(row);
    return first.isValid() ? first.daysInMonth() : 0;
}

DayRange rangeOfDaysInRow(int row, int firstWeekday) {
    const QDate first = dateAtBeginningOfRow(row);
    if (!first.isValid()) return {};
    // QDate counts Monday 1 .. Sunday 7; the picker Sunday 1 .. Saturday 7.
    const int weekday = first.dayOfWeek() % 7 + 1;
    int leading = (weekday - 1) % 7 + 1 - firstWeekday;
    if (leading < 0) leading += 7;
    return {leading, first.daysInMonth()};
}

int weekdayOfColumn(int column, int firstWeekday) {
    return (firstWeekday - 1 + column) % 7 + 1;
}

int weekdaySymbolIndexOfColumn(int column, int firstWeekday) {
    return (firstWeekday + 6 + column) % 7;
}

QList<DayCell> cellsOfRow(int row, int firstWeekday, quint64 weekendBitmap, QDate today) {
    QList<DayCell> cells;
    cells.reserve(kCellsPerPage);
    const DayRange range = rangeOfDaysInRow(row, firstWeekday);
    const int previousDays = numberOfDaysInRow(row - 1);
    for (int i = 0; i < range.leading; ++i)
        cells.append({previousDays + 1 - range.leading + i, DayType::Trailing});
    const bool todaysRow = today.isValid() && rowForDate(today) == row;
    for (int i = 0; i < range.days; ++i) {
        const int weekday = (range.leading + firstWeekday + 6 + i) % 7 + 1;
        DayType type = weekendBitmap & (quint64(1) << weekday) ? DayType::Weekend : DayType::Weekday;
        if (todaysRow && today.day() == i + 1) type = DayType::Today;
        cells.append({i + 1, type});
    }
    for (int day = 1; cells.size() < kCellsPerPage; ++day) cells.append({day, DayType::Leading});
    return cells;
}

int distanceForModifiers(Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers relevant =
        modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
    if (relevant == Qt::ControlModifier) return 120;
    if (relevant == Qt::AltModifier) return 12;
    return 1;
}

quint64 weekendBitmapOf(const QLocale& locale) {
    const QList<Qt::DayOfWeek> working = locale.weekdays();
    quint64 bitmap = 0;
    // Qt counts Monday 1 .. Sunday 7; the bitmap Sunday 1 .. Saturday 7.
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day)
        if (!working.contains(Qt::DayOfWeek(day))) bitmap |= quint64(1) << (day % 7 + 1);
    return bitmap;
}

}  // namespace ODLDatePickerGeometry
