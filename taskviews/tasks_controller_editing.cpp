#include "taskviews/tasks_controller.h"

#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/task_presentation.h"

namespace {

// The collection that holds the task among its siblings where it is shown.
TDOrderedCollection* siblingsOf(TDTask* task, TDOrderedCollection* topTasks) {
    if (TDTask* parent = task->parentTask()) return parent->orderedTasks();
    if (topTasks && topTasks->containsObject(task)) return topTasks;
    if (TDGroup* list = dynamic_cast<TDGroup*>(task->parentObject())) return list->orderedTasks();
    return topTasks;
}

}  // namespace

TDTask* TDTasksController::addTaskBelow(TDTask* task) {
    TDLibrary* library = this->library();
    if (!library || !task || p_refuseInArchivedGroup()) return nullptr;
    TDOrderedCollection* siblings = siblingsOf(task, m_topTasks);
    if (!siblings) return nullptr;
    const qsizetype index = siblings->objects().indexOf(task);
    TDTask* added = library->createOrphanTask();
    if (!siblings->insertObject(added, index < 0 ? siblings->count() : index + 1).ok()) {
        added->deleteObject();
        p_beep();
        return nullptr;
    }
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("New Task"));
    if (m_context) m_context->processPendingChanges();
    setSelection({added});
    return added;
}

TDTask* TDTasksController::addChildTask(TDTask* task) {
    TDLibrary* library = this->library();
    if (!library || !task || p_refuseInArchivedGroup()) return nullptr;
    TDTask* added = library->createOrphanTask();
    if (!task->orderedTasks()->addObject(added).ok()) {
        added->deleteObject();
        p_beep();
        return nullptr;
    }
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("New Task"));
    if (m_context) m_context->processPendingChanges();
    setSelection({added});
    return added;
}

void TDTasksController::deleteBackward() {
    const QList<TDTask*> tasks = selection();
    if (tasks.isEmpty() || p_refuseInArchivedGroup()) return;
    // The row above the first deleted task takes the selection.
    TDTask* first = tasks.first();
    TDOrderedCollection* siblings = siblingsOf(first, m_topTasks);
    const qsizetype index = siblings ? siblings->objects().indexOf(first) : -1;
    TDTask* above =
        index > 0 ? dynamic_cast<TDTask*>(siblings->objectAtIndex(index - 1)) : first->parentTask();
    for (TDTask* task : tasks)
        if (!task->isDeleted()) task->deleteObject();
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("Delete"));
    if (m_context) m_context->processPendingChanges();
    setSelection(above && !above->isDeleted() ? QList<TDTask*>{above} : QList<TDTask*>());
}
