// Completing and cancelling the selection, estimates and dates, the today toggles, links and timing.
#include "taskviews/tasks_controller.h"

#include "auxiliary/timer_controller.h"
#include "language/date_additions.h"
#include "model/group.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/card_deck.h"
#include "taskviews/task_link_opener.h"
#include "taskviews/task_presentation.h"
#include "taskviews/task_window_context.h"

#include <algorithm>

// In Today grouped by date a closed task leaves its section: the selection goes on to the next row, or
// back to the one before when the next is closed already.
void TDTasksController::p_shuffleSelectionBeforeClosing() {
    TDTaskPresentation* shown = presentation();
    if (!shown) return;
    const QList<TDTaskRowItem> rows = shown->rowItems();
    const QList<TDTaskRowItem> selected = shown->selectedItems();
    if (selected.isEmpty()) return;
    const qsizetype row = rows.indexOf(selected.first());
    if (row < 0) return;
    const auto selectable = [&](qsizetype r) {
        return r >= 0 && r < rows.size() && shouldSelectItem(rows.at(r));
    };
    if (selectable(row + 1) && !rows.at(row + 1).task()->isCompleted())
        shown->selectItems({rows.at(row + 1)}, false);
    else if (selectable(row - 1))
        shown->selectItems({rows.at(row - 1)}, false);
}

void TDTasksController::toggleCompleted() {
    if (m_mode == 1 && m_cardDeck) return m_cardDeck->toggleCompleted();
    const QList<TDTask*> tasks = selection();
    if (tasks.isEmpty()) return;
    if (p_refuseInArchivedGroup()) return;
    if (m_group && m_group->isTodayGroup() && tasks.first()->isIncomplete() &&
        m_groupingAttribute == QLatin1String("dueOrStartDate"))
        p_shuffleSelectionBeforeClosing();
    toggleCompletionOfTasks(tasks);
}

void TDTasksController::toggleCanceled() {
    if (m_mode == 1 && m_cardDeck) return m_cardDeck->toggleCanceled();
    const QList<TDTask*> tasks = selection();
    if (tasks.isEmpty()) return;
    if (m_group && !m_group->isArchived() && m_group->isTodayGroup() && tasks.first()->isIncomplete())
        p_shuffleSelectionBeforeClosing();
    toggleCancellationOfTasks(tasks);
}

void TDTasksController::adjustEstimatedTime(qint64 seconds) {
    finishEditing();
    if (p_refuseInArchivedGroup()) return;
    m_changeGroupToRestoreSelection = true;
    TDTaskPresentation* shown = presentation();
    const bool keepsSelection = m_sortingAttribute == QLatin1String("estimatedTime") && shown;
    if (keepsSelection) shown->saveSelection();
    for (TDTask* task : selection()) {
        if (task->estimatedTimeIsCalculated()) continue;
        const double estimate = std::max(0.0, task->estimatedTime() + double(seconds));
        if (estimate != task->estimatedTime()) task->setEstimatedTime(estimate);
    }
    if (keepsSelection) {
        if (m_context) m_context->processPendingChanges();
        shown->restoreAndShowSelection();
    }
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(tr("Change Estimated Time"));
}

void TDTasksController::p_changeDates(const QString& key, const QString& undoName,
                                      const std::function<QDateTime(const QDateTime&)>& newDate) {
    finishEditing();
    if (p_refuseInArchivedGroup()) return;
    m_changeGroupToRestoreSelection = true;
    TDTaskPresentation* shown = presentation();
    const bool keepsSelection = m_sortingAttribute == key && shown;
    if (keepsSelection) shown->saveSelection();
    const bool due = key == QLatin1String("dueDate");
    for (TDTask* task : selection()) {
        const QDateTime date = newDate(due ? task->dueDate() : task->startDate());
        if (due)
            task->setDueDate(date);
        else
            task->setStartDate(date);
    }
    if (keepsSelection) {
        if (m_context) m_context->processPendingChanges();
        shown->restoreAndShowSelection();
    }
    if (platform::UndoManager* undo = undoManager()) undo->setActionName(undoName);
}

void TDTasksController::adjustDueDate(qint64 days) {
    p_changeDates(QStringLiteral("dueDate"), tr("Change Due Date"), [days](const QDateTime& date) {
        const QDateTime from = date.isValid() ? date : dates::dateAtStartOfDay(TDClock::currentDateTime());
        return dates::dateByAddingDays(from, days);
    });
}

void TDTasksController::adjustStartDate(qint64 days) {
    p_changeDates(QStringLiteral("startDate"), tr("Change Start Date"), [days](const QDateTime& date) {
        const QDateTime from = date.isValid() ? date : dates::dateAtStartOfDay(TDClock::currentDateTime());
        return dates::dateByAddingDays(from, days);
    });
}

void TDTasksController::p_toggleToday(const QString& key, const QString& setName, const QString& clearName) {
    finishEditing();
    if (p_refuseInArchivedGroup()) return;
    m_changeGroupToRestoreSelection = true;
    TDTaskPresentation* shown = presentation();
    const bool keepsSelection = m_sortingAttribute == key && shown;
    if (keepsSelection) shown->saveSelection();
    const bool due = key == QLatin1String("dueDate");
    const QDateTime today = dates::dateAtStartOfDay(TDClock::currentDateTime());
    QList<TDTask*> tasks;
    // A running timer's task is left alone.
    for (TDTask* task : selection())
        if (!task->isTiming()) tasks.append(task);
    const auto dateOf = [due](const TDTask* task) { return due ? task->dueDate() : task->startDate(); };
    const auto setDate = [due](TDTask* task, const QDateTime& date) {
        if (due)
            task->setDueDate(date);
        else
            task->setStartDate(date);
    };
    const bool setting = std::any_of(tasks.begin(), tasks.end(), [&](const TDTask* task) {
        return !dateOf(task).isValid() || dateOf(task) != today;
    });
    bool changed = false;
    for (TDTask* task : std::as_const(tasks)) {
        if (setting) {
            if (dateOf(task) == today) continue;
            if (task->isCompleted()) task->setCompleted(false);
            setDate(task, today);
            changed = true;
        } else if (dateOf(task).isValid() && dateOf(task) <= today) {
            setDate(task, QDateTime());
            changed = true;
        }
    }
    if (keepsSelection) {
        if (m_context) m_context->processPendingChanges();
        shown->restoreAndShowSelection();
    }
    if (changed)
        if (platform::UndoManager* undo = undoManager()) undo->setActionName(setting ? setName : clearName);
}

void TDTasksController::toggleStartToday() {
    p_toggleToday(QStringLiteral("startDate"), tr("Start Today"), tr("Don't Start Today"));
}

void TDTasksController::toggleDueToday() {
    p_toggleToday(QStringLiteral("dueDate"), tr("Mark Due Today"), tr("Mark Not Due Today"));
}

QList<QUrl> TDTasksController::selectedLinks(qsizetype atMost) const {
    QList<QUrl> links;
    for (TDTask* task : selection()) {
        for (const QUrl& url : TDLinksInNotes(task)) {
            links.append(url);
            if (atMost >= 0 && links.size() >= atMost) return links;
        }
    }
    return links;
}

void TDTasksController::openLinks(bool inBackground) {
    if (!m_linkOpener) return;
    for (const QUrl& url : selectedLinks()) {
        if (TDLinkNeedsConfirmation(url) && !m_linkOpener->confirmOpening(url)) continue;
        m_linkOpener->openURL(url, inBackground);
    }
}

void TDTasksController::beginTiming() {
    const QList<TDTask*> selected = selection();
    if (selected.isEmpty()) return;
    finishEditing();
    if (p_refuseInArchivedGroup()) return;
    TDTask* task = selected.first();
    if (m_timer && m_timer->isTimingTask(task)) return;
    task->beginTiming();
}

void TDTasksController::showFileToGroupWindow() {
    const QList<TDTask*> selected = selection();
    if (selected.isEmpty() || !m_window || m_window->isQuickEntry()) {
        p_beep();
        return;
    }
    finishEditing();
    m_window->showFileToGroupWindow(selected, int(m_mode));
}

void TDTasksController::stopTiming() {
    if (m_timer) m_timer->stopAndClose();
}
