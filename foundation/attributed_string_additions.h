#pragma once

#include "foundation/range.h"

#include <QColor>
#include <QFont>
#include <QTextDocument>
#include <QUrl>

#include <memory>
#include <optional>

// Additions to rich text, which lives in a QTextDocument. Indices are the positions of the document's
// characters, the same as those of its toPlainText().

// The link at the index, with the run of characters that carry the same link (or, without a link, the
// run that carries none) written to effectiveRange. A link kept as text becomes a URL; a link value of
// another kind is logged and gives an empty URL, as does no link. Runs end at paragraph ends.
QUrl URLOfLinkAtIndex(const QTextDocument& text, qsizetype index, TDRange* effectiveRange = nullptr);

// A copy in which links are made of mail-message addresses ("message:" in any case; "%3c" and "%3e"
// in the shown text become "<" and ">", the link keeps them escaped) and of the web and mail addresses
// of detectedLinks. Text that already is a link keeps its link.
std::unique_ptr<QTextDocument> linkifiedString(const QTextDocument& text);

// Whether the text has formatting beyond the plain notes style: more than one run of character or
// paragraph formats, lists or tables, a font other than the notes font, a colour other than the notes
// colour, or anything else (links, attachments, underlines). Empty text is never rich. The first form
// takes the notes font and colour from TDConstants.
bool isRichText(const QTextDocument& text);
bool isRichText(const QTextDocument& text, const std::optional<QFont>& notesFont, const QColor& notesColor);
