#pragma once

#include "taskviews/gui/title_editor.h"

#include <QObject>

#include <memory>

class TDCardView;
class TDTask;
class TDTaskInfoViewController;
class TDTasksController;

// Keeps one card in step with its task: the title in the card's large style (growing to three lines),
// the notes, the checkbox, the priority, the dates and the estimate, and the number of subtasks. Edits
// on the card reach the library as the outline's and the inspector's do, each an undo step; typing in
// the notes has the notes editor's own undo.
class TDCardController final : public QObject, public TDFieldEditorDelegate {
    Q_OBJECT

public:
    TDCardController(TDTasksController& tasksController, QWidget* parent);
    ~TDCardController() override;

    TDCardView* cardView() const { return m_view; }
    // nullptr for none, or a task that was deleted.
    TDTask* task() const;
    void setTask(TDTask* task);
    quint64 subtaskCount() const { return m_subtaskCount; }
    void setSubtaskCount(quint64 count);
    QString subtaskCountDisplayString() const;

    bool isEditing() const;
    bool isEditingTitle() const;
    bool isEditingNote() const;
    bool isEditingStartDate() const;
    bool isEditingDueDate() const;
    bool isEditingEstimate() const;
    void editTitle();
    void editNote();
    // Ends any edit, keeping what was typed; the card's owner takes the keyboard.
    void endEditing();
    void insertTextAtEndOfTitle(const QString& text);
    // The title field's height for its text, within one to three lines.
    void heightOfTitleFieldChanged();

    // TDFieldEditorDelegate (the title editor).
    bool doCommand(TDTasksViewTextView* editor, TDEditorCommand command) override;
    void restyle(TDTasksViewTextView* editor) override;
    void editorTextDidChange(TDTasksViewTextView* editor) override;
    void editorDidResignFirstResponder(TDTasksViewTextView* editor) override;
    QStringList completions(TDTasksViewTextView* editor, const QString& partialWord) override;
    QList<TDToken> predictedTokens(const QString& title) override;

Q_SIGNALS:
    // Editing ended on the card (Escape, Return, a commit): the keyboard goes back to the cards.
    void editingEnded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void p_refresh();
    void p_showTitle();
    void p_showNotes();
    void p_showFields();
    void p_commitTitle();
    void p_commitField(int field);
    int p_baseTitleHeight() const;

    TDTasksController& m_tasksController;
    TDCardView* m_view;
    std::unique_ptr<TDTaskInfoViewController> m_fields;
    TDTask* m_task = nullptr;
    quint64 m_subtaskCount = 0;
    bool m_committing = false;
};
