#include "taskviews/recurrence_edit_controller.h"

#include "foundation/application_delegate.h"
#include "language/date_additions.h"
#include "model/natural_language_recurrence_rule_value_transformer.h"
#include "model/recurrence.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/base/format.h"
#include "platform/base/log.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/transformers/value_transformer.h"
#include "platform/undo/undo_manager.h"

#include <QCoreApplication>

#include <cmath>

namespace {

constexpr double kSecondsPerDay = 86400;

QString localized(const char* text) {
    return QCoreApplication::translate("Localizable", text);
}

std::optional<TDRecurrenceRule> ruleOfTask(const TDTask* task) {
    const auto* recurrence = task->objectAs<TDRecurrence>(QStringLiteral("recurrence"));
    return recurrence ? recurrence->rule() : std::nullopt;
}

QString textOfRule(const std::optional<TDRecurrenceRule>& rule) {
    if (!rule) return {};
    const auto transformer =
        platform::valueTransformerForName(QStringLiteral("TDNaturalLanguageRecurrenceRule"));
    return transformer ? transformer->transformedValue(QVariant::fromValue(*rule)).toString()
                       : rule->recurrenceDescription();
}

}  // namespace

TDRecurrenceEditViewController::TDRecurrenceEditViewController(QObject* parent) : QObject(parent) {
}

void TDRecurrenceEditViewController::setTask(TDTask* task) {
    if (task == m_task) return;
    m_task = task;
    m_recurrenceRule = task ? ruleOfTask(task) : std::nullopt;
    m_initialRecurrenceRule = m_recurrenceRule;
    m_ruleText = textOfRule(m_recurrenceRule);
    const TDRecurrenceRule::End end = m_recurrenceRule ? m_recurrenceRule->recurrenceEnd() : std::nullopt;
    m_endDate = {};
    m_occurrenceCount = 0;
    m_endMode = EndNever;
    if (end && end->usesEndDate()) {
        m_endMode = EndOnDate;
        m_endDate = end->endDate();
    } else if (end) {
        m_endMode = EndAfterOccurrences;
        m_occurrenceCount = qint64(end->occurrenceCount());
    }
    const TDRecurrenceRule* rule = m_recurrenceRule ? &*m_recurrenceRule : nullptr;
    m_repeatAfterCompletion = rule && rule->repeatAfterCompletion() && rule->canRepeatAfterCompletion();
    m_hasDueDate = rule && rule->hasDueDate();
    m_startDueGapDays =
        m_hasDueDate ? std::optional<qint64>(
                           qint64(std::trunc(rule->timeIntervalBetweenStartAndDueDates() / kSecondsPerDay)))
                     : std::nullopt;
    m_nextStartDate = {};
    QDateTime next = rule ? rule->nextStartDate() : QDateTime();
    // A task that already starts later than the rule's date repeats after its own start.
    if (rule && task->startDate().isValid() && next.isValid() && task->startDate() > next) {
        QDateTime due;
        rule->getNextRecurringStartDate(&next, &due, task->startDate());
    }
    if (task) setNextStartDate(next);
    m_nextStartDateChanged = false;
    // What confirming at once would store: only the user's edits differ from it. (A stored rule may lack
    // what the editor fills in, such as the next start date.)
    if (task && m_initialRecurrenceRule) m_initialRecurrenceRule = p_editedRule();
    Q_EMIT changed();
}

QDateTime TDRecurrenceEditViewController::p_predictedNextStartDate() const {
    if (!m_recurrenceRule) return {};
    const QDateTime now = TDClock::currentDateTime();
    const QDateTime start = m_task ? m_task->startDate() : QDateTime();
    return m_recurrenceRule->predictedNextStartDateOnOrAfterDate(start.isValid() && start > now ? start
                                                                                                : now);
}

void TDRecurrenceEditViewController::setRuleText(const QString& text) {
    m_ruleText = text;
    m_recurrenceRule =
        TDNaturalLanguageRecurrenceRuleValueTransformer::ruleFromString(text, TDClock::currentDateTime());
    if (m_recurrenceRule) {
        m_recurrenceRule->setRepeatAfterCompletion(m_repeatAfterCompletion);
        setNextStartDate(p_predictedNextStartDate());
    }
    if (!canRepeatAfterCompletion()) m_repeatAfterCompletion = false;
    Q_EMIT changed();
}

void TDRecurrenceEditViewController::changeRecurrenceRule() {
    m_ruleText = textOfRule(m_recurrenceRule);
    Q_EMIT changed();
}

QString TDRecurrenceEditViewController::normalizedRuleText(const QString& text) {
    return textOfRule(
        TDNaturalLanguageRecurrenceRuleValueTransformer::ruleFromString(text, TDClock::currentDateTime()));
}

void TDRecurrenceEditViewController::setNextStartDate(const QDateTime& date) {
    QDateTime next = date;
    if (!next.isValid() && !m_repeatAfterCompletion && m_recurrenceRule) {
        m_recurrenceRule->setRepeatAfterCompletion(false);
        next = m_recurrenceRule->predictedNextStartDateOnOrAfterDate(TDClock::currentDateTime());
    }
    if (next == m_nextStartDate || (!next.isValid() && !m_nextStartDate.isValid())) return;
    m_nextStartDate = next;
    m_nextStartDateChanged = true;
    Q_EMIT changed();
}

void TDRecurrenceEditViewController::setNextStartDateText(const QString& text) {
    const auto transformer = platform::valueTransformerForName(QStringLiteral("TDNaturalLanguageDate"));
    const QVariant date = transformer ? transformer->reverseTransformedValue(text) : QVariant();
    setNextStartDate(date.toDateTime());
}

bool TDRecurrenceEditViewController::canRepeatAfterCompletion() const {
    return m_recurrenceRule && m_recurrenceRule->canRepeatAfterCompletion();
}

void TDRecurrenceEditViewController::changeRepeatAfterCompletion(bool repeat) {
    m_repeatAfterCompletion = repeat && canRepeatAfterCompletion();
    if (!m_repeatAfterCompletion && !m_nextStartDate.isValid() && m_recurrenceRule) {
        m_recurrenceRule->setRepeatAfterCompletion(false);
        setNextStartDate(m_recurrenceRule->predictedNextStartDateOnOrAfterDate(TDClock::currentDateTime()));
    }
    Q_EMIT changed();
}

void TDRecurrenceEditViewController::setEndMode(int mode) {
    m_endMode = mode;
    if (mode == EndAfterOccurrences && m_occurrenceCount == 0) m_occurrenceCount = 1;
    if (mode == EndOnDate && !m_endDate.isValid())
        m_endDate = dates::dateAtStartOfDay(TDClock::currentDateTime());
    Q_EMIT changed();
}

void TDRecurrenceEditViewController::setEndDate(const QDateTime& date) {
    m_endDate = date;
    if (!date.isValid()) m_endMode = EndNever;
    Q_EMIT changed();
}

void TDRecurrenceEditViewController::setOccurrenceCount(qint64 count) {
    m_occurrenceCount = count;
    if (count < 1) m_endMode = EndNever;
    Q_EMIT changed();
}

void TDRecurrenceEditViewController::setHasDueDate(bool hasDueDate) {
    m_hasDueDate = hasDueDate;
    if (hasDueDate && !m_startDueGapDays) m_startDueGapDays = 3;
    Q_EMIT changed();
}

void TDRecurrenceEditViewController::setStartDueGapDays(std::optional<qint64> days) {
    if (days && *days >= 0) {
        m_startDueGapDays = days;
    } else {
        m_startDueGapDays.reset();
        m_hasDueDate = false;
    }
    Q_EMIT changed();
}

std::optional<TDRecurrenceRule> TDRecurrenceEditViewController::p_editedRule() const {
    if (!m_recurrenceRule) return std::nullopt;
    TDRecurrenceRule rule = *m_recurrenceRule;
    TDRecurrenceRule::End end;
    if (m_endMode == EndAfterOccurrences && m_occurrenceCount >= 1) {
        if (auto count = TDRecurrenceEnd::recurrenceEndWithOccurrenceCount(quint64(m_occurrenceCount)))
            end = *count;
    } else if (m_endMode == EndOnDate && m_endDate.isValid()) {
        if (auto date = TDRecurrenceEnd::recurrenceEndWithEndDate(m_endDate)) end = *date;
    }
    rule.setRecurrenceEnd(end);
    rule.setHasDueDate(m_hasDueDate);
    rule.setTimeIntervalBetweenStartAndDueDates(double(startDueGapDays()) * kSecondsPerDay);
    rule.setRepeatAfterCompletion(m_repeatAfterCompletion);
    rule.setNextStartDate(m_repeatAfterCompletion ? QDateTime() : m_nextStartDate);
    return rule;
}

void TDRecurrenceEditViewController::okay() {
    TDTask* task = m_task;
    if (!task) return;
    const std::optional<TDRecurrenceRule> rule = p_editedRule();
    if (rule) {
        if (const Status valid = rule->validate(); !valid) {
            // Finished first: the balloon is gone before the alert asks for attention.
            setTask(nullptr);
            Q_EMIT finished();
            TDAppDelegate().handleError(
                valid.error(),
                formatString(localized("Could not set recurrence rule because it's invalid: %@"),
                             QVariantList{valid.error().description}));
            return;
        }
    }
    if (rule != m_initialRecurrenceRule) {
        if (rule)
            p_apply(*rule);
        else if (auto* recurrence = task->objectAs<TDRecurrence>(QStringLiteral("recurrence"))) {
            task->setObject(QStringLiteral("recurrence"), nullptr);
            recurrence->deleteObject();
        }
        if (platform::UndoManager* undo = task->managedObjectContext()->undoManager())
            undo->setActionName(localized("Edit Recurrence"));
    }
    // The rule is the task's before anyone hears of the end: whatever the closing balloon sets off
    // (a confirmation of its own among it) finds no task left to edit.
    setTask(nullptr);
    Q_EMIT finished();
}

void TDRecurrenceEditViewController::p_apply(const TDRecurrenceRule& rule) {
    TDTask* task = m_task;
    auto* recurrence = task->objectAs<TDRecurrence>(QStringLiteral("recurrence"));
    if (!recurrence) {
        recurrence = task->managedObjectContext()->insertObject<TDRecurrence>(QStringLiteral("Recurrence"));
        task->setObject(QStringLiteral("recurrence"), recurrence);
    }
    if (const Status stored = recurrence->setRule(rule); !stored) {
        TDAppDelegate().handleError(stored.error(), localized("Could not set recurrence rule"));
        return;
    }
    if (m_nextStartDateChanged) task->setStartDate(m_nextStartDate);
    if (m_hasDueDate && task->startDate().isValid())
        task->setDueDate(dates::dateByAddingDays(task->startDate(), startDueGapDays()));
}

void TDRecurrenceEditViewController::showHelp() {
    TDAppDelegate().showHelpForAnchor(QStringLiteral("repeating_tasks"));
}
