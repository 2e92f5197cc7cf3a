#include "taskviews/title_elision.h"

#include "taskviews/task_title_layout.h"

#include <algorithm>

namespace {

const QChar kEllipsis(0x2026);
const QChar kZeroWidthSpace(0x200B);

// The characters from `from` to `end` with their formats and tokens, blanks before the cut dropped, and
// an ellipsis in the plain task font after them.
TDStyledTitle sliceWithEllipsis(const TDStyledTitle& title, qsizetype from, qsizetype end) {
    while (end > from && (title.text.at(end - 1).isSpace() || title.text.at(end - 1) == kZeroWidthSpace))
        --end;
    TDStyledTitle cut;
    cut.text = title.text.mid(from, end - from) + kEllipsis;
    for (QTextLayout::FormatRange range : title.formats) {
        const qsizetype start = std::max<qsizetype>(range.start, from);
        range.length = std::min<qsizetype>(range.start + range.length, end) - start;
        range.start = start - from;
        if (range.length > 0) cut.formats << range;
    }
    for (TDTitleParser::Range token : title.tokenRanges) {
        const qsizetype start = std::max<qsizetype>(token.location, from);
        token.length = std::min<qsizetype>(token.location + token.length, end) - start;
        token.location = start - from;
        if (token.length > 0) cut.tokenRanges << token;
    }
    return cut;
}

}  // namespace

TDStyledTitle TDElidedTitle(const TDStyledTitle& title, qreal width, int maxLines) {
    maxLines = std::max(maxLines, 1);
    const TDTitleTextLayout whole(title, width);
    // A line may come out wider than the width where its font differs from the one it was broken by.
    if (whole.lines().size() <= maxLines && whole.naturalWidth() <= width) return title;
    // The lines before the last one stay as they are; the last keeps the longest run of the rest that
    // fits the width with its ellipsis, cut between any two characters (a token, which never breaks, may
    // be cut through). Fewer characters never take more room.
    const TDTitleParser::Range& last =
        whole.lines().at(std::min<qsizetype>(maxLines, whole.lines().size()) - 1);
    const qreal unbounded = 1e6;
    qsizetype fits = last.location;
    qsizetype tooLong = title.text.size() + 1;
    while (tooLong - fits > 1) {
        const qsizetype middle = (fits + tooLong) / 2;
        // The line breaks measure roughly: the cut must both keep to its lines and truly fit.
        const bool keepsItsLines =
            TDTitleTextLayout(sliceWithEllipsis(title, 0, middle), width).lines().size() <= maxLines;
        if (keepsItsLines &&
            TDTitleTextLayout(sliceWithEllipsis(title, last.location, middle), unbounded).naturalWidth() <=
                width)
            fits = middle;
        else
            tooLong = middle;
    }
    return sliceWithEllipsis(title, 0, fits);
}
