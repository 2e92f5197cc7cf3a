#pragma once

#include <QList>
#include <QRect>

// The geometry of the tag filter bar: a grid of columns at least 90 wide in rows 24 high, and the one
// line the buttons actually flow in, each as wide as its title and badge need.
namespace tag_filter_layout {

inline constexpr int kMinimumColumnWidth = 90;
inline constexpr int kRowHeight = 24;
inline constexpr int kButtonHeight = 18;
inline constexpr int kButtonGap = 6;

// At least one column, so a bar narrower than one column still has defined cells.
int numberOfColumns(int width);
QRect rectOfRow(int row, int column, int width);
QRect rectOfButtonAtRow(int row, int column, int width);

struct Flow {
    QList<QRect> frames;
    QList<bool> hidden;
    // Shown exactly when the last button does not fit.
    bool overflowShown = false;
};
// Places buttons of the given fitted widths left to right in the first row of a bar `width` wide,
// 6 apart; a button whose right edge passes the bar's is hidden.
Flow flowButtons(const QList<int>& fittedWidths, int width);

}  // namespace tag_filter_layout
