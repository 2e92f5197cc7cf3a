// Hover tracking of the task outline: the priority cell and, on a task past due or being timed, the
// checkbox follow the pointer while the window is active; the cells draw their hover look from it.
#include "model/task.h"
#include "taskviews/gui/task_cell.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_tree_model.h"

TDTrackingAreas TDTasksView::p_trackingAreas(const QModelIndex& index) const {
    TDTrackingAreas areas;
    areas.visible = QRectF(viewport()->rect());
    const TDTask* task = p_task(index);
    if (!task) return areas;
    const QModelIndex priority = index.siblingAtColumn(TDTaskTreeModel::PriorityColumn);
    if (!isColumnHidden(TDTaskTreeModel::PriorityColumn)) areas.priorityCell = QRectF(visualRect(priority));
    areas.tracksCheckbox = task->isPastDue() || task->isTiming();
    if (areas.tracksCheckbox) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        const QModelIndex cell = index.siblingAtColumn(TDTaskTreeModel::TaskColumn);
        option.rect = visualRect(cell);
        areas.checkboxFrame = m_taskCell->rowLayout(option, cell).checkboxFrame;
    }
    return areas;
}

void TDTasksView::p_trackPointer(const QPoint& point) {
    const QModelIndex index = indexAt(point);
    TDTrackingArea area = TDTrackingArea::None;
    if (index.isValid() && window()->isActiveWindow()) area = TDTrackingAreaAt(p_trackingAreas(index), point);
    p_setTracking(index, area);
}

void TDTasksView::clearTrackingRowAndColumn() {
    p_setTracking(QModelIndex(), TDTrackingArea::None);
}

void TDTasksView::p_setTracking(const QModelIndex& index, TDTrackingArea area) {
    const QModelIndex before = m_tracking.row();
    if (!m_tracking.track(index, area)) return;
    // Both rows' cells redraw: the one left and the one entered.
    for (const QModelIndex& row : {before, m_tracking.row()})
        if (row.isValid()) {
            const QRect rect = visualRect(row);
            viewport()->update(QRect(0, rect.y(), viewport()->width(), rect.height()));
        }
}
