#pragma once

#include <QRectF>

// The attribute columns' text sits 7 below the row top, level with the title's first line.
// Text of the date and estimate cells, and where their editor goes.
QRectF TDAttributeCellTextRect(const QRectF& frame);
// Text of the list cell.
QRectF TDListCellTitleRect(const QRectF& frame);
// The full text of a cut list name, shown over the cell: empty when the name fits (within 3).
QRectF TDListCellExpansionFrame(const QRectF& frame, qreal textWidth, qreal textHeight);

// A column dragged to a width: at or below the minimum it stays 1 wider than the minimum, at or above
// the maximum it is the maximum; only a width in between is worth telling the toolbar about.
struct TDColumnWidth {
    qreal width = 0;
    bool notify = false;
};
TDColumnWidth TDClampedColumnWidth(qreal width, qreal minimum, qreal maximum);
