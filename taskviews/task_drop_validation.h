#pragma once

#include "taskviews/task_row_item.h"

#include <QList>
#include <QString>
#include <Qt>

#include <functional>

class TDGroup;
class TDTask;

// Where a drop lands in the task outline: onto a row (childIndex -1) or between the rows below `item`
// (before its child at childIndex). The root with index -1 is a drop on nothing.
struct TDTaskDrop {
    TDTaskRowItem item;
    qsizetype childIndex = -1;
    bool operator==(const TDTaskDrop&) const = default;
};

// What the dragged data is, read once per drag.
enum class TDTaskDropType { None, TaskIDs, TaskPlist, GroupUIDs, Files, Other };

// Everything a drop is judged by: the dragged data and the outline it would land in.
struct TDTaskDropFacts {
    TDTaskDropType type = TDTaskDropType::None;
    // The tasks of an ID list (found in this library), the groups of a uid list, the files of a file drop.
    QList<TDTask*> draggedTasks;
    QList<TDGroup*> draggedGroups;
    qsizetype fileCount = 0;
    // A drag from this program may move; from elsewhere it copies.
    bool sourceAllowsMove = true;

    TDGroup* group = nullptr;
    bool hasDummyHeader = false;
    bool grouping = false;
    QString groupingAttribute;
    quint64 groupingLimit = 0;
    QString sortingAttribute;
    // The row under the pointer (a drop between rows has one too).
    TDTaskRowItem pointerItem;
    // The outline parent of a task's row (the root for a top task).
    std::function<TDTaskRowItem(TDTask*)> parentOf;
    // Where the sort would put the task among the item's children.
    std::function<qsizetype(TDTask*, const TDTaskRowItem&)> sortedIndex;
};

struct TDTaskDropVerdict {
    Qt::DropAction operation = Qt::IgnoreAction;
    // The drop as it will be made; it may differ from the one proposed.
    TDTaskDrop target;
};

// Judges a proposed drop: whether the outline takes it, how (move, copy or link) and where.
TDTaskDropVerdict TDValidateTaskDrop(const TDTaskDropFacts& facts, const TDTaskDrop& proposed);
