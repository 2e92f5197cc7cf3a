#pragma once

#include "model/recurrence_rule.h"

#include <QDateTime>
#include <QObject>

#include <optional>

class TDTask;

// Edits how one task repeats: the rule as English text, the next start date, whether the next occurrence
// counts from the completion, when the repetition ends and whether each occurrence gets a due date some
// days after its start. Nothing reaches the task until okay(), which makes one undoable change named
// "Edit Recurrence" (and none when nothing changed). There is no cancel: every way out confirms.
class TDRecurrenceEditViewController final : public QObject {
    Q_OBJECT

public:
    enum EndMode { EndNever = 0, EndAfterOccurrences = 1, EndOnDate = 2 };

    explicit TDRecurrenceEditViewController(QObject* parent = nullptr);

    TDTask* task() const { return m_task; }
    // Loads the task's repetition; nullptr leaves the editor idle. The same task again changes nothing.
    void setTask(TDTask* task);

    // The rule being edited; nullopt while the text names no repetition.
    const std::optional<TDRecurrenceRule>& recurrenceRule() const { return m_recurrenceRule; }
    QString ruleText() const { return m_ruleText; }
    // As the user types: the rule is read from the text and the next start date follows it.
    void setRuleText(const QString& text);
    // When the rule field is left: the text becomes the rule's own wording.
    void changeRecurrenceRule();
    // The rule's wording of a text: what the field shows for it.
    static QString normalizedRuleText(const QString& text);

    QDateTime nextStartDate() const { return m_nextStartDate; }
    bool nextStartDateChanged() const { return m_nextStartDateChanged; }
    // No date, while not repeating after completion, means the rule's next date from today.
    void setNextStartDate(const QDateTime& date);
    // Typed English ("next monday"); text that is no date counts as none.
    void setNextStartDateText(const QString& text);

    bool repeatAfterCompletion() const { return m_repeatAfterCompletion; }
    void changeRepeatAfterCompletion(bool repeat);
    // Whether the rule allows counting from the completion (the check box is shown only then).
    bool canRepeatAfterCompletion() const;

    int endMode() const { return m_endMode; }
    void setEndMode(int mode);
    QDateTime endDate() const { return m_endDate; }
    void setEndDate(const QDateTime& date);
    qint64 occurrenceCount() const { return m_occurrenceCount; }
    void setOccurrenceCount(qint64 count);

    bool hasDueDate() const { return m_hasDueDate; }
    // Turning the due date on without a gap gives a gap of 3 days.
    void setHasDueDate(bool hasDueDate);
    qint64 startDueGapDays() const { return m_startDueGapDays.value_or(0); }
    bool hasStartDueGap() const { return m_startDueGapDays.has_value(); }
    // A negative or missing number of days turns the due date off.
    void setStartDueGapDays(std::optional<qint64> days);

    // What the view shows: the options below the rule only with a rule; the next start date only when
    // not repeating after completion; the end date and the count by the end mode.
    bool showsOptions() const { return m_recurrenceRule.has_value(); }
    bool showsNextStartDate() const { return showsOptions() && !m_repeatAfterCompletion; }
    bool showsRepeatAfterCompletion() const { return showsOptions() && canRepeatAfterCompletion(); }
    bool showsEndDate() const { return m_endMode == EndOnDate; }
    bool showsOccurrenceCount() const { return m_endMode == EndAfterOccurrences; }

    // Confirms: a changed repetition goes to the task as one undo step; an invalid rule is reported to the
    // application and the task stays as it was. The editor is idle afterwards.
    void okay();
    // The help on repeating tasks.
    void showHelp();

Q_SIGNALS:
    // Any value shown changed.
    void changed();
    // The editor was confirmed: its balloon closes.
    void finished();

private:
    QDateTime p_predictedNextStartDate() const;
    // The rule as confirming would store it: the rule typed with the end, due gap and start edited.
    std::optional<TDRecurrenceRule> p_editedRule() const;
    void p_apply(const TDRecurrenceRule& rule);

    TDTask* m_task = nullptr;
    std::optional<TDRecurrenceRule> m_initialRecurrenceRule;
    std::optional<TDRecurrenceRule> m_recurrenceRule;
    QString m_ruleText;
    bool m_repeatAfterCompletion = false;
    QDateTime m_nextStartDate;
    bool m_nextStartDateChanged = false;
    int m_endMode = EndNever;
    QDateTime m_endDate;
    qint64 m_occurrenceCount = 0;
    bool m_hasDueDate = false;
    std::optional<qint64> m_startDueGapDays;
};
