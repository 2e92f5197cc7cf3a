#include "taskviews/task_row_facts.h"

#include "model/task.h"

#include <QTextDocument>

TDTaskRowFacts TDTaskRowFacts::fromTask(const TDTask* task) {
    TDTaskRowFacts facts;
    if (!task) return facts;
    facts.title = task->title();
    facts.checkboxState = task->checkboxState();
    facts.recurring = task->isRecurring();
    facts.completed = task->isCompleted();
    facts.canceled = task->isCanceled();
    facts.pastDue = task->isPastDue();
    facts.dueSoon = task->isDueSoon();
    facts.pastStart = task->isPastStart();
    facts.priority = task->priority();
    facts.notes = task->notesString();
    if (const auto summary = task->attributedNotesSummary()) facts.notesSummary = summary->toPlainText();
    facts.recurrenceDescription = task->recurrenceDescription();
    return facts;
}
