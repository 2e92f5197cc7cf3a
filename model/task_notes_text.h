#pragma once

#include <QString>

class QTextDocument;
class TDTask;

// A task's notes as whole texts, for code that fills tasks from outside data: the notes object is made
// on first use and dropped never, only emptied.
QString TDTaskNotesString(const TDTask* task);
// nullptr or an empty text clears the notes.
void TDSetTaskNotes(TDTask* task, const QTextDocument* text);
