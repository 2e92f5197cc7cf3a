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

// A copy of the text. (QTextDocument::clone crashes on empty text whose paragraph belongs to a list,
// which HTML from outside can make: an empty text is copied as a new empty one.)
std::unique_ptr<QTextDocument> copyOfText(const QTextDocument& text);

// The link at the index, with the run of characters that carry the same link (or, without a link, the
// run that carries none) written to effectiveRange. A link kept as text becomes a URL; a link value of
// another kind is logged and gives an empty URL, as does no link. Runs end at paragraph ends.
QUrl URLOfLinkAtIndex(const QTextDocument& text, qsizetype index, TDRange* effectiveRange = nullptr);

// The runs of characters that carry a link, in order, each with its link (links of a kind that is not
// a URL or text are left out, logged). One pass over the text.
struct TDLinkRange {
    TDRange range;
    QUrl url;
};
QList<TDLinkRange> linkRanges(const QTextDocument& text);

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

// The text as HTML to go inside another page: its body's content, without the document, head and body
// elements (nor scripts); the empty string for empty text.
QString HTMLString(const QTextDocument& text);
