// The recurrence editor of the selected task.
#include "taskviews/recurrence_edit_controller.h"
#include "taskviews/tasks_controller.h"

void TDTasksController::editRecurrence() {
    if (TDRecurrenceEditViewController* editor = loadRecurrenceEditor())
        Q_EMIT recurrenceEditorRequested(editor->task());
}

TDRecurrenceEditViewController* TDTasksController::loadRecurrenceEditor() {
    finishEditing();
    if (p_refuseInArchivedGroup()) return nullptr;
    const QList<TDTask*> selected = selection();
    if (selected.size() != 1) {
        p_beep();
        return nullptr;
    }
    if (!m_recurrenceEditor) m_recurrenceEditor = new TDRecurrenceEditViewController(this);
    // An editor still open is confirmed first: it has no cancel.
    if (m_recurrenceEditor->task()) m_recurrenceEditor->okay();
    m_recurrenceEditor->setTask(selected.first());
    return m_recurrenceEditor;
}
