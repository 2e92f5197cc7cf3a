#pragma once

#include "controls/gui/balloon_panel.h"
#include "controls/gui/completion_view_controller.h"
#include "store/editor_registry.h"
#include "taskviews/gui/title_editor.h"
#include "taskviews/task_row_item.h"

#include <QObject>
#include <QPersistentModelIndex>
#include <QPointer>

class QKeyEvent;
class QTimer;
class TDNotesTextView;
class TDTask;
class TDTasksView;
class TDOrderedCollection;

// In-place editing in the task outline: the title editor over a task's title and a plain field editor
// over its start, due and estimate cells, the keys that move editing between cells and rows, indent and
// outdent, add and delete tasks, the date and estimate balloons, and find. Every move between cells
// commits the cell left first, so the library sees each edit as one undoable step. A save ends the
// edit first (the editor registry).
class TDTasksViewEditing final : public QObject,
                                 public TDFieldEditorDelegate,
                                 public TDCompletionDelegate,
                                 public TDEditor {
    Q_OBJECT

public:
    explicit TDTasksViewEditing(TDTasksView& view);
    ~TDTasksViewEditing() override;

    // Starts editing a cell of a task row; false when the cell cannot be edited.
    bool editColumn(int column, const QModelIndex& item, bool select);
    bool editTask(TDTask* task, int column, bool select);
    // What the task commands start: the rows first catch up with the context, so that a task added a
    // moment ago has its row.
    bool editItem(const TDTaskRowItem& item, int column, bool select);
    bool editNote(const TDTaskRowItem& item);
    // Types the text at the end of the edited text.
    void insertTextAtEnd(const QString& text);
    // Ends editing, writing the typed text to the task unless `commit` is false.
    void endEditing(bool commit);
    bool isEditing() const { return m_task != nullptr; }
    TDTask* editedTask() const { return m_task; }
    int editedColumn() const { return isEditing() ? m_column : -1; }
    int editedRow() const;
    TDTasksViewTextView* currentEditor() const;
    // The editors; nullptr until a cell of their kind was first edited.
    TDTaskTitleTextView* titleEditor() const { return m_titleEditor; }
    TDTasksViewTextView* cellEditor() const { return m_cellEditor; }
    void updateEditorGeometry();

    // Around undo and redo: what is edited, to take up again.
    QVariant interruptEditing();
    void resumeEditing(const QVariant& state);

    // The balloons of date and estimate cells.
    TDBalloonPanel* datePanel() const { return m_datePanel; }
    TDBalloonPanel* estimatePanel() const { return m_estimatePanel; }
    bool isBalloonPending() const;
    // Opens the pending balloon now instead of after its delay.
    void firePopUpTimer();
    // The balloons stay at their cell: they close when the rows scroll.
    void closeBalloons();

    // Return and Enter in the outline while no cell is edited; true when taken.
    bool handleOutlineKey(QKeyEvent* event);
    // A key that leaves the note of the task edited in the notes editor: Up or Backspace goes to the
    // task's title, Down to the next row's. False when the task has no row any more.
    bool leaveNote(TDNotesTextView& notes, TDTask* task, TDEditorCommand command);
    // Finds the next (or previous) task whose title holds the text and shows the match in its title
    // editor; false, after a beep, when no title holds it.
    bool findString(const QString& text, bool backwards);

    // TDEditor.
    bool commitEditing() override;
    // TDFieldEditorDelegate.
    bool doCommand(TDTasksViewTextView* editor, TDEditorCommand command) override;
    void restyle(TDTasksViewTextView* editor) override;
    void editorTextDidChange(TDTasksViewTextView* editor) override;
    void editorDidResignFirstResponder(TDTasksViewTextView* editor) override;
    QStringList completions(TDTasksViewTextView* editor, const QString& partialWord) override;
    QList<TDToken> predictedTokens(const QString& title) override;
    // TDCompletionDelegate.
    void completionViewController(TDCompletionViewController* controller, const QVariant& value,
                                  bool finished) override;

private:
    QModelIndex p_itemOfTask(TDTask* task) const;
    TDTasksViewTextView* p_editorForColumn(int column);
    TDOrderedCollection* p_parentCollection(const QModelIndex& item) const;
    void p_processPendingChanges();
    bool p_indent();
    bool p_outdent();
    bool p_changeEditingColumn(int direction, int caret);
    bool p_moveVertically(bool down);
    // Commits nothing: selects the row above or below the task's and edits the column there, the caret
    // at `x` (the outline's coordinates) on the line next to the one left.
    void p_editRowBeside(TDTask* task, int column, bool down, int x);
    void p_editNote(TDTask* task, int x, bool lastLine);
    bool p_deleteBackward();
    bool p_addTask(bool child);
    void p_openBalloon();
    int p_firstEditableRow() const;
    void p_beep();

    TDTasksView& m_view;
    TDEditorRegistry& m_registry;
    TDTaskTitleTextView* m_titleEditor = nullptr;
    TDTasksViewTextView* m_cellEditor = nullptr;
    TDTask* m_task = nullptr;
    int m_column = -1;
    QTimer* m_popUpTimer = nullptr;
    QPointer<TDBalloonPanel> m_datePanel;
    QPointer<TDBalloonPanel> m_estimatePanel;
    // The task and column a balloon was opened for: its value goes there, whatever is edited by then.
    TDTask* m_balloonTask = nullptr;
    int m_balloonColumn = -1;
    bool m_ending = false;
};
