#include "app/tab_layout.h"

#include <algorithm>
#include <cmath>

namespace tab_layout {

double tabWidthForTitleWidth(double titleWidth) {
    return std::clamp(std::ceil(titleWidth) + kTitlePadding, kMinimumWidth, kMaximumWidth);
}

QList<double> tabPositions(const QList<double>& widths) {
    QList<double> positions;
    positions.reserve(widths.size());
    double x = kFirstTabX;
    for (double width : widths) {
        positions.append(x);
        x += width - kOverlap;
    }
    return positions;
}

double scrollToShowTab(double x, double width, double scroll, double barWidth) {
    const double shownMinX = x - scroll;
    if (shownMinX + width + kRightMargin >= barWidth) return x + width + kRightMargin - barWidth;
    if (shownMinX <= kFirstTabX) return x - kFirstTabX;
    return scroll;
}

double scrollAfterRemoval(double lastTabMaxX, double scroll, double barWidth) {
    if (scroll == 0) return scroll;
    return std::max(0.0, lastTabMaxX + kRightMargin - barWidth);
}

int selectionAfterRemoval(int removed, int selected, int count) {
    if (removed == selected) return removed == count - 1 ? removed - 1 : removed;
    return removed < selected ? selected - 1 : selected;
}

Drag::Drag(const QList<double>& widths, int index, double pressX)
    : m_widths(widths), m_index(index), m_pressX(pressX) {
    m_startCentre = tabPositions(m_widths).at(index) + m_widths.at(index) / 2;
    m_centre = m_startCentre;
}

bool Drag::moveTo(double x, double deltaX) {
    if (!m_live && std::abs(x - m_pressX) <= kDragThreshold) return false;
    m_live = true;
    const QList<double> positions = tabPositions(m_widths);
    const double width = m_widths.at(m_index);
    const int last = int(m_widths.size()) - 1;
    m_centre = x - m_pressX + m_startCentre;
    // The ends hold the dragged tab: never left of the first slot, never right of the last.
    if (m_index == 0) m_centre = std::max(m_centre, width / 2 + kFirstTabX);
    if (m_index == last && last > 0)
        m_centre = std::min(m_centre, positions.at(last - 1) + m_widths.at(last - 1) - kOverlap + width / 2);

    QList<double> centres;
    QList<double> others = m_widths;
    others.removeAt(m_index);
    for (int i = 0; i <= last; ++i)
        if (i != m_index) centres.append(positions.at(i) + m_widths.at(i) / 2);
    const double minX = m_centre - width / 2;
    const double maxX = m_centre + width / 2;
    int slot = 0;
    if (deltaX <= 0) {
        for (int i = int(centres.size()) - 1; i >= 0; --i)
            if (centres.at(i) < minX) {
                slot = i + 1;
                break;
            }
    } else {
        slot = int(centres.size());
        for (int i = 0; i < centres.size(); ++i)
            if (centres.at(i) > maxX) {
                slot = i;
                break;
            }
    }
    if (slot == m_index) return false;
    others.insert(slot, width);
    m_widths = others;
    m_index = slot;
    return true;
}

}  // namespace tab_layout
