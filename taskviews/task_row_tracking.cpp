#include "taskviews/task_row_tracking.h"

namespace {

constexpr qreal kCheckboxAreaWidth = 18.0;

bool holds(const QRectF& rect, const QPointF& point) {
    return !rect.isEmpty() && point.x() >= rect.left() && point.x() < rect.right() &&
           point.y() >= rect.top() && point.y() < rect.bottom();
}

}  // namespace

QRectF TDTrackingAreaRect(const TDTrackingAreas& areas, TDTrackingArea area) {
    switch (area) {
        case TDTrackingArea::Priority:
            return areas.priorityCell.isEmpty() ? QRectF() : areas.priorityCell.intersected(areas.visible);
        case TDTrackingArea::Checkbox: {
            if (!areas.tracksCheckbox || areas.checkboxFrame.isEmpty()) return QRectF();
            QRectF rect = areas.checkboxFrame.intersected(areas.visible);
            if (rect.isEmpty()) return QRectF();
            rect.setWidth(kCheckboxAreaWidth);
            return rect;
        }
        case TDTrackingArea::None:
            break;
    }
    return QRectF();
}

TDTrackingArea TDTrackingAreaAt(const TDTrackingAreas& areas, const QPointF& point) {
    for (TDTrackingArea area : {TDTrackingArea::Priority, TDTrackingArea::Checkbox})
        if (holds(TDTrackingAreaRect(areas, area), point)) return area;
    return TDTrackingArea::None;
}

bool TDTaskRowTracking::isOver(const QModelIndex& index, TDTrackingArea area) const {
    if (area == TDTrackingArea::None || m_area != area || !m_row.isValid() || !index.isValid()) return false;
    return index.row() == m_row.row() && index.parent() == m_row.parent() && index.model() == m_row.model();
}

bool TDTaskRowTracking::track(const QModelIndex& row, TDTrackingArea area) {
    const QModelIndex first = row.isValid() ? row.siblingAtColumn(0) : QModelIndex();
    if (!first.isValid()) area = TDTrackingArea::None;
    if (area == TDTrackingArea::None && !m_row.isValid()) return false;
    if (QModelIndex(m_row) == first && m_area == area) return false;
    m_row = area == TDTrackingArea::None ? QPersistentModelIndex() : QPersistentModelIndex(first);
    m_area = area;
    return true;
}
