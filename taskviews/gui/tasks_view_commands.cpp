// The rows as the tasks controller's commands see them.
#include "taskviews/gui/tasks_view.h"

#include "taskviews/task_tree_model.h"

QList<TDTaskRowItem> TDTasksView::rowItems() const {
    QList<TDTaskRowItem> rows;
    for (QModelIndex index = m_model.index(0, 0); index.isValid(); index = indexBelow(index))
        rows.append(m_model.itemForIndex(index));
    return rows;
}

bool TDTasksView::isRowItemExpanded(const TDTaskRowItem& item) const {
    const QModelIndex index = m_model.indexForItem(item);
    return index.isValid() && isExpanded(index);
}

void TDTasksView::expandRowItem(const TDTaskRowItem& item) {
    const QModelIndex index = m_model.indexForItem(item);
    if (index.isValid()) expandItem(index, false);
}
