// Notes the outline shows open in full, and their closing after a click.

#include "model/library.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "taskviews/gui/task_cell.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"

#include <QContextMenuEvent>
#include <QTimer>

#include <utility>

void TDTasksView::p_setUpNotes() {
    m_expandAllNotes = platform::UserDefaults::standard().boolean(QStringLiteral("expandNotes"));
    m_taskCell->setExpandAllNotes(m_expandAllNotes);
    m_collapseNotesTimer = new QTimer(this);
    m_collapseNotesTimer->setSingleShot(true);
    m_collapseNotesTimer->setInterval(kNoteClosingDelay);
    connect(m_collapseNotesTimer, &QTimer::timeout, this, &TDTasksView::p_collapseExpandedNotesTimerFired);
}

void TDTasksView::setExpandAllNotes(bool expand) {
    if (expand == m_expandAllNotes) return;
    m_expandAllNotes = expand;
    m_taskCell->setExpandAllNotes(expand);
    p_forgetAllHeights();
    scheduleDelayedItemsLayout();
    viewport()->update();
}

bool TDTasksView::isTaskNoteExpanded(const TDTask* task) const {
    return m_expandAllNotes || (task && m_expandedNotes.contains(task->uid()));
}

void TDTasksView::setTaskNoteExpanded(TDTask* task) {
    if (!task || m_expandedNotes.contains(task->uid())) return;
    m_expandedNotes.insert(task->uid());
    m_taskCell->setExpandedNotes(m_expandedNotes);
    p_noteHeightOfRowChanged(m_model.indexForItem(TDTaskRowItem::task(task)));
}

qreal TDTasksView::p_noteHeight(const QModelIndex& index) const {
    if (!index.isValid()) return 0;
    const QModelIndex cell = index.siblingAtColumn(TDTaskTreeModel::TaskColumn);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(cell);
    // A row hidden under a collapsed parent shows no note.
    if (option.rect.isEmpty()) return 0;
    return m_taskCell->rowLayout(option, cell).noteFrame.height();
}

// After a click in the outline or a context menu: a note of one line closes with the click itself, taller
// ones stay a moment so that the rows under them do not jump away from the pointer.
void TDTasksView::p_collapseExpandedNotes() {
    QStringList oneLine;
    TDLibrary* library = m_controller.library();
    for (const QString& uid : std::as_const(m_expandedNotes)) {
        TDTask* task = library ? library->taskWithUID(uid) : nullptr;
        const QModelIndex index = task ? m_model.indexForItem(TDTaskRowItem::task(task)) : QModelIndex();
        if (p_noteHeight(index) <= kOneLineNoteHeight) oneLine.append(uid);
    }
    p_collapseExpandedNotes(oneLine);
    if (!m_expandedNotes.isEmpty()) m_collapseNotesTimer->start();
}

void TDTasksView::p_collapseExpandedNotesTimerFired() {
    p_collapseExpandedNotes(QStringList(m_expandedNotes.cbegin(), m_expandedNotes.cend()));
}

void TDTasksView::p_collapseExpandedNotes(const QStringList& uids) {
    if (uids.isEmpty()) return;
    TDLibrary* library = m_controller.library();
    QModelIndexList rows;
    for (const QString& uid : uids) {
        m_expandedNotes.remove(uid);
        if (TDTask* task = library ? library->taskWithUID(uid) : nullptr)
            rows.append(m_model.indexForItem(TDTaskRowItem::task(task)));
    }
    m_taskCell->setExpandedNotes(m_expandedNotes);
    for (const QModelIndex& index : std::as_const(rows)) p_noteHeightOfRowChanged(index);
}

void TDTasksView::p_noteHeightOfRowChanged(const QModelIndex& index) {
    if (!index.isValid()) return;
    const QModelIndex row = index.siblingAtColumn(0);
    p_forgetHeights(row, row);
    // The tree asks the row's height again and moves the rows below.
    QTreeView::dataChanged(row, row, {Qt::SizeHintRole});
    viewport()->update();
}

bool TDTasksView::viewportEvent(QEvent* event) {
    const bool handled = TDExtendedOutlineView::viewportEvent(event);
    // The menu has closed by the time its event is handled.
    if (event->type() == QEvent::ContextMenu) p_collapseExpandedNotes();
    return handled;
}
