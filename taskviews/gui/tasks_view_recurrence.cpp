// The recurrence editor in a balloon below the row of its task.
#include "controls/gui/balloon_panel.h"
#include "taskviews/gui/recurrence_edit_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/recurrence_edit_controller.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"

void TDTasksView::p_showRecurrenceEditor(TDTask* task) {
    // In card mode the cards show it at the card's title.
    if (m_controller.mode() == 1) return;
    TDRecurrenceEditViewController* editor = m_controller.recurrenceEditor();
    if (!editor) return;
    const QModelIndex index =
        m_model.indexForItem(TDTaskRowItem::task(task)).siblingAtColumn(TDTaskTreeModel::TaskColumn);
    scrollTo(index);
    const QRect cell = visualRect(index);
    const QRect target(viewport()->mapToGlobal(cell.topLeft()) + QPoint(0, 2), cell.size());
    const QPoint location(target.center().x(), target.bottom());
    TDBalloonPanel* balloon =
        m_recurrenceEditView ? qobject_cast<TDBalloonPanel*>(m_recurrenceEditView->parentWidget()) : nullptr;
    if (!balloon) {
        m_recurrenceEditView = new TDRecurrenceEditView(*editor);
        // A click back into the list confirms the editor.
        connect(this, &TDTasksView::didBecomeFirstResponder, m_recurrenceEditView, [this] {
            if (m_recurrenceEditView->isVisible()) m_recurrenceEditView->okay();
        });
        balloon = new TDBalloonPanel(this, location, 2, target, m_recurrenceEditView);
        balloon->setCanBecomeKeyWindow(true);
    } else {
        balloon->setPreferredLocation(location, target);
    }
    balloon->orderFront();
    m_recurrenceEditView->editRule();
}
