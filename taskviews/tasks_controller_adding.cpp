// Adding tasks: New Task, New Child Task and Return in the outline.
#include "taskviews/tasks_controller.h"

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/smart_folder.h"
#include "model/sync_set.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/task_feedback.h"
#include "taskviews/task_presentation.h"
#include "taskviews/task_window_context.h"

namespace {

bool isTodayOrUpcoming(const TDGroup* group) {
    return group && (group->isTodayGroup() || group->isUpcomingGroup());
}

}  // namespace

bool TDTasksController::canAddTask() const {
    if (!m_group) return false;
    if (isTodayOrUpcoming(m_group)) return true;
    if (m_group->isFolder() && (!presentation() || presentation()->selectedItems().isEmpty())) return false;
    if (m_group->isSmartFolder()) return false;
    return !m_group->isArchived();
}

bool TDTasksController::p_validateForAddingTask() {
    if (!m_group) return false;
    if (isTodayOrUpcoming(m_group)) return true;
    if (m_group->isFolder() && (!presentation() || presentation()->selectedItems().isEmpty())) {
        p_beep();
        return false;
    }
    if (m_group->isSmartFolder()) {
        p_beep();
        if (m_feedback) m_feedback->showMessageSheet(tr("You cannot add tasks here"));
        return false;
    }
    return true;
}

// An empty task is neither saved nor sent for sync until the user gives it a title: the insertion is
// processed inside the bracket, so it schedules no autosave.
void TDTasksController::p_openNewTaskBracket() {
    if (m_context) m_context->setDontTriggerSaveOnChange(true);
    if (TDLibrary* lib = library())
        if (TDSyncSet* journal = lib->corvaneSyncSet(false)) journal->setAddingDisabled(true);
}

void TDTasksController::p_closeNewTaskBracket() {
    if (m_context) {
        m_context->processPendingChanges();
        m_context->setDontTriggerSaveOnChange(false);
    }
    if (TDLibrary* lib = library())
        if (TDSyncSet* journal = lib->corvaneSyncSet(false)) journal->setAddingDisabled(false);
}

void TDTasksController::p_clearTitleFilterForNewTask() {
    if (m_window && m_window->isTitleFilterFieldFirstResponder()) m_window->focusInitialFirstResponder();
    if (isFilteringByTitle()) {
        m_titleFilterString.clear();
        setTitleFilterPredicate({});
    }
}

TDTask* TDTasksController::p_createNewTask() {
    TDTask* task = library()->createOrphanTask();
    task->setTitle(QString());
    task->addTags(QList<TDTag*>(m_filterTags.begin(), m_filterTags.end()));
    return task;
}

TDTask* TDTasksController::p_insertNewTaskAfter(TDTask* sibling) {
    TDTask* task = p_createNewTask();
    // Only the priority is carried over: a date copied from the row above would surprise.
    if (m_sortingAttribute == QLatin1String("priority")) task->setPriority(sibling->priority());
    sibling->insertSibling(task, true);
    if (m_group && m_group->isTag() && task->parentObject()) (void)m_group->orderedTasks()->addObject(task);
    return p_placedNewTask(task);
}

TDTask* TDTasksController::p_insertNewChildTask(TDTask* parent) {
    TDTask* task = p_createNewTask();
    (void)parent->orderedTasks()->insertObject(task, 0);  // the collection logs a refusal
    return p_placedNewTask(task);
}

TDTask* TDTasksController::p_placedNewTask(TDTask* task) {
    if (!task->parentObject()) {
        task->deleteObject();
        p_beep();
        return nullptr;
    }
    task->inheritTags();
    return task;
}

TDTask* TDTasksController::addTaskBelow(TDTask* task) {
    return p_addNewTaskNextTo(task, [this](TDTask* next) { return p_insertNewTaskAfter(next); });
}

TDTask* TDTasksController::addChildTask(TDTask* task) {
    return p_addNewTaskNextTo(task, [this](TDTask* parent) { return p_insertNewChildTask(parent); });
}

TDTask* TDTasksController::p_addNewTaskNextTo(TDTask* task, const std::function<TDTask*(TDTask*)>& insert) {
    if (!library() || !task || p_refuseInArchivedGroup()) return nullptr;
    p_openNewTaskBracket();
    TDTask* added = insert(task);
    if (added) {
        if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("New Task"));
        if (m_context) m_context->processPendingChanges();
        setSelection({added});
    }
    p_closeNewTaskBracket();
    return added;
}

void TDTasksController::addTask() {
    if (!library() || !p_validateForAddingTask()) return;
    finishEditing();
    p_clearTitleFilterForNewTask();
    m_changeGroupToRestoreSelection = true;
    p_openNewTaskBracket();
    TDTask* task = p_createNewTask();
    (void)m_group->orderedTasks()->insertObject(task, 0);  // the collection logs a refusal
    task->inheritTags();
    // Today and Upcoming date the new task so that it shows there (and file it in the Inbox).
    if (auto* dated = dynamic_cast<TDSmartFolder*>(m_group); dated && isTodayOrUpcoming(m_group))
        dated->dropTasks({task});
    // A tag or smart folder gives no list: the task waits in the Inbox.
    if (!task->list())
        if (TDGroup* inbox = library()->inboxGroup()) (void)inbox->orderedTasks()->insertObject(task, 0);
    if (m_context) m_context->processPendingChanges();
    if (TDTaskPresentation* shown = presentation()) shown->selectItems({TDTaskRowItem::task(task)}, true);
    editSelectedTask();
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("New Task"));
    p_closeNewTaskBracket();
}

void TDTasksController::addTaskBelow() {
    if (!p_validateForAddingTask()) return;
    finishEditing();
    insertNewline(false);
}

void TDTasksController::addChildTask() {
    const QList<TDTask*> selected = selection();
    if (!library() || selected.isEmpty()) return;
    TDTask* parent = selected.first();
    finishEditing();
    p_clearTitleFilterForNewTask();
    p_openNewTaskBracket();
    TDTask* task = p_insertNewChildTask(parent);
    if (!task) return p_closeNewTaskBracket();
    if (m_context) m_context->processPendingChanges();
    if (TDTaskPresentation* shown = presentation()) {
        if (!shown->isRowItemExpanded(TDTaskRowItem::task(parent)))
            shown->expandRowItem(TDTaskRowItem::task(parent));
        shown->selectItems({TDTaskRowItem::task(task)}, true);
    }
    editSelectedTask();
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("New Child Task"));
    p_closeNewTaskBracket();
}

void TDTasksController::insertNewline(bool shift) {
    if (p_refuseInArchivedGroup()) return;
    if (!shift && !p_validateForAddingTask()) return;
    if (!library()) return;
    m_changeGroupToRestoreSelection = true;
    const QList<TDTask*> selected = selection();
    if (selected.isEmpty()) {
        addTask();
        return;
    }
    if (shift) {
        addChildTask();
        return;
    }
    TDTask* sibling = selected.first();
    TDTaskPresentation* shown = presentation();
    const bool expanded =
        shown && shown->isRowItemExpanded(TDTaskRowItem::task(sibling)) && sibling->hasSubtasks();
    if (!expanded && !sibling->parentTask() && isTodayOrUpcoming(m_group)) {
        addTask();
        return;
    }
    if (isFilteringByTitle()) {
        m_titleFilterString.clear();
        setTitleFilterPredicate({});
    }
    p_openNewTaskBracket();
    TDTask* task = expanded ? p_insertNewChildTask(sibling) : p_insertNewTaskAfter(sibling);
    if (!task) return p_closeNewTaskBracket();
    if (m_context) m_context->processPendingChanges();
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("New Task"));
    if (shown) {
        shown->selectItems({TDTaskRowItem::task(task)}, false);
        // In a folder the new task may have landed in a list the folder does not show as a section.
        if (m_displayMode == FolderMode && shown->selectedItems().isEmpty() && m_window) {
            m_window->selectGroup(task->list());
            shown->selectItems({TDTaskRowItem::task(task)}, true);
        }
    }
    editSelectedTask();
    p_closeNewTaskBracket();
}
