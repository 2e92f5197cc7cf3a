#pragma once

#include <QString>

class TDTask;

// What a task row shows of its task, read once per paint or measure so that layout, styling and
// hit tests work on plain values.
struct TDTaskRowFacts {
    QString title;             // the editing form, tokens included
    qint64 checkboxState = 0;  // -1 some subtask completed, 0 open, 1 completed, 2 canceled, 3 timing,
                               // 4 past due, 5 recurring
    bool recurring = false;
    bool completed = false;
    bool canceled = false;
    bool pastDue = false;
    bool dueSoon = false;
    bool pastStart = false;
    qint64 priority = 0;
    QString notes;                  // the notes' plain text, empty without notes
    QString notesSummary;           // the one-line summary the collapsed notes line shows
    QString recurrenceDescription;  // "Repeats …", null for a task that does not repeat

    static TDTaskRowFacts fromTask(const TDTask* task);
};
