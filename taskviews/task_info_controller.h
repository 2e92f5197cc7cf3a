#pragma once

#include <QList>
#include <QObject>
#include <QString>

class TDTag;
class TDTask;
class TDTasksController;

// The inspector beside the task list: the start date, due date, estimate, actual time and context tag
// of the tasks selected in its tasks controller. One task shows its values; several show a value they
// share or "Multiple Values"; none shows "No Selection". Every change goes to all selected tasks as one
// named undo step. Main thread.
class TDTaskInfoViewController final : public QObject {
    Q_OBJECT

public:
    enum class Field { StartDate, DueDate, Estimate, ActualTime };

    // What a field shows: its text, or (when the text is empty) the grey placeholder, and whether it
    // can be edited.
    struct FieldValue {
        QString text;
        QString placeholder;
        bool editable = false;
        friend bool operator==(const FieldValue&, const FieldValue&) = default;
    };
    // An item of the context pop-up; "None" has no tag.
    struct ContextItem {
        QString title;
        TDTag* tag = nullptr;
    };

    explicit TDTaskInfoViewController(TDTasksController& tasksController, QObject* parent = nullptr);
    ~TDTaskInfoViewController() override;

    TDTasksController& tasksController() const { return m_tasksController; }
    const QList<TDTask*>& selection() const { return m_selection; }
    // Takes the tasks controller's selection again (also after every idle pause of the library).
    void reload();

    FieldValue value(Field field) const;
    // Typed text for the field; empty text clears it. Text that is no date or duration changes
    // nothing and answers false.
    bool setText(Field field, const QString& text);
    // For the actual time: the plain duration while it is edited, instead of its share of the estimate.
    QString editingText(Field field) const;
    // The estimate from the balloon's slider, in seconds.
    void setEstimatedTime(double seconds);

    // The library's context tags by title, then "None".
    QList<ContextItem> contextMenuItems() const;
    // "No Selection", "Multiple Values", "None" or the tag's title.
    QString contextTitle() const;
    // Whether the title stands for a tag (drawn in the control colour) rather than a placeholder.
    bool contextIsTag() const;
    bool contextEnabled() const { return !m_selection.isEmpty(); }
    // Gives every selected task the context (nullptr: none).
    void setContext(TDTag* tag);

Q_SIGNALS:
    // The selection or a shown value changed.
    void changed();

private:
    bool p_setForSelection(const QString& undoName, const std::function<bool(TDTask*)>& change);

    TDTasksController& m_tasksController;
    QList<TDTask*> m_selection;
};
