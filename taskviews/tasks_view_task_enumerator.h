#pragma once

#include "taskviews/task_row_item.h"

#include <QList>

class TDTask;
class TDTasksController;

// Walks the controller's rows depth first, expanded or not, and hands out only the tasks, in row
// order (or in reverse row order), so the cards and the commands follow the outline.
class TDTasksViewTaskEnumerator {
public:
    explicit TDTasksViewTaskEnumerator(TDTasksController* controller, bool reverse = false);

    // nullptr once the walk has ended.
    TDTask* nextObject();
    TDTask* currentObject() const { return m_current; }
    void reset();

private:
    // A parent and the index of its child to visit next (counting down when reversed).
    struct Level {
        TDTaskRowItem item;
        qsizetype next;
        qsizetype count;
    };
    bool p_push(const TDTaskRowItem& item);

    TDTasksController* m_controller;
    bool m_reverse;
    QList<Level> m_stack;
    TDTask* m_current = nullptr;
};
