// The outline's drags and drops: the model hands rows to the tasks controller, which writes, judges
// and reads the data.
#include "taskviews/task_tree_model.h"

#include "taskviews/task_pasteboard.h"
#include "taskviews/tasks_controller.h"

#include <QMimeData>

#include <algorithm>
#include <vector>

QStringList TDTaskTreeModel::mimeTypes() const {
    return TDTaskPasteboard::dragTypes();
}

Qt::DropActions TDTaskTreeModel::supportedDragActions() const {
    return Qt::MoveAction | Qt::CopyAction;
}

Qt::DropActions TDTaskTreeModel::supportedDropActions() const {
    return Qt::MoveAction | Qt::CopyAction | Qt::LinkAction;
}

QList<TDTaskRowItem> TDTaskTreeModel::itemsInRowOrder(const QModelIndexList& indexes) const {
    // Each row by its path of row numbers from the top: sorted paths are the order of the rows.
    std::vector<std::pair<std::vector<int>, TDTaskRowItem>> rows;
    for (const QModelIndex& index : indexes) {
        if (!index.isValid() || index.model() != this) continue;
        std::vector<int> path;
        for (QModelIndex at = index; at.isValid(); at = at.parent()) path.insert(path.begin(), at.row());
        rows.emplace_back(std::move(path), itemForIndex(index));
    }
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    rows.erase(std::unique(rows.begin(), rows.end(),
                           [](const auto& a, const auto& b) { return a.first == b.first; }),
               rows.end());
    QList<TDTaskRowItem> items;
    for (const auto& row : rows) items.append(row.second);
    return items;
}

QMimeData* TDTaskTreeModel::mimeData(const QModelIndexList& indexes) const {
    const QList<TDTaskRowItem> items = itemsInRowOrder(indexes);
    if (!m_controller->canDragItems(items)) return nullptr;
    QList<TDTask*> tasks;
    for (const TDTaskRowItem& item : items) tasks.append(item.task());
    return m_controller->writeItems(tasks, false).release();
}

TDTaskDropVerdict TDTaskTreeModel::p_validateDrop(const QMimeData* data, Qt::DropAction action, int row,
                                                  const QModelIndex& parent) const {
    if (!data || (parent.isValid() && parent.model() != this)) return {};
    const TDTaskRowItem item = itemForIndex(parent);
    const QModelIndex below = row >= 0 ? index(row, 0, parent) : QModelIndex();
    const TDTaskRowItem pointerItem = below.isValid() ? itemForIndex(below) : item;
    return m_controller->validateDrop(data, {item, row}, pointerItem, action == Qt::MoveAction);
}

bool TDTaskTreeModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                      const QModelIndex& parent) const {
    return p_validateDrop(data, action, row, parent).operation != Qt::IgnoreAction;
}

bool TDTaskTreeModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                   const QModelIndex& parent) {
    const TDTaskDropVerdict verdict = p_validateDrop(data, action, row, parent);
    if (verdict.operation == Qt::IgnoreAction) return false;
    return m_controller->acceptDrop(data, verdict.target, action == Qt::MoveAction);
}
