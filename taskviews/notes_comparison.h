#pragma once

class QTextDocument;

// Whether edited notes differ from the stored ones in text, formatting, links or attached files;
// nothing and an empty text are the same notes. The documents' own settings (default font, margins)
// do not count: an editor sets its own.
bool TDNotesDiffer(const QTextDocument* stored, const QTextDocument* edited);
