#pragma once

#include <QModelIndex>
#include <QPersistentModelIndex>
#include <QRectF>

// The areas of a task row that follow the pointer, with the hover column the cells draw by: the
// priority cell (1), and the checkbox (2) of a task whose icon gives way to the box while the pointer is
// over it.
enum class TDTrackingArea { None = -1, Priority = 1, Checkbox = 2 };

// Where a row's areas lie, in the view's coordinates.
struct TDTrackingAreas {
    QRectF visible;               // what the view shows; areas are cut to it
    QRectF priorityCell;          // the priority column's cell in the row; empty when the column is hidden
    QRectF checkboxFrame;         // the task cell's checkbox frame
    bool tracksCheckbox = false;  // the task is past due or being timed
};

// The checkbox area is 18 wide from the checkbox frame's left edge. A point on an area's right or
// bottom edge lies outside it, as the next area starts there.
TDTrackingArea TDTrackingAreaAt(const TDTrackingAreas& areas, const QPointF& point);
// The area's rectangle, cut to the visible rectangle; empty when the row has no such area.
QRectF TDTrackingAreaRect(const TDTrackingAreas& areas, TDTrackingArea area);

// The row and area under the pointer, which the outline keeps and its cells draw by.
class TDTaskRowTracking {
public:
    QModelIndex row() const { return m_row; }
    TDTrackingArea area() const { return m_row.isValid() ? m_area : TDTrackingArea::None; }
    // Whether the pointer is over the area in the row of the index (any column of it).
    bool isOver(const QModelIndex& index, TDTrackingArea area) const;
    // True when the row or the area changed.
    bool track(const QModelIndex& row, TDTrackingArea area);
    bool clear() { return track(QModelIndex(), TDTrackingArea::None); }

private:
    QPersistentModelIndex m_row;  // column 0
    TDTrackingArea m_area = TDTrackingArea::None;
};
