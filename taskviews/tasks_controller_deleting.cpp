// Deleting tasks, starting in-place editing and typing tag markers.
#include "taskviews/tasks_controller.h"

#include "model/group.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/card_deck.h"
#include "taskviews/task_presentation.h"

#include <QSet>

namespace {

constexpr int kTaskColumn = 2;

qsizetype firstSelectedRow(const QList<TDTaskRowItem>& rows, const QList<TDTaskRowItem>& selected) {
    for (qsizetype row = 0; row < rows.size(); ++row)
        if (selected.contains(rows.at(row))) return row;
    return -1;
}

}  // namespace

void TDTasksController::p_deleteTasks(const QList<TDTask*>& tasks) {
    unregisterForMOCObserving();
    for (TDTask* task : tasks)
        if (!task->isDeleted()) task->deleteObject();
    registerForMOCObserving();
    if (m_context) m_context->processPendingChanges();
    reload();
}

// The row itself or the nearest selectable one above it; with none, the first one below.
void TDTasksController::p_selectRowUpward(qsizetype row) {
    TDTaskPresentation* shown = presentation();
    if (!shown) return;
    const QList<TDTaskRowItem> rows = shown->rowItems();
    for (qsizetype r = std::min(row, rows.size() - 1); r >= 0; --r)
        if (shouldSelectItem(rows.at(r))) {
            shown->selectItems({rows.at(r)}, true);
            return;
        }
    for (qsizetype r = std::max<qsizetype>(row + 1, 0); r < rows.size(); ++r)
        if (shouldSelectItem(rows.at(r))) {
            shown->selectItems({rows.at(r)}, true);
            return;
        }
    shown->deselectAll();
}

void TDTasksController::remove() {
    // The card drops first, then its task goes.
    if (m_mode == 1 && m_cardDeck) return m_cardDeck->deleteCard();
    TDTaskPresentation* shown = presentation();
    const QList<TDTask*> tasks = selection();
    if (!shown || tasks.isEmpty()) return;
    const qsizetype row = firstSelectedRow(shown->rowItems(), shown->selectedItems());
    finishEditing();
    shown->deselectAll();
    p_deleteTasks(tasks);
    p_selectRowUpward(row - 1);
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("Delete"));
}

// Backspace in the outline or in an empty title: Delete, but not in the archive.
void TDTasksController::deleteBackward() {
    if (p_refuseInArchivedGroup()) return;
    remove();
}

void TDTasksController::deleteTasks(const QList<TDTask*>& tasks) {
    if (tasks.isEmpty()) return;
    finishEditing();
    p_deleteTasks(tasks);
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("Delete"));
}

void TDTasksController::deleteForward() {
    TDTaskPresentation* shown = presentation();
    const QList<TDTask*> tasks = selection();
    if (!shown || tasks.isEmpty()) return;
    finishEditing();
    const QList<TDTaskRowItem> rows = shown->rowItems();
    const QList<TDTaskRowItem> selected = shown->selectedItems();
    qsizetype last = -1;
    for (qsizetype row = 0; row < rows.size(); ++row)
        if (selected.contains(rows.at(row))) last = row;
    // The next row below that stays: it is found before the deletion changes the rows.
    TDTaskRowItem next;
    for (qsizetype row = last + 1; row < rows.size(); ++row)
        if (shouldSelectItem(rows.at(row)) && !selected.contains(rows.at(row))) {
            TDTask* below = rows.at(row).task();
            bool doomed = false;
            for (TDTask* task : tasks) doomed = doomed || below->isDescendantOf(task);
            if (doomed) continue;
            next = rows.at(row);
            break;
        }
    shown->deselectAll();
    p_deleteTasks(tasks);
    if (next.task())
        shown->selectItems({next}, true);
    else
        p_selectRowUpward(firstSelectedRow(rows, selected) - 1);
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("Delete"));
}

void TDTasksController::edit() {
    TDTaskPresentation* shown = presentation();
    if (!shown || shown->selectedItems().isEmpty()) return;
    shown->editItem(shown->selectedItems().first(), kTaskColumn, true);
}

void TDTasksController::editSelectedTask() {
    TDTaskPresentation* shown = presentation();
    if (!shown || shown->selectedItems().isEmpty()) return;
    shown->editItem(shown->selectedItems().first(), kTaskColumn, false);
}

void TDTasksController::editNote() {
    TDTaskPresentation* shown = presentation();
    if (!shown || shown->selectedItems().isEmpty()) return;
    shown->editNote(shown->selectedItems().first());
}

void TDTasksController::editColumn(int column) {
    TDTaskPresentation* shown = presentation();
    if (!shown || shown->selectedItems().isEmpty()) return;
    if (shown->isTaskColumnHidden(column)) shown->setTaskColumnHidden(column, false);
    shown->editItem(shown->selectedItems().first(), column, true);
}

void TDTasksController::doubleClickAction(const TDTaskRowItem& item, int column) {
    TDTaskPresentation* shown = presentation();
    if (!shown) return;
    if (item.isRoot()) {
        if (m_group && !m_group->isArchived()) addTask();
        return;
    }
    // The list column files the task into another list.
    if (column == 0) {
        shown->selectItems({item}, false);
        showFileToGroupWindow();
        return;
    }
    if (item.task() && column >= 0 && (column != 1 || !item.task()->isArchived()))
        shown->editItem(item, column, true);
}

void TDTasksController::tag() {
    if (p_refuseInArchivedGroup()) return;
    edit();
    if (TDTaskPresentation* shown = presentation()) shown->insertTextAtEndOfEditedText(QStringLiteral(" /"));
}

void TDTasksController::tagContext() {
    if (p_refuseInArchivedGroup()) return;
    edit();
    if (TDTaskPresentation* shown = presentation()) shown->insertTextAtEndOfEditedText(QStringLiteral(" @"));
}
