#include "taskviews/gui/tasks_view_editing.h"

#include "controls/gui/balloon_panel.h"
#include "controls/gui/cursor.h"
#include "controls/gui/date_completion_view_controller.h"
#include "language/title_parser.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/gui/completion_balloons.h"
#include "taskviews/gui/notes_editor.h"
#include "taskviews/gui/recurrence_edit_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_cell_values.h"
#include "taskviews/task_find.h"
#include "taskviews/task_key_map.h"
#include "taskviews/task_row_facts.h"
#include "taskviews/task_title_styling.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTimer>

namespace {

constexpr int kTask = TDTaskTreeModel::TaskColumn;

// Where the caret goes in the cell editing moves to.
enum CaretPlacement { SelectAll = 0, CaretAtStart = 1, CaretAtEnd = 2 };

bool isDateColumn(int column) {
    return column == TDTaskTreeModel::StartColumn || column == TDTaskTreeModel::DueColumn;
}

// The pointer stays out of sight while the keyboard moves editing from cell to cell.
class HiddenCursorWhileMoving {
public:
    HiddenCursorWhileMoving() {
        TDCursor::setReallyStayHiddenUntilMouseMoves(true);
        TDCursor::setHiddenUntilMouseMoves(true);
    }
    ~HiddenCursorWhileMoving() { TDCursor::setReallyStayHiddenUntilMouseMoves(false); }
    HiddenCursorWhileMoving(const HiddenCursorWhileMoving&) = delete;
    HiddenCursorWhileMoving& operator=(const HiddenCursorWhileMoving&) = delete;
};

}  // namespace

TDTasksViewEditing::TDTasksViewEditing(TDTasksView& view)
    : QObject(&view), m_view(view), m_registry(view.tasksController().libraryManager().editorRegistry()) {
    m_popUpTimer = new QTimer(this);
    m_popUpTimer->setSingleShot(true);
    connect(m_popUpTimer, &QTimer::timeout, this, &TDTasksViewEditing::p_openBalloon);
    m_registry.registerEditor(this);
    // Rows that come, go or change height above the edited one move it.
    TDTaskTreeModel* model = &view.treeModel();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(model, signal, this, &TDTasksViewEditing::updateEditorGeometry, Qt::QueuedConnection);
    connect(view.header(), &QHeaderView::sectionResized, this, &TDTasksViewEditing::updateEditorGeometry);
}

TDTasksViewEditing::~TDTasksViewEditing() {
    m_registry.unregisterEditor(this);
    delete m_datePanel;
    delete m_estimatePanel;
}

// --- Starting and ending

QModelIndex TDTasksViewEditing::p_itemOfTask(TDTask* task) const {
    if (!task || task->isDeleted()) return {};
    return m_view.treeModel().indexForItem(TDTaskRowItem::task(task));
}

int TDTasksViewEditing::editedRow() const {
    return isEditing() ? m_view.rowForItem(p_itemOfTask(m_task)) : -1;
}

TDTasksViewTextView* TDTasksViewEditing::currentEditor() const {
    if (!isEditing()) return nullptr;
    return m_column == kTask ? static_cast<TDTasksViewTextView*>(m_titleEditor) : m_cellEditor;
}

bool TDTasksViewEditing::editTask(TDTask* task, int column, bool select) {
    const QModelIndex item = p_itemOfTask(task);
    return item.isValid() && editColumn(column, item, select);
}

bool TDTasksViewEditing::editItem(const TDTaskRowItem& item, int column, bool select) {
    endEditing(true);
    p_processPendingChanges();
    const QModelIndex index = m_view.treeModel().indexForItem(item);
    return index.isValid() && editColumn(column, index, select);
}

bool TDTasksViewEditing::editNote(const TDTaskRowItem& item) {
    endEditing(true);
    p_processPendingChanges();
    const QModelIndex index = m_view.treeModel().indexForItem(item);
    if (!item.task() || !index.isValid()) return false;
    m_view.revealItem(index);
    if (m_view.selectedItem() != index || m_view.selectedItems().size() != 1) m_view.selectItem(index);
    m_view.scrollTo(index);
    m_view.editNoteInRow(index);
    if (TDNotesTextView* notes = m_view.notesEditor()) notes->moveCursor(QTextCursor::End);
    return true;
}

void TDTasksViewEditing::insertTextAtEnd(const QString& text) {
    TDTasksViewTextView* editor = currentEditor();
    if (!editor) return;
    if (editor == m_titleEditor) return m_titleEditor->insertTextAtEnd(text);
    editor->moveCursor(QTextCursor::End);
    editor->insertPlainText(text);
}

bool TDTasksViewEditing::editColumn(int column, const QModelIndex& item, bool select) {
    endEditing(true);
    const QModelIndex cell = item.siblingAtColumn(column);
    TDTask* task = cell.data(TDTaskTreeModel::TaskRole).value<TDTask*>();
    if (!task || !(m_view.treeModel().flags(cell) & Qt::ItemIsEditable) || m_view.isColumnHidden(column))
        return false;
    m_view.revealItem(item.siblingAtColumn(0));
    if (m_view.selectedItem() != item.siblingAtColumn(0) || m_view.selectedItems().size() != 1)
        m_view.selectItem(item.siblingAtColumn(0));
    m_view.scrollTo(cell);

    TDTasksViewTextView* editor = p_editorForColumn(column);
    m_task = task;
    m_column = column;
    editor->setDelegate(this);
    if (column == kTask) {
        editor->setEditedText(task->title());
    } else {
        editor->setFont(m_view.font());
        editor->setEditedText(m_view.treeModel().data(cell, Qt::EditRole).toString());
    }
    updateEditorGeometry();
    editor->show();
    editor->raise();
    editor->setFocus(Qt::OtherFocusReason);
    QTextCursor cursor = editor->textCursor();
    if (select) {
        cursor.select(QTextCursor::Document);
    } else {
        cursor.setPosition(0);
    }
    editor->setTextCursor(cursor);
    m_view.viewport()->update();
    // A date cell offers its balloon at once, an estimate only where the time is the task's own.
    if (isDateColumn(column) ||
        (column == TDTaskTreeModel::EstimateColumn && !task->estimatedTimeIsCalculated()))
        TDStartBalloonPopUpTimer(*m_popUpTimer);
    return true;
}

// The editors are made for the first edit: a view that is only looked at shows sooner without them.
TDTasksViewTextView* TDTasksViewEditing::p_editorForColumn(int column) {
    if (column != kTask) {
        if (!m_cellEditor) m_cellEditor = new TDTasksViewTextView(m_view.viewport());
        return m_cellEditor;
    }
    if (!m_titleEditor) {
        m_titleEditor = new TDTaskTitleTextView(m_view.viewport());
        m_titleEditor->document()->setDefaultFont(TDTitleFonts::rowFont(TDTitleFonts::shared().task));
    }
    return m_titleEditor;
}

void TDTasksViewEditing::updateEditorGeometry() {
    TDTasksViewTextView* editor = currentEditor();
    const QModelIndex cell = p_itemOfTask(m_task).siblingAtColumn(m_column);
    if (!editor || !cell.isValid()) return;
    QStyleOptionViewItem option;
    option.rect = m_view.visualRect(cell);
    option.widget = &m_view;
    option.font = m_view.font();
    option.state = QStyle::State_Enabled | QStyle::State_Selected | QStyle::State_Active;
    QRect frame = option.rect.adjusted(2, 4, -2, -4);
    if (m_column == kTask) {
        m_view.itemDelegateForColumn(kTask)->updateEditorGeometry(editor, option, cell);
        frame = editor->geometry();
    }
    editor->setGeometry(frame);
    if (m_column == kTask) {
        // The row grows with the title's lines and shrinks back, never below its stored title's height
        // (the cell clips the frame to the row).
        const int growth = qMax(0, editor->minHeightForContent() - frame.height());
        m_view.setEditedTitleGrowth(m_task, growth);
        editor->setGeometry(frame.adjusted(0, 0, 0, growth));
        return;
    }
    const int needed = editor->minHeightForContent() + 2;
    if (needed > frame.height()) {
        // A one-line cell's editor grows below the row.
        editor->setGeometry(frame.adjusted(0, 0, 0, needed - frame.height()));
    }
}

bool TDTasksViewEditing::commitEditing() {
    endEditing(true);
    return true;
}

void TDTasksViewEditing::endEditing(bool commit) {
    if (!isEditing() || m_ending) return;
    m_ending = true;
    TDTasksViewTextView* editor = currentEditor();
    TDTask* task = m_task;
    const int column = m_column;
    const QString text = editor->editedText();
    m_task = nullptr;
    m_column = -1;
    m_popUpTimer->stop();
    closeBalloons();
    const bool hadFocus = editor->hasFocus();
    editor->hide();
    m_view.setEditedTitleGrowth(nullptr, 0);
    if (m_titleEditor && m_titleEditor->completer()) m_titleEditor->completer()->popup()->hide();
    if (hadFocus) m_view.setFocus(Qt::OtherFocusReason);
    // The value goes to the task directly: the rows follow the context's change notification.
    if (commit && task && !task->isDeleted()) TDSetTaskCellValue(task, TDTaskColumn(column), text);
    m_view.viewport()->update();
    m_ending = false;
}

QVariant TDTasksViewEditing::interruptEditing() {
    TDTasksViewTextView* editor = currentEditor();
    if (!editor) return {};
    const QVariantMap state{{QStringLiteral("uid"), m_task->uid()},
                            {QStringLiteral("column"), m_column},
                            {QStringLiteral("anchor"), editor->textCursor().anchor()},
                            {QStringLiteral("position"), editor->textCursor().position()}};
    endEditing(true);
    return state;
}

void TDTasksViewEditing::resumeEditing(const QVariant& state) {
    const QVariantMap map = state.toMap();
    TDLibrary* library = m_view.tasksController().library();
    if (map.isEmpty() || !library) return;
    TDTask* task = library->taskWithUID(map.value(QStringLiteral("uid")).toString());
    if (!editTask(task, map.value(QStringLiteral("column")).toInt(), false)) return;
    TDTasksViewTextView* editor = currentEditor();
    const int length = int(editor->editedText().size());
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(qMin(map.value(QStringLiteral("anchor")).toInt(), length));
    cursor.setPosition(qMin(map.value(QStringLiteral("position")).toInt(), length), QTextCursor::KeepAnchor);
    editor->setTextCursor(cursor);
}

void TDTasksViewEditing::editorDidResignFirstResponder(TDTasksViewTextView* editor) {
    // A click elsewhere ends the edit and keeps what was typed, before the click does anything.
    if (editor == currentEditor()) endEditing(true);
}

void TDTasksViewEditing::p_processPendingChanges() {
    if (TDManagedObjectContext* context = m_view.tasksController().managedObjectContext())
        context->processPendingChanges();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    m_view.doItemsLayout();
}

void TDTasksViewEditing::p_beep() {
    QApplication::beep();
}

// --- Styling, completion, prediction

void TDTasksViewEditing::restyle(TDTasksViewTextView* editor) {
    if (editor != m_titleEditor) return;
    TDTaskRowFacts facts = m_task ? TDTaskRowFacts::fromTask(m_task) : TDTaskRowFacts();
    facts.title = m_titleEditor->editedText();
    TDTitleContext context;
    context.editing = true;
    context.yellowLook = m_view.isYellowLook();
    const TDStyledTitle styled = TDAttributedTitle(facts, context, false);
    // The suggestion keeps its own look; it always ends the text.
    m_titleEditor->applyFormats(styled.flattenedFormats());
}

QStringList TDTasksViewEditing::completions(TDTasksViewTextView*, const QString& partialWord) {
    TDLibrary* library = m_view.tasksController().library();
    if (!library || !TDTitleParser::hasTagPrefix(partialWord)) return {};
    QSet<TDGroup*> owned;
    if (m_task)
        for (TDGroup* tag : m_task->tags()) owned.insert(tag);
    const QString typed = TDTitleParser::tagTitleFromEditingString(partialWord);
    QStringList titles;
    if (!typed.isEmpty()) {
        for (TDTag* tag : library->tagsWithTitlePrefix(typed)) {
            if (owned.contains(tag)) continue;
            QString title = tag->title();
            if (title.startsWith(QLatin1Char('@'))) title.remove(0, 1);
            titles << title;
        }
        return titles;
    }
    for (TDTag* tag : library->tagsWithoutTitlePrefix(QStringLiteral("@")))
        if (!owned.contains(tag)) titles << tag->title();
    titles.sort(Qt::CaseSensitive);
    return titles;
}

QList<TDToken> TDTasksViewEditing::predictedTokens(const QString& title) {
    return TDTask::predictedTokensFromTitle(title, m_view.tasksController().library());
}

// --- Balloons

void TDTasksViewEditing::editorTextDidChange(TDTasksViewTextView* editor) {
    if (editor != currentEditor()) return;
    updateEditorGeometry();
    TDBalloonPanel* panel = isDateColumn(m_column)                        ? m_datePanel.data()
                            : m_column == TDTaskTreeModel::EstimateColumn ? m_estimatePanel.data()
                                                                          : nullptr;
    if (!isDateColumn(m_column) && m_column != TDTaskTreeModel::EstimateColumn) return;
    if (panel && panel->isVisible() && panel->viewController()) {
        panel->viewController()->setStringValue(editor->editedText());
        return;
    }
    TDStartBalloonPopUpTimer(*m_popUpTimer);
}

bool TDTasksViewEditing::isBalloonPending() const {
    return m_popUpTimer->isActive();
}

void TDTasksViewEditing::firePopUpTimer() {
    if (!m_popUpTimer->isActive()) return;
    m_popUpTimer->stop();
    p_openBalloon();
}

void TDTasksViewEditing::p_openBalloon() {
    TDTasksViewTextView* editor = currentEditor();
    const QModelIndex cell = p_itemOfTask(m_task).siblingAtColumn(m_column);
    if (!editor || !cell.isValid()) return;
    const QRect cellRect = m_view.visualRect(cell);
    const QRect target(m_view.viewport()->mapToGlobal(cellRect.topLeft()), cellRect.size());
    const QPoint location(target.center().x(), target.bottom() + 1);
    m_balloonTask = m_task;
    m_balloonColumn = m_column;
    if (!isDateColumn(m_column)) {
        TDShowEstimateBalloon(m_estimatePanel, &m_view, location, target, this, editor->editedText());
        return;
    }
    auto* controller = new TDDateCompletionViewController;
    controller->setDelegate(this);
    connect(controller, &TDDateCompletionViewController::recurrenceToggled, this, [this] {
        if (m_datePanel) TDRecurrenceEditView::showInBalloon(*m_datePanel, m_view.tasksController());
    });
    TDShowDateBalloon(m_datePanel, &m_view, location, target, controller, editor->editedText());
}

void TDTasksViewEditing::closeBalloons() {
    if (m_datePanel) m_datePanel->orderOut();
    if (m_estimatePanel) m_estimatePanel->orderOut();
}

void TDTasksViewEditing::completionViewController(TDCompletionViewController* controller,
                                                  const QVariant& value, bool finished) {
    TDTask* task = m_balloonTask;
    const int column = m_balloonColumn;
    if (!task || task->isDeleted()) return;
    const bool date = qobject_cast<TDDateCompletionViewController*>(controller) != nullptr;
    const QString text = TDBalloonValueText(date, value);
    const bool editingThatCell = m_task == task && m_column == column;
    if (editingThatCell && !finished) {
        currentEditor()->setEditedText(text);
        currentEditor()->moveCursor(QTextCursor::End);
    }
    if (!finished) return;
    // The picked value, not the typed text, is the edit; it goes to the cell the balloon was opened
    // for, whatever is being edited by now.
    if (editingThatCell) endEditing(false);
    TDSetTaskCellValue(task, TDTaskColumn(column), value);
    m_balloonTask = nullptr;
    m_balloonColumn = -1;
}

// --- Commands of the field editors

bool TDTasksViewEditing::doCommand(TDTasksViewTextView* editor, TDEditorCommand command) {
    if (editor != currentEditor()) return false;
    switch (command) {
        case TDEditorCommand::InsertTab:
            if (m_column == kTask && editor->isCaretAtStart() && p_indent()) return true;
            return p_changeEditingColumn(1, SelectAll);
        case TDEditorCommand::InsertBacktab:
            if (m_column == kTask && editor->isCaretAtStart() && p_outdent()) return true;
            return p_changeEditingColumn(-1, SelectAll);
        case TDEditorCommand::MoveLeft:
            if (m_column > kTask && editor->isCaretAtStart()) return p_changeEditingColumn(-1, CaretAtEnd);
            return false;
        case TDEditorCommand::MoveRight:
            if (m_column < TDTaskTreeModel::ColumnCount - 1 && editor->isCaretAtEnd())
                return p_changeEditingColumn(1, CaretAtStart);
            return false;
        case TDEditorCommand::MoveUp:
            return p_moveVertically(false);
        case TDEditorCommand::MoveDown:
            return p_moveVertically(true);
        case TDEditorCommand::DeleteBackward:
            return p_deleteBackward();
        case TDEditorCommand::CancelOperation:
            // Esc leaves the cell as it was.
            endEditing(false);
            return true;
        case TDEditorCommand::InsertNewline:
            endEditing(true);
            // After the key event: the handler may hide the window the editor stood in.
            if (const std::function<void()>& handler = m_view.insertNewlineHandler())
                QMetaObject::invokeMethod(&m_view, handler, Qt::QueuedConnection);
            return true;
        case TDEditorCommand::AddTaskBelow:
            return p_addTask(false);
        case TDEditorCommand::AddChildTask:
            return p_addTask(true);
    }
    return false;
}

TDOrderedCollection* TDTasksViewEditing::p_parentCollection(const QModelIndex& item) const {
    const QModelIndex parent = item.parent();
    if (!parent.isValid()) return m_view.tasksController().topTasks();
    const TDTaskRowItem row = m_view.treeModel().itemForIndex(parent);
    if (TDTask* task = row.task()) return task->orderedTasks();
    return row.collection();
}

bool TDTasksViewEditing::p_indent() {
    TDTask* task = m_task;
    const QModelIndex item = p_itemOfTask(task);
    TDOrderedCollection* siblings = p_parentCollection(item);
    if (!siblings) return false;
    const qsizetype index = siblings->objects().indexOf(task);
    if (index <= 0) return false;
    auto* previous = dynamic_cast<TDTask*>(siblings->objectAtIndex(index - 1));
    if (!previous) return false;
    const HiddenCursorWhileMoving hidden;
    // The title goes to the task before the task moves.
    endEditing(true);
    if (!previous->orderedTasks()->addObject(task).ok()) {
        p_beep();
        editTask(task, kTask, false);
        return true;
    }
    if (platform::UndoManager* undo = m_view.tasksController().undoManager())
        undo->setActionName(tr("Indent"));
    p_processPendingChanges();
    m_view.expandItem(p_itemOfTask(previous), false);
    editTask(task, kTask, false);
    return true;
}

bool TDTasksViewEditing::p_outdent() {
    TDTask* task = m_task;
    const QModelIndex item = p_itemOfTask(task);
    TDTask* parent = item.parent().data(TDTaskTreeModel::TaskRole).value<TDTask*>();
    if (!parent) return false;
    TDOrderedCollection* grandSiblings = p_parentCollection(item.parent());
    if (!grandSiblings) return false;
    const qsizetype index = grandSiblings->objects().indexOf(parent);
    const HiddenCursorWhileMoving hidden;
    endEditing(true);
    if (index < 0 || !grandSiblings->insertObject(task, index + 1).ok()) {
        p_beep();
        editTask(task, kTask, false);
        return true;
    }
    if (platform::UndoManager* undo = m_view.tasksController().undoManager())
        undo->setActionName(tr("Outdent"));
    p_processPendingChanges();
    editTask(task, kTask, false);
    return true;
}

bool TDTasksViewEditing::p_changeEditingColumn(int direction, int caret) {
    const int count = TDTaskTreeModel::ColumnCount;
    int target = m_column;
    auto editable = [this](int column) {
        return !m_view.isColumnHidden(column) &&
               (m_view.treeModel().flags(p_itemOfTask(m_task).siblingAtColumn(column)) & Qt::ItemIsEditable);
    };
    // The list and priority columns are never edited: left of the title wraps to the last column,
    // right of the last to the title.
    do {
        target += direction;
        if (target < kTask) target = count - 1;
        if (target >= count) target = kTask;
    } while (target != m_column && !editable(target));
    if (target == m_column) {
        endEditing(true);
        return true;
    }
    const HiddenCursorWhileMoving hidden;
    TDTask* task = m_task;
    endEditing(true);
    p_processPendingChanges();
    if (!editTask(task, target, caret == SelectAll)) return true;
    TDTasksViewTextView* editor = currentEditor();
    if (caret == CaretAtEnd) editor->moveCursor(QTextCursor::End);
    if (caret == CaretAtStart) editor->moveCursor(QTextCursor::Start);
    return true;
}

int TDTasksViewEditing::p_firstEditableRow() const {
    for (int row = 0, rows = m_view.numberOfRows(); row < rows; ++row)
        if (m_view.itemAtRow(row).data(TDTaskTreeModel::TaskRole).value<TDTask*>()) return row;
    return 0;
}

bool TDTasksViewEditing::p_moveVertically(bool down) {
    TDTasksViewTextView* editor = currentEditor();
    // Within the text the editor moves the caret itself.
    if (down ? !TDIsCaretOnLastLine(*editor) : !TDIsCaretOnFirstLine(*editor)) return false;
    // The caret keeps its place on screen, not its character index.
    const int x = editor->x() + editor->caretX();
    const int column = m_column;
    TDTask* task = m_task;
    // Down from a title goes into its task's note first, also in the last row.
    if (down && column == kTask && task->hasNotes()) {
        const HiddenCursorWhileMoving hidden;
        endEditing(true);
        p_processPendingChanges();
        p_editNote(task, x, false);
        return true;
    }
    const int row = editedRow();
    const bool edge = down ? row >= m_view.numberOfRows() - 1 : row <= p_firstEditableRow();
    if (edge) {
        editor->moveCursor(down ? QTextCursor::EndOfLine : QTextCursor::StartOfLine);
        return true;
    }
    const HiddenCursorWhileMoving hidden;
    endEditing(true);
    p_processPendingChanges();
    p_editRowBeside(task, column, down, x);
    return true;
}

void TDTasksViewEditing::p_editRowBeside(TDTask* task, int column, bool down, int x) {
    const QModelIndex item = p_itemOfTask(task);
    if (item.isValid() && m_view.selectedItem() != item) m_view.selectItem(item);
    if (down)
        m_view.moveDown();
    else
        m_view.moveUp();
    const QModelIndex next = m_view.selectedItem();
    if (!next.isValid()) return;
    // Up into a task with notes lands in its note, on the note's last line.
    TDTask* nextTask = next.data(TDTaskTreeModel::TaskRole).value<TDTask*>();
    if (!down && column == kTask && nextTask && nextTask->hasNotes()) {
        p_editNote(nextTask, x, true);
        return;
    }
    if (!editColumn(column, next, column != kTask)) return;
    TDTasksViewTextView* nextEditor = currentEditor();
    if (column == kTask) {
        if (!down) nextEditor->moveCursor(QTextCursor::End);
        nextEditor->placeCaretAtX(x - nextEditor->x(), down);
    }
}

void TDTasksViewEditing::p_editNote(TDTask* task, int x, bool lastLine) {
    const QModelIndex item = p_itemOfTask(task);
    if (!item.isValid()) return;
    if (m_view.selectedItem() != item || m_view.selectedItems().size() != 1) m_view.selectItem(item);
    m_view.editNoteInRow(item);
    TDNotesTextView* notes = m_view.notesEditor();
    if (!notes || !notes->isVisible()) return;
    // On the note's first line, or on its last one, as near to the caret's place on screen as it goes.
    if (lastLine) notes->moveCursor(QTextCursor::End);
    const int y = lastLine ? notes->cursorRect().center().y() : 1;
    notes->setTextCursor(notes->cursorForPosition(QPoint(x - notes->x(), y)));
    m_view.scrollTo(item);
}

bool TDTasksViewEditing::leaveNote(TDNotesTextView& notes, TDTask* task, TDEditorCommand command) {
    const QModelIndex item = p_itemOfTask(task);
    if (!item.isValid()) return false;
    // The last row keeps its note edited: there is no row below to go on to.
    if (command == TDEditorCommand::MoveDown && m_view.rowForItem(item) >= m_view.numberOfRows() - 1) {
        notes.moveCursor(QTextCursor::EndOfLine);
        return true;
    }
    const int x = notes.x() + notes.cursorRect().x();
    const HiddenCursorWhileMoving hidden;
    // The outline taking the keyboard ends the note's editing and stores it.
    m_view.setFocus(Qt::OtherFocusReason);
    p_processPendingChanges();
    if (command == TDEditorCommand::MoveDown) {
        p_editRowBeside(task, kTask, true, x);
        return true;
    }
    // Up and Backspace go back to the task's title, Up on its last line, Backspace at its end.
    if (!editTask(task, kTask, false)) return true;
    m_titleEditor->moveCursor(QTextCursor::End);
    if (command == TDEditorCommand::MoveUp) m_titleEditor->placeCaretAtX(x - m_titleEditor->x(), false);
    return true;
}

bool TDTasksViewEditing::p_deleteBackward() {
    TDTasksViewTextView* editor = currentEditor();
    if (m_column == kTask && editor->editedText().isEmpty()) {
        // The first row keeps its task.
        if (editedRow() <= p_firstEditableRow()) return true;
        TDTask* task = m_task;
        endEditing(false);
        m_view.tasksController().setSelection({task});
        m_view.tasksController().deleteBackward();
        p_processPendingChanges();
        const QList<TDTask*> selected = m_view.tasksController().selection();
        if (selected.size() == 1 && selected.first() != task && editTask(selected.first(), kTask, false))
            currentEditor()->moveCursor(QTextCursor::End);
        return true;
    }
    if (m_column > kTask && editor->isCaretAtStart()) return p_changeEditingColumn(-1, CaretAtEnd);
    return false;
}

bool TDTasksViewEditing::p_addTask(bool child) {
    // The commands end this edit, committing the title, and start editing the task they add.
    TDTasksController& controller = m_view.tasksController();
    if (child)
        controller.addChildTask();
    else
        controller.addTaskBelow();
    return true;
}

// --- The outline's own keys

bool TDTasksViewEditing::handleOutlineKey(QKeyEvent* event) {
    const TDTaskKeyAction action = TDTaskKeyMap::actionForKey(event->key(), event->modifiers());
    TDTasksController& controller = m_view.tasksController();
    const QList<TDTask*> selected = controller.selection();
    using enum TDTaskKeyCommand;
    switch (action.command) {
        case InsertNewline:
            // The command puts the new task into editing itself.
            endEditing(true);
            controller.insertNewline(event->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        case EditTitle:
            if (selected.size() == 1) editTask(selected.first(), kTask, true);
            return true;
        default:
            // The outline's other keys (tasks_view_keys.cpp).
            return false;
    }
    return false;
}

// --- Find

bool TDTasksViewEditing::findString(const QString& text, bool backwards) {
    if (text.isEmpty()) return false;
    if (TDTasksViewTextView* editor = currentEditor(); editor && m_column == kTask) {
        const QString title = editor->editedText();
        const QTextCursor cursor = editor->textCursor();
        const qsizetype at =
            backwards ? (cursor.selectionStart() > 0
                             ? title.lastIndexOf(text, cursor.selectionStart() - 1, Qt::CaseInsensitive)
                             : -1)
                      : title.indexOf(text, cursor.selectionEnd(), Qt::CaseInsensitive);
        if (at >= 0) {
            QTextCursor hit = editor->textCursor();
            hit.setPosition(int(at));
            hit.setPosition(int(at + text.size()), QTextCursor::KeepAnchor);
            editor->setTextCursor(hit);
            return true;
        }
    }
    const bool searchedSelected = isEditing();
    QList<TDTask*> tasks;
    QStringList titles;
    for (int row = 0, rows = m_view.numberOfRows(); row < rows; ++row)
        if (auto* task = m_view.itemAtRow(row).data(TDTaskTreeModel::TaskRole).value<TDTask*>()) {
            tasks << task;
            titles << (task == m_task && m_column == kTask ? m_titleEditor->editedText() : task->title());
        }
    const QList<TDTask*> selection = m_view.tasksController().selection();
    const qsizetype selected = selection.size() == 1 ? tasks.indexOf(selection.first()) : -1;
    const qsizetype match = TDTaskFind::nextMatch(titles, selected, text, backwards, !searchedSelected);
    if (match < 0) {
        p_beep();
        return false;
    }
    if (!editTask(tasks.at(match), kTask, false)) return false;
    const QString title = m_titleEditor->editedText();
    const qsizetype at = backwards ? title.lastIndexOf(text, -1, Qt::CaseInsensitive)
                                   : title.indexOf(text, 0, Qt::CaseInsensitive);
    QTextCursor hit = m_titleEditor->textCursor();
    hit.setPosition(int(at));
    hit.setPosition(int(at + text.size()), QTextCursor::KeepAnchor);
    m_titleEditor->setTextCursor(hit);
    return true;
}

// --- The outline's side

int TDTasksView::editedRow() const {
    return m_editing ? m_editing->editedRow() : -1;
}

int TDTasksView::editedColumn() const {
    return m_editing ? m_editing->editedColumn() : -1;
}

void TDTasksView::finishEditing() {
    if (m_editing) m_editing->endEditing(true);
}

QVariant TDTasksView::interruptEditing() {
    return m_editing ? m_editing->interruptEditing() : QVariant();
}

void TDTasksView::resumeEditing(const QVariant& editing) {
    if (m_editing) m_editing->resumeEditing(editing);
}

void TDTasksView::editItem(const TDTaskRowItem& item, int column, bool selectAll) {
    if (m_editing) m_editing->editItem(item, column, selectAll);
}

void TDTasksView::editNote(const TDTaskRowItem& item) {
    if (m_editing) m_editing->editNote(item);
}

void TDTasksView::insertTextAtEndOfEditedText(const QString& text) {
    if (m_editing) m_editing->insertTextAtEnd(text);
}

void TDTasksView::keyPressEvent(QKeyEvent* event) {
    if (m_editing && m_editing->handleOutlineKey(event)) return event->accept();
    if (p_performKey(event)) return event->accept();
    TDExtendedOutlineView::keyPressEvent(event);
}
