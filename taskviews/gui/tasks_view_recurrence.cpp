// The recurrence editor, shown below the row of its task.
#include "taskviews/gui/recurrence_edit_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/recurrence_edit_controller.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"

void TDTasksView::p_showRecurrenceEditor(TDTask* task) {
    TDRecurrenceEditViewController* editor = m_controller.recurrenceEditor();
    if (!editor) return;
    if (!m_recurrenceEditView) {
        m_recurrenceEditView = new TDRecurrenceEditView(*editor, this);
        // A click back into the list confirms the editor.
        connect(this, &TDTasksView::didBecomeFirstResponder, m_recurrenceEditView, [this] {
            if (m_recurrenceEditView->isVisible()) m_recurrenceEditView->okay();
        });
    }
    const QModelIndex index =
        m_model.indexForItem(TDTaskRowItem::task(task)).siblingAtColumn(TDTaskTreeModel::TaskColumn);
    scrollTo(index);
    const QRect cell = visualRect(index);
    m_recurrenceEditView->popUp(viewport()->mapToGlobal(QPoint(cell.center().x(), cell.bottom() + 2)));
}
