// Recurring copies: the next occurrence of a repeating task, and catching up occurrences missed while
// the library was closed.

#include "model/task.h"

#include "foundation/string_additions.h"
#include "language/date_additions.h"
#include "language/localized_string.h"
#include "model/library.h"
#include "model/recurrence.h"
#include "model/recurrence_rule_archiving.h"
#include "model/sync_set.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/predicates/predicate_parser.h"

namespace {

const QString kRecurrenceKey = QStringLiteral("recurrence");

// A missing date stands for the reference date, so it never ends a series.
QDateTime orReferenceDate(const QDateTime& date) {
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date.isValid() ? date : reference;
}

QDateTime startOfToday() {
    return dates::dateAtStartOfDay(TDClock::currentDateTime());
}

void logRefusedRule(const TDTask* task, const TDError& error) {
    logWithLevel(TDLogError, "ERROR", "Could not store the recurrence rule of task '%@' (%@): %@",
                 task->title(), task->uid(), error.detailedDescription());
}

}  // namespace

QString TDTask::recurrenceDescription() const {
    const auto* recurrence = objectAs<TDRecurrence>(kRecurrenceKey);
    const std::optional<TDRecurrenceRule> rule = recurrence ? recurrence->rule() : std::nullopt;
    if (!rule) return {};
    return TDLocalizedString("Repeats %@")
        .replace(QLatin1String("%@"), uncapitalizedString(rule->recurrenceDescription()));
}

void TDTask::makeNextRecurringCopiesIfNecessary() {
    // Each copy that still lies before today makes the next one; a loop, so that a long absence
    // cannot run the stack out.
    TDTask* task = this;
    QDateTime previousNextStart;
    while (TDTask* copy = task->p_makeNextRecurringCopy()) {
        const auto* recurrence = copy->objectAs<TDRecurrence>(kRecurrenceKey);
        const std::optional<TDRecurrenceRule> rule = recurrence ? recurrence->rule() : std::nullopt;
        if (!rule || !rule->nextStartDate().isValid() || rule->nextStartDate() >= startOfToday()) return;
        // A rule whose next start stands still would make copies without end.
        if (previousNextStart.isValid() && rule->nextStartDate() <= previousNextStart) {
            logWithLevel(TDLogError, "ERROR",
                         "Recurrence of task '%@' does not move on; stopped catching up.", copy->title());
            return;
        }
        previousNextStart = rule->nextStartDate();
        task = copy;
    }
}

TDTask* TDTask::p_makeNextRecurringCopy() {
    if (isDeleted()) return nullptr;
    auto* recurrence = objectAs<TDRecurrence>(kRecurrenceKey);
    std::optional<TDRecurrenceRule> stored = recurrence ? recurrence->rule() : std::nullopt;
    if (!stored) return nullptr;
    TDRecurrenceRule rule = *stored;
    const QDateTime now = TDClock::currentDateTime();

    if (!rule.repeatAfterCompletion() && !rule.nextStartDate().isValid()) {
        rule.setNextStartDate(rule.predictedNextStartDateOnOrAfterDate(now));
        if (const Status fixed = recurrence->setRule(rule); fixed)
            logWithLevel(TDLogWarning, "WARNING", "Fixed nil nextStartDate in recurrence rule for task '%@'",
                         title());
        else
            logRefusedRule(this, fixed.error());
    }

    if (const Status valid = rule.validate(); !valid) {
        logWithLevel(TDLogError, "ERROR",
                     "Could not create recurring copy for task '%@' because of rule validation error: %@",
                     title(), valid.error().detailedDescription());
        return nullptr;
    }

    if (const TDRecurrenceRule::End& end = rule.recurrenceEnd()) {
        if (end->usesEndDate()) {
            const QDateTime endDate = end->endDate();
            if (now >= endDate || orReferenceDate(rule.nextStartDate()) >= endDate ||
                orReferenceDate(startDate()) >= endDate)
                return nullptr;
        } else if (end->occurrenceCount() < 2) {
            return nullptr;
        }
    }

    // The dates come first: a rule that yields no further day ends the series without a copy.
    const QDateTime after = rule.repeatAfterCompletion() ? completedDate() : rule.nextStartDate();
    QDateTime nextStart;
    QDateTime nextDue;
    rule.getNextRecurringStartDate(&nextStart, &nextDue, after);
    if (!nextStart.isValid()) return nullptr;
    // The end date closes the series: no occurrence starts after it.
    if (const TDRecurrenceRule::End& end = rule.recurrenceEnd();
        end && end->usesEndDate() && nextStart > end->endDate())
        return nullptr;
    rule.setNextStartDate(nextStart);
    if (rule.usesOccurrenceCount()) rule.decrementOccurrenceCount();
    // Checked before the copy exists: a rule the store would refuse must not leave a copy behind that
    // starts the same occurrence again at the next completion.
    if (const Result<QByteArray> archived = TDArchivedDataWithRecurrenceRule(rule); !archived) {
        logRefusedRule(this, archived.error());
        return nullptr;
    }

    TDLibrary* owner = library();
    if (!owner) return nullptr;
    Result<TDLibraryObject*> made =
        owner->createEntityNamed(QStringLiteral("Task"), propertyListRepresentationForRecurrenceCopying());
    if (!made) {
        logWithLevel(TDLogError, "ERROR", "Could not create recurring copy for task '%@': %@", title(),
                     made.error().detailedDescription());
        return nullptr;
    }
    auto* copy = static_cast<TDTask*>(*made);
    if (parentObject()) insertSibling(copy, true);

    copy->setStartDate(nextStart);
    copy->setDueDate(nextDue);
    copy->setObject(kRecurrenceKey, recurrence);
    if (const Status moved = recurrence->setRule(rule); !moved) logRefusedRule(copy, moved.error());
    return copy;
}

void TDLibrary::createRecurringTasksIfNecessary() {
    // Through the recurrences, which are few, rather than a test of every task: this runs when the
    // library opens on a new day.
    const Result<QList<platform::ManagedObject*>> recurrences = fetch(QStringLiteral("Recurrence"));
    if (!recurrences) {
        logWithLevel(TDLogError, "ERROR", "Problem while fetching recurring tasks: %@",
                     recurrences.error().detailedDescription());
        return;
    }
    QList<platform::ManagedObject*> open;
    for (platform::ManagedObject* recurrence : *recurrences) {
        platform::ManagedObject* task = recurrence->object(QStringLiteral("task"));
        if (task && !task->value(QStringLiteral("completedDate")).isValid()) open.append(task);
    }
    const QDateTime today = startOfToday();
    for (platform::ManagedObject* object : std::as_const(open)) {
        auto* task = TDTask::from(object);
        if (!task || task->isDeleted()) continue;
        const auto* recurrence = task->objectAs<TDRecurrence>(kRecurrenceKey);
        const std::optional<TDRecurrenceRule> rule = recurrence ? recurrence->rule() : std::nullopt;
        if (!rule || rule->repeatAfterCompletion()) continue;
        // A rule without a next start is repaired by the copy.
        if (rule->nextStartDate().isValid() && !(today > rule->nextStartDate())) continue;
        // Copies made here are the same on every machine: the sync service does not hear of them.
        TDSyncSet* syncSet = corvaneSyncSet(false);
        const bool wasDisabled = syncSet && syncSet->isAddingDisabled();
        if (syncSet) syncSet->setAddingDisabled(true);
        task->makeNextRecurringCopiesIfNecessary();
        if (syncSet) syncSet->setAddingDisabled(wasDisabled);
    }
}
