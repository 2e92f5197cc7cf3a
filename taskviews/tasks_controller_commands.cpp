// The commands the rows send: completion, cancellation and priorities.
#include "taskviews/tasks_controller.h"

#include "model/group.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/task_feedback.h"
#include "taskviews/task_presentation.h"

#include <algorithm>

// Nothing changes in the archive; the window shakes to say so.
bool TDTasksController::p_refuseInArchivedGroup() {
    if (!m_group || !m_group->isArchived()) return false;
    if (m_feedback) m_feedback->shakeWindow();
    return true;
}

void TDTasksController::p_beep() {
    if (m_feedback)
        m_feedback->beep();
    else
        playBeep();
}

void TDTasksController::toggleCompletionOfTasks(const QList<TDTask*>& tasks) {
    finishEditing();
    if (p_refuseInArchivedGroup()) return;
    platform::UndoManager* undo = undoManager();
    const bool allCompleted =
        std::all_of(tasks.begin(), tasks.end(), [](TDTask* t) { return t->isCompleted(); });
    if (allCompleted) {
        for (TDTask* task : tasks) task->setCompleted(false);
        if (undo) undo->setActionName(tr("Mark as Incomplete"));
        return;
    }
    qsizetype completed = 0;
    for (TDTask* task : tasks)
        if (!task->isCompleted()) {
            task->setCompleted(true);
            ++completed;
        }
    if (undo) undo->setActionName(tr("Mark as Completed"));
    if (completed > 0) TDTask::playTaskCompletedSoundForTasks(tasks);
}

void TDTasksController::toggleCancellationOfTasks(const QList<TDTask*>& tasks) {
    finishEditing();
    if (p_refuseInArchivedGroup()) return;
    platform::UndoManager* undo = undoManager();
    unregisterForMOCObserving();
    const bool allCanceled =
        std::all_of(tasks.begin(), tasks.end(), [](TDTask* t) { return t->isCanceled(); });
    for (TDTask* task : tasks)
        if (allCanceled || !task->isCanceled()) task->setCanceled(!allCanceled);
    if (undo) undo->setActionName(allCanceled ? tr("Un-Cancel") : tr("Cancel"));
    // The changes reach the collections before the one reload.
    if (TDManagedObjectContext* context = managedObjectContext()) context->processPendingChanges();
    registerForMOCObserving();
    reload();
}

namespace {

qint64 assignedPriority(qint64 current, qint64 priority) {
    Q_UNUSED(current);
    return priority < 0 ? 0 : priority;
}

qint64 adjustedPriority(qint64 current, qint64 step) {
    if (current == 0) return 0;
    return std::clamp<qint64>(current - step, 1, 9);
}

}  // namespace

void TDTasksController::assignPriority(qint64 priority) {
    p_changePriorities([priority](qint64 current) { return assignedPriority(current, priority); });
}

void TDTasksController::adjustPriority(qint64 step) {
    p_changePriorities([step](qint64 current) { return adjustedPriority(current, step); });
}

void TDTasksController::p_changePriorities(const std::function<qint64(qint64)>& newPriority) {
    if (p_refuseInArchivedGroup()) return;
    m_changeGroupToRestoreSelection = true;
    TDTaskPresentation* shown = presentation();
    QVariant interrupted;
    if (shown && shown->editedRow() >= 0) interrupted = shown->interruptEditing();
    const bool keepsSelection = m_sortingAttribute == QLatin1String("priority") ||
                                m_sortingAttribute == QLatin1String("modifiedDate");
    if (keepsSelection && shown) shown->saveSelection();

    bool changed = false;
    for (TDTask* task : selection()) {
        const qint64 priority = newPriority(task->priority());
        if (priority == task->priority()) continue;
        task->setPriority(priority);
        changed = true;
    }
    if (keepsSelection && shown) {
        if (TDManagedObjectContext* context = managedObjectContext()) context->processPendingChanges();
        shown->restoreAndShowSelection();
    }
    if (shown) shown->clearTrackingRowAndColumn();
    if (changed)
        if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("Change Priority"));
    if (interrupted.isValid() && shown) shown->resumeEditing(interrupted);
}
