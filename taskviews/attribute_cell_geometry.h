#pragma once

#include <QRectF>

// The attribute columns' text sits 7 below the row top, level with the title's first line.
// Text of the date and estimate cells, and where their editor goes.
QRectF TDAttributeCellTextRect(const QRectF& frame);
// Text of the list cell.
QRectF TDListCellTitleRect(const QRectF& frame);
// The full text of a cut list name, shown over the cell: empty when the name fits (within 3).
QRectF TDListCellExpansionFrame(const QRectF& frame, qreal textWidth, qreal textHeight);
