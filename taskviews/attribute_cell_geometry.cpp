#include "taskviews/attribute_cell_geometry.h"

QRectF TDAttributeCellTextRect(const QRectF& frame) {
    return QRectF(frame.x() + 1, frame.y() + 7, frame.width() - 2, frame.height() - 6);
}

QRectF TDListCellTitleRect(const QRectF& frame) {
    return QRectF(frame.x() + 1, frame.y() + 7, frame.width() - 2, frame.height() - 6);
}

QRectF TDListCellExpansionFrame(const QRectF& frame, qreal textWidth, qreal textHeight) {
    if (frame.width() > textWidth - 3) return QRectF();
    const QRectF title = TDListCellTitleRect(frame);
    return QRectF(title.x() - 2, title.y() - 2, textWidth + 4, textHeight + 5);
}
