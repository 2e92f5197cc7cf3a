#include "model/task_notes_text.h"

#include "model/task.h"
#include "model/task_notes.h"
#include "platform/objectstore/managed_object_context.h"

#include <QTextDocument>

QString TDTaskNotesString(const TDTask* task) {
    const auto* notes = task->objectAs<TDTaskNotes>(QStringLiteral("notes"));
    return notes ? notes->string() : QString();
}

void TDSetTaskNotes(TDTask* task, const QTextDocument* text) {
    auto* notes = task->objectAs<TDTaskNotes>(QStringLiteral("notes"));
    if (!text || text->isEmpty()) {
        if (notes) notes->setAttributedString(nullptr);
        return;
    }
    if (!notes) {
        notes = task->managedObjectContext()->insertObject<TDTaskNotes>(QStringLiteral("TaskNotes"));
        task->setObject(QStringLiteral("notes"), notes);
        task->setValue(QStringLiteral("notesUID"), notes->uid());
    }
    notes->setAttributedString(text);
}
