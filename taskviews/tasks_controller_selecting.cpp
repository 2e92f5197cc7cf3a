// Selecting the task that starts or is due first, wherever it stands in the list.
#include "model/group.h"
#include "model/task.h"
#include "taskviews/task_presentation.h"
#include "taskviews/tasks_controller.h"

void TDTasksController::selectEarliestStartDateTask() {
    p_selectFirstTaskWithDate(true);
}

void TDTasksController::selectEarliestDueDateTask() {
    p_selectFirstTaskWithDate(false);
}

void TDTasksController::p_selectFirstTaskWithDate(bool start) {
    TDTaskPresentation* shown = presentation();
    if (!shown || !m_group) return;
    const QDateTime earliest = start ? m_group->earliestStartDate() : m_group->earliestDueDate();
    if (!earliest.isValid()) return;
    for (const TDTaskRowItem& item : shown->rowItems()) {
        TDTask* task = item.task();
        if (!task || (start ? task->startDate() : task->dueDate()) != earliest) continue;
        shown->selectItems({item}, false);
        shown->centerSelectionInVisibleArea();
        return;
    }
}

void TDTasksController::modifySelection(qint64 direction) {
    using Move = TDTaskPresentation::SelectionMove;
    TDTaskPresentation* shown = presentation();
    if (!shown || direction < 0 || direction > 3) return;
    static constexpr Move kMoves[] = {Move::Up, Move::Forward, Move::Down, Move::Backward};
    shown->moveSelection(kMoves[direction]);
}
