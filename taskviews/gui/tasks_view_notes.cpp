// Notes the outline shows open in full, their closing after a click, and their editing.

#include "model/library.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/gui/notes_editor.h"
#include "taskviews/gui/task_cell.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_editing.h"
#include "taskviews/notes_comparison.h"
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

void TDTasksView::noteHeightOfAllRowsChanged() {
    p_forgetAllHeights();
    TDExtendedOutlineView::noteHeightOfAllRowsChanged();
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
    if (event->type() == QEvent::Leave) clearTrackingRowAndColumn();
    return handled;
}

// Editing a note

bool TDTasksView::p_isInNoteArea(const QModelIndex& index, const QPoint& point) const {
    if (!p_task(index)) return false;
    const QModelIndex cell = index.siblingAtColumn(TDTaskTreeModel::TaskColumn);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(cell);
    const TDTaskRowLayout layout = m_taskCell->rowLayout(option, cell);
    return layout.noteFrame.contains(point);
}

void TDTasksView::editNoteInRow(const QModelIndex& index) {
    TDTask* task = p_task(index);
    if (!task) return;
    if (!m_notesEditor) {
        m_notesEditor = new TDNotesTextView(viewport());
        m_notesEditor->setFont(TDTaskCell::noteFont());
        m_notesEditor->document()->setDocumentMargin(0);
        m_notesEditor->setLineWrapMode(QTextEdit::FixedPixelWidth);
        connect(m_notesEditor, &TDNotesTextView::editingFinished, this,
                &TDTasksView::p_notesEditorDidEndEditing);
        connect(m_notesEditor, &QTextEdit::textChanged, this, &TDTasksView::p_placeNotesEditor);
        // Up, Down and Backspace at the note's edges move editing to a title.
        m_notesEditor->setLeavingHandler([this](TDEditorCommand command) {
            TDLibrary* library = m_controller.library();
            TDTask* task = library ? library->taskWithUID(m_editedNoteTaskUID) : nullptr;
            return task && m_editing->leaveNote(*m_notesEditor, task, command);
        });
    }
    // The note's text stands on a plain ground of the paper's colour while it is edited.
    QPalette colors = m_notesEditor->palette();
    colors.setColor(QPalette::Base, backgroundColor());
    m_notesEditor->setPalette(colors);
    m_notesEditor->viewport()->setAutoFillBackground(true);
    m_notesEditor->setAttributedString(task->attributedNotes().get());
    m_editedNoteTaskUID = task->uid();
    // Open in full while it is edited.
    m_expandedNotes.insert(task->uid());
    m_taskCell->setExpandedNotes(m_expandedNotes);
    p_placeNotesEditor();
    m_notesEditor->show();
    m_notesEditor->setFocus(Qt::OtherFocusReason);
}

// The note's place in the row: under the title, as wide as the note (one line under the title for a
// task without notes).
QRectF TDTasksView::p_noteFrameForEditing(const QModelIndex& index, const QRect& cellRect) const {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = cellRect;
    // Laid out unbounded, the note starts right under the title.
    const TDTaskRowLayout layout =
        m_taskCell->rowLayout(option, index.siblingAtColumn(TDTaskTreeModel::TaskColumn), true);
    if (!layout.noteFrame.isEmpty()) return layout.noteFrame;
    return QRectF(layout.titleFrame.left(), layout.titleFrame.bottom(), layout.titleFrame.width(), 0);
}

// Over the note's place in the row, as tall as its text; the row grows and shrinks with it.
void TDTasksView::p_placeNotesEditor() {
    TDLibrary* library = m_controller.library();
    TDTask* task =
        library && !m_editedNoteTaskUID.isEmpty() ? library->taskWithUID(m_editedNoteTaskUID) : nullptr;
    const QModelIndex index = task ? m_model.indexForItem(TDTaskRowItem::task(task)) : QModelIndex();
    if (!index.isValid()) return;
    const QRectF width = p_noteFrameForEditing(index, QRect(0, 0, p_taskCellWidth(index), 0));
    // The text wraps at the note's width whatever size the editor has at the moment.
    m_notesEditor->setLineWrapColumnOrWidth(int(width.width()));
    const int height =
        int(std::ceil(std::max(kOneLineNoteHeight, m_notesEditor->document()->size().height())));
    if (height != m_notesEditorHeight) {
        m_notesEditorHeight = height;
        p_noteHeightOfRowChanged(index);
        doItemsLayout();
    }
    const QRectF frame =
        p_noteFrameForEditing(index, visualRect(index.siblingAtColumn(TDTaskTreeModel::TaskColumn)));
    m_notesEditor->setGeometry(QRectF(frame.topLeft(), QSizeF(frame.width(), height)).toAlignedRect());
}

int TDTasksView::p_heightOfRowWithNotesEditor(const TDTask* task, const QModelIndex& index) const {
    if (!m_notesEditor || m_editedNoteTaskUID.isEmpty() || task->uid() != m_editedNoteTaskUID) return 0;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = QRect(0, 0, p_taskCellWidth(index), 0);
    const TDTaskRowLayout layout =
        m_taskCell->rowLayout(option, index.siblingAtColumn(TDTaskTreeModel::TaskColumn), true);
    const qreal noteHeight = layout.noteFrame.isEmpty() ? 0 : layout.noteFrame.height();
    return int(std::ceil(layout.height - noteHeight + m_notesEditorHeight));
}

void TDTasksView::p_notesEditorDidEndEditing(bool byMouse) {
    const QString uid = std::exchange(m_editedNoteTaskUID, QString());
    m_notesEditor->hide();
    m_notesEditorHeight = 0;
    TDLibrary* library = m_controller.library();
    TDTask* task = library && !uid.isEmpty() ? library->taskWithUID(uid) : nullptr;
    if (!task) return;
    const std::unique_ptr<QTextDocument> edited = m_notesEditor->attributedString();
    if (TDNotesDiffer(task->attributedNotes().get(), edited.get())) {
        task->setAttributedNotes(edited.get());
        if (platform::UndoManager* undo = m_controller.undoManager()) undo->setActionName(tr("Edit Note"));
    }
    // A click elsewhere keeps the note open; other ways of leaving close it.
    if (byMouse)
        p_noteHeightOfRowChanged(m_model.indexForItem(TDTaskRowItem::task(task)));
    else
        p_collapseExpandedNotes({uid});
}
