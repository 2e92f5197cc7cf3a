#pragma once

#include "language/title_parser.h"
#include "taskviews/task_row_facts.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>
#include <QTextCharFormat>
#include <QTextFormat>
#include <QTextLayout>

// Character properties of a styled title: YES on every character of a tag token, markers included,
// and on a suggested, not yet accepted suffix.
inline constexpr int TDTokenProperty = QTextFormat::UserProperty + 1;
inline constexpr int TDPredictedTokenProperty = QTextFormat::UserProperty + 2;

// The fonts and colours titles are styled with. Font sizes count as device-independent pixels, like
// every other measure of the task rows, so a 12-point task font makes the 15-point lines rows are
// built on.
struct TDTitleFonts {
    QFont task;
    QFont tag;
    QFont pastDue;
    QFont dueSoon;
    QFont pastStart;
    QColor tagColor;
    QColor contextTagColor;
    QColor doneTextColor;    // completed and canceled titles
    QColor paleYellow;       // the yellow look's highlight blend
    QColor selectedControl;  // the selection colour selected tokens lean toward

    // From the shared constants (the user's font settings).
    static const TDTitleFonts& shared();
    // A font sized in device-independent pixels rather than points.
    static QFont rowFont(const QFont& font);
};

// A title as text with format ranges. `formats` may overlap; later ranges win, as in QTextLayout.
struct TDStyledTitle {
    QString text;
    QList<QTextLayout::FormatRange> formats;
    QList<TDTitleParser::Range> tokenRanges;  // in `text`, the zero-width spaces of display left out

    // The merged format of one character.
    QTextCharFormat formatAt(qsizetype index) const;
    // The same formats as non-overlapping runs covering the text, in order.
    QList<QTextLayout::FormatRange> flattenedFormats() const;
    bool isTokenAt(qsizetype index) const { return formatAt(index).boolProperty(TDTokenProperty); }
};

// How a row shows its title.
struct TDTitleContext {
    bool selected = false;    // selected, and no row is being edited
    bool key = true;          // the outline is first responder in the key window of the active program
    bool editing = false;     // the title is being edited: no filter highlight
    bool yellowLook = false;  // display modes 1 and 3
    bool insideOutline = true;
    QString filterText;  // the title filter's text, null when no filter applies
};

// The token look over a range: tag or context colour behind the tag font, no strikethrough, the
// marker (and a closing "/") in the task font at 40 % black. False, logged, for an empty range.
bool TDAddTokenAttributes(TDStyledTitle& title, TDTitleParser::Range range, bool selected, bool key,
                          qreal fontSize = 0, const TDTitleFonts& fonts = TDTitleFonts::shared());

// The title as a row shows it (forDisplay: a zero-width space before every token, so a line may break
// there) or as the editor holds it.
TDStyledTitle TDAttributedTitle(const TDTaskRowFacts& facts, const TDTitleContext& context, bool forDisplay,
                                const TDTitleFonts& fonts = TDTitleFonts::shared());

// A suggestion appended to a title: grey text in the tag font, each token on its own colour, a softer
// lead-in space when the title does not end in one.
void TDAppendPredictedTokens(TDStyledTitle& title, const QList<TDToken>& tokens,
                             const TDTitleFonts& fonts = TDTitleFonts::shared());

// The card's large title at the size (the user's "cardTaskTitleFontSize" when 0).
TDStyledTitle TDBigAttributedTitle(const TDTaskRowFacts& facts, qreal fontSize = 0,
                                   const TDTitleFonts& fonts = TDTitleFonts::shared());

// Where the lines of a title break at the width: after white space or a zero-width space, never inside
// a token and never between a lone "/" and its word; a word wider than a line is cut, a token never.
// Each line is (start, length) in the title's text.
QList<TDTitleParser::Range> TDTitleLineBreaks(const TDStyledTitle& title, qreal width);
// The same from the title already set on one unbounded line in the task font, so that a title that fits
// is shaped once.
QList<TDTitleParser::Range> TDTitleLineBreaks(const TDStyledTitle& title, qreal width,
                                              const QTextLine& whole);

// Lines are at least 15 high.
inline constexpr qreal TDMinimumTitleLineHeight = 15.0;
