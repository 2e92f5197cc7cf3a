// The Debug menu's look into display orders: the group's tasks and the subtasks of the selected ones.
#include "model/group.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "taskviews/task_feedback.h"
#include "taskviews/task_presentation.h"
#include "taskviews/tasks_controller.h"

void TDTasksController::fixDisplayOrder() {
    if (!m_group) return;
    m_group->orderedTasks()->resetDisplayOrders();
    for (TDTask* task : selection()) task->orderedTasks()->resetDisplayOrders();
}

bool TDTasksController::checkDisplayOrder() {
    if (!m_group) return true;
    QString failure;
    if (!m_group->orderedTasks()->checkDisplayOrders())
        failure = tr("parent group: %1").arg(m_group->title());
    for (TDTask* task : selection())
        if (failure.isEmpty() && !task->orderedTasks()->checkDisplayOrders())
            failure = tr("parent task: %1").arg(task->title());
    if (failure.isEmpty()) return true;
    if (m_feedback) m_feedback->showMessageSheet(tr("Incorrect display order") + QLatin1Char('\n') + failure);
    const QString dashes(61, QLatin1Char('-'));
    logWithLevel(TDLogDebug, "DEBUG", "%@", dashes);
    for (TDTask* task : m_group->orderedTasks()->objectsAs<TDTask>())
        logWithLevel(TDLogDebug, "DEBUG", "%@ -- %@",
                     QString::number(task->value(QStringLiteral("displayOrder")).toDouble(), 'f', 30),
                     task->title());
    logWithLevel(TDLogDebug, "DEBUG", "%@", dashes);
    return false;
}

void TDTasksController::logItemInfo() {
    TDTaskPresentation* shown = presentation();
    if (!shown) return;
    for (const TDTaskRowItem& item : shown->selectedItems()) {
        if (TDTask* task = item.task())
            logWithLevel(TDLogDebug, "DEBUG", "task %@ \"%@\" display order %@", task->uid(), task->title(),
                         task->value(QStringLiteral("displayOrder")).toDouble());
        else if (TDOrderedCollection* collection = item.collection())
            logWithLevel(TDLogDebug, "DEBUG", "rows \"%@\" (%@ shown)", collection->title(),
                         collection->count());
    }
}
