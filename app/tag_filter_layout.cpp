#include "app/tag_filter_layout.h"

#include <algorithm>

namespace tag_filter_layout {

int numberOfColumns(int width) {
    return std::max(1, width / kMinimumColumnWidth);
}

QRect rectOfRow(int row, int column, int width) {
    const int columnWidth = std::max(0, (width - 6) / numberOfColumns(width));
    return {column * columnWidth + 3, row * kRowHeight, columnWidth, kRowHeight};
}

QRect rectOfButtonAtRow(int row, int column, int width) {
    const QRect cell = rectOfRow(row, column, width);
    return {cell.x() + 3, cell.y() + 3, std::max(0, cell.width() - 6), kButtonHeight};
}

Flow flowButtons(const QList<int>& fittedWidths, int width) {
    Flow flow;
    int previousRight = 0;
    for (qsizetype i = 0; i < fittedWidths.size(); ++i) {
        QRect frame = rectOfButtonAtRow(0, int(i), width);
        frame.setWidth(fittedWidths.at(i));
        frame.setHeight(kButtonHeight);
        if (i > 0) frame.moveLeft(previousRight + kButtonGap);
        previousRight = frame.x() + frame.width();
        flow.frames.append(frame);
        flow.hidden.append(previousRight > width);
    }
    flow.overflowShown = !flow.hidden.isEmpty() && flow.hidden.last();
    return flow;
}

}  // namespace tag_filter_layout
