#pragma once

#include "foundation/range.h"

#include <QList>
#include <QString>

// The words of a paragraph that a spelling check reads: runs of letters (an apostrophe inside a word
// belongs to it), leaving out tag and context tokens ("/phone", "/house repairs/", "@office"), web
// and mail addresses, words holding digits or underscores, and the excluded ranges (links and
// attached files of the notes).
QList<TDRange> TDSpellCheckedWords(const QString& text, const QList<TDRange>& excluded = {});
