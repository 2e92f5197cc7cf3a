#include "taskviews/notes_comparison.h"

#include "model/task_notes.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace {

bool isBlank(const QTextDocument* text) {
    return !text || text->isEmpty();
}

// The characters with their formats, attachments as their file links, in a document of default settings.
QString comparableForm(const QTextDocument& text) {
    QTextDocument plain;
    QTextCursor(&plain).insertFragment(QTextDocumentFragment(&text));
    return TDTaskNotes::convertAttachmentsToFileURLsInAttributedString(plain)->toHtml();
}

}  // namespace

bool TDNotesDiffer(const QTextDocument* stored, const QTextDocument* edited) {
    if (isBlank(stored) || isBlank(edited)) return isBlank(stored) != isBlank(edited);
    if (stored->toPlainText() != edited->toPlainText()) return true;
    return comparableForm(*stored) != comparableForm(*edited);
}
