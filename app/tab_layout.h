#pragma once

#include <QList>

// The geometry of the tab bar, apart from any window: tabs overlap their right neighbour, the first
// starts a little in from the left, and the bar scrolls just far enough to keep the selected tab clear
// of both margins. All values are in points along the bar.
namespace tab_layout {

inline constexpr double kTabHeight = 26;
inline constexpr double kFirstTabX = 53;
inline constexpr double kOverlap = 15;
// How far the selected tab's right edge stays from the bar's right edge.
inline constexpr double kRightMargin = 51;
inline constexpr double kMinimumWidth = 122;
inline constexpr double kMaximumWidth = 200;
// The caps on either side of the title.
inline constexpr double kCapWidth = 23;
inline constexpr double kTitlePadding = 46;
// A press becomes a drag once it has moved this far.
inline constexpr double kDragThreshold = 8;

// The width of a tab whose title is that wide.
double tabWidthForTitleWidth(double titleWidth);

// The left edge of each tab, given the widths in display order.
QList<double> tabPositions(const QList<double>& widths);

// The scroll offset (the bar's x shown at its left edge) that keeps the tab at [x, x + width) in view
// in a bar that wide, scrolled by `scroll` now.
double scrollToShowTab(double x, double width, double scroll, double barWidth);

// After a removal: where the scroll settles, given the new last tab's right edge. Scrolled-to-start
// bars stay put.
double scrollAfterRemoval(double lastTabMaxX, double scroll, double barWidth);

// The selected index after the tab at `removed` went, from `count` tabs with `selected` selected.
int selectionAfterRemoval(int removed, int selected, int count);

// One drag of a tab along the bar: where the dragged tab is drawn and where it slots in among the
// others. Positions are centres unless said otherwise.
class Drag {
public:
    // The tab at `index` of tabs with these widths, pressed at `pressX` (bar coordinates).
    Drag(const QList<double>& widths, int index, double pressX);

    // The pointer is at `x`, last moved by `deltaX`. Returns whether the dragged tab changed its slot;
    // once it has moved past the threshold, the drag stays live for the rest of the gesture.
    bool moveTo(double x, double deltaX);

    bool isLive() const { return m_live; }
    int index() const { return m_index; }
    // The widths in the current order (the dragged tab at index()).
    const QList<double>& widths() const { return m_widths; }
    // Where the dragged tab's left edge is drawn.
    double draggedX() const { return m_centre - m_widths.at(m_index) / 2; }

private:
    QList<double> m_widths;
    int m_index;
    double m_pressX;
    double m_startCentre;
    double m_centre;
    bool m_live = false;
};

}  // namespace tab_layout
