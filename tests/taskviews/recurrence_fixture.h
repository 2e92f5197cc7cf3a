#pragma once

#include "model/natural_language_recurrence_rule_value_transformer.h"
#include "model/recurrence.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/undo/undo_manager.h"
#include "tests/taskviews/tasks_controller_fixture.h"

#include <QCoreApplication>

namespace taskviewstest {

// Tasks that repeat by typed rules, and the undo steps recorded since the last settle().
class RecurrenceTest : public TasksControllerTest {
protected:
    static std::optional<TDRecurrenceRule> rule(const QString& text) {
        return TDNaturalLanguageRecurrenceRuleValueTransformer::ruleFromString(text,
                                                                               TDClock::currentDateTime());
    }

    // The task repeats by the rule of the text (none for empty text).
    void giveRule(TDTask* task, const QString& text) {
        if (text.isEmpty()) return;
        auto* recurrence =
            task->managedObjectContext()->insertObject<TDRecurrence>(QStringLiteral("Recurrence"));
        ASSERT_TRUE(recurrence->setRule(rule(text)).ok());
        task->setObject(QStringLiteral("recurrence"), recurrence);
    }

    static std::optional<TDRecurrenceRule> ruleOf(const TDTask* task) {
        const auto* recurrence = task->objectAs<TDRecurrence>(QStringLiteral("recurrence"));
        return recurrence && !recurrence->isDeleted() ? recurrence->rule() : std::nullopt;
    }

    // Ends the event's undo group and forgets every step so far.
    void settle() {
        processChanges();
        QCoreApplication::processEvents();
        manager->undoManager()->removeAllActions();
    }

    // The names of the steps recorded since settle(), newest first (the event's group is closed first).
    QStringList undoSteps() {
        processChanges();
        QCoreApplication::processEvents();
        platform::UndoManager* undo = manager->undoManager();
        QStringList steps;
        while (undo->canUndo()) {
            steps << undo->undoActionName();
            undo->undo();
        }
        while (undo->canRedo()) undo->redo();
        return steps;
    }
};

}  // namespace taskviewstest
