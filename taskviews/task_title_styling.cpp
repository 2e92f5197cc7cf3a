#include "taskviews/task_title_styling.h"

#include "controls/color_level_additions.h"
#include "foundation/constants.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace {

QColor blended(const QColor& from, qreal fraction, const QColor& toward) {
    auto mix = [fraction](float a, float b) { return float(a + (b - a) * fraction); };
    return QColor::fromRgbF(mix(from.redF(), toward.redF()), mix(from.greenF(), toward.greenF()),
                            mix(from.blueF(), toward.blueF()), mix(from.alphaF(), toward.alphaF()));
}

QColor grey(float level, float alpha = 1.0f) {
    return QColor::fromRgbF(level, level, level, alpha);
}

QFont sized(const QFont& font, qreal size) {
    if (size <= 0) return font;
    QFont resized = font;
    resized.setPixelSize(int(std::lround(size)));
    return resized;
}

QTextLayout::FormatRange range(qsizetype start, qsizetype length, const QTextCharFormat& format) {
    QTextLayout::FormatRange formatRange;
    formatRange.start = int(start);
    formatRange.length = int(length);
    formatRange.format = format;
    return formatRange;
}

QTextCharFormat fontFormat(const QFont& font) {
    QTextCharFormat format;
    format.setFont(font, QTextCharFormat::FontPropertiesAll);
    return format;
}

// The base look of a title by its task's state: the first of canceled, past due, due soon, past start
// that holds, else the task font, grey when completed.
QTextCharFormat baseFormat(const TDTaskRowFacts& facts, const TDTitleFonts& fonts, qreal size) {
    if (facts.canceled) {
        QTextCharFormat format = fontFormat(sized(fonts.task, size));
        format.setFontStrikeOut(true);
        format.setForeground(fonts.doneTextColor);
        return format;
    }
    if (facts.pastDue) return fontFormat(sized(fonts.pastDue, size));
    if (facts.dueSoon) return fontFormat(sized(fonts.dueSoon, size));
    if (facts.pastStart) return fontFormat(sized(fonts.pastStart, size));
    QTextCharFormat format = fontFormat(sized(fonts.task, size));
    format.setForeground(facts.completed ? fonts.doneTextColor : QColor::fromRgbF(0, 0, 0, 0.847059f));
    return format;
}

void addTokenLooks(TDStyledTitle& title, bool selected, bool key, qreal size, const TDTitleFonts& fonts) {
    title.tokenRanges = TDTitleParser::tokenRangesFromEditingString(title.text);
    for (const TDTitleParser::Range& token : title.tokenRanges)
        TDAddTokenAttributes(title, token, selected, key, size, fonts);
}

// Inserts a zero-width space before every token, last first so earlier positions hold; the token
// ranges stay in the text without them.
void insertBreakHints(TDStyledTitle& title) {
    for (auto token = title.tokenRanges.crbegin(); token != title.tokenRanges.crend(); ++token) {
        const int at = int(token->location);
        title.text.insert(at, TDZeroWidthSpace);
        for (QTextLayout::FormatRange& formatRange : title.formats) {
            if (formatRange.start >= at)
                ++formatRange.start;
            else if (formatRange.start + formatRange.length > at)
                ++formatRange.length;
        }
    }
    for (qsizetype index = 0; index < title.tokenRanges.size(); ++index)
        title.tokenRanges[index].location += index + 1;
}

}  // namespace

const TDTitleFonts& TDTitleFonts::shared() {
    static const TDTitleFonts fonts = [] {
        const TDConstants& constants = TDConstants::shared();
        TDTitleFonts made;
        made.task = rowFont(constants.TDTaskFont.value_or(QFont()));
        // Where a font the settings name is not installed, the task font in the registered style
        // stands in, so the states still read apart.
        QFont oblique = made.task;
        oblique.setItalic(true);
        QFont bold = made.task;
        bold.setBold(true);
        made.tag = rowFont(constants.TDTaskTagFont.value_or(oblique));
        made.pastDue = rowFont(constants.TDTaskPastDueFont.value_or(bold));
        made.dueSoon = rowFont(constants.TDTaskDueSoonFont.value_or(bold));
        made.pastStart = rowFont(constants.TDTaskPastStartFont.value_or(bold));
        made.tagColor = constants.TDTagTokenColor;
        made.contextTagColor = constants.TDContextTagTokenColor;
        made.doneTextColor = constants.TDCompletedTaskTextColor;
        made.paleYellow = constants.TDSelectionBlendColor;
        made.selectedControl = QColor(0x33, 0x8f, 0xe9);
        return made;
    }();
    return fonts;
}

QFont TDTitleFonts::rowFont(const QFont& font) {
    // Text formats carry weight and slant, not style names: "Bold" or "Oblique" becomes those.
    QFont row = font;
    const QString style = font.styleName();
    if (style.contains(QLatin1String("Bold"), Qt::CaseInsensitive)) row.setBold(true);
    if (style.contains(QLatin1String("Oblique"), Qt::CaseInsensitive) ||
        style.contains(QLatin1String("Italic"), Qt::CaseInsensitive))
        row.setItalic(true);
    row.setStyleName(QString());
    if (row.pixelSize() > 0) return row;
    return sized(row, row.pointSizeF() > 0 ? row.pointSizeF() : 12.0);
}

QTextCharFormat TDStyledTitle::formatAt(qsizetype index) const {
    QTextCharFormat merged;
    for (const QTextLayout::FormatRange& formatRange : formats)
        if (index >= formatRange.start && index < formatRange.start + formatRange.length)
            merged.merge(formatRange.format);
    return merged;
}

QList<QTextLayout::FormatRange> TDStyledTitle::flattenedFormats() const {
    QList<int> edges = {0, int(text.size())};
    for (const QTextLayout::FormatRange& formatRange : formats)
        edges << formatRange.start << formatRange.start + formatRange.length;
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    QList<QTextLayout::FormatRange> runs;
    for (qsizetype edge = 0; edge + 1 < edges.size(); ++edge) {
        const int start = edges[edge];
        const int end = edges[edge + 1];
        if (start < 0 || end > text.size() || start >= end) continue;
        runs << range(start, end - start, formatAt(start));
    }
    return runs;
}

bool TDAddTokenAttributes(TDStyledTitle& title, TDTitleParser::Range token, bool selected, bool key,
                          qreal fontSize, const TDTitleFonts& fonts) {
    if (token.length <= 0 || token.location < 0 || token.location + token.length > title.text.size()) {
        logWithLevel(TDLogWarning, "WARNING", "Trying to set attributes to an invalid range: %@",
                     QStringLiteral("{%1, %2}").arg(token.location).arg(token.length));
        return false;
    }
    const QString tokenText = title.text.mid(token.location, token.length);
    const QColor color = TDTitleParser::isContextTag(tokenText) ? fonts.contextTagColor : fonts.tagColor;

    QTextCharFormat body = fontFormat(sized(fonts.tag, fontSize));
    body.setFontStrikeOut(false);
    body.setProperty(TDTokenProperty, true);
    if (!selected) {
        body.setBackground(color);
        body.setForeground(grey(0.2f));
    } else {
        body.setBackground(blended(color, 0.35, key ? fonts.selectedControl : grey(0.8f)));
        body.setForeground(QColor(Qt::black));
    }
    title.formats << range(token.location, token.length, body);

    QTextCharFormat marker = fontFormat(sized(fonts.task, fontSize));
    marker.setForeground(QColor::fromRgbF(0, 0, 0, 0.4f));
    marker.setFontStrikeOut(false);
    marker.setProperty(TDTokenProperty, true);
    title.formats << range(token.location, 1, marker);
    const qsizetype last = token.location + token.length - 1;
    if (token.length > 1 && title.text.at(last) == title.text.at(token.location))
        title.formats << range(last, 1, marker);
    return true;
}

TDStyledTitle TDAttributedTitle(const TDTaskRowFacts& facts, const TDTitleContext& context, bool forDisplay,
                                const TDTitleFonts& fonts) {
    TDStyledTitle title;
    title.text = facts.title;
    title.formats << range(0, title.text.size(), baseFormat(facts, fonts, 0));

    if (context.insideOutline && !context.editing && !context.filterText.isEmpty()) {
        QTextCharFormat match;
        match.setBackground(context.yellowLook ? blended(grey(0.8f), 0.4, fonts.paleYellow) : grey(0.8f));
        match.setForeground(QColor(Qt::black));
        for (qsizetype at = title.text.indexOf(context.filterText, 0, Qt::CaseInsensitive); at >= 0;
             at = title.text.indexOf(context.filterText, at + context.filterText.size(), Qt::CaseInsensitive))
            title.formats << range(at, context.filterText.size(), match);
    }
    addTokenLooks(title, context.insideOutline && context.selected, context.key, 0, fonts);
    if (forDisplay) insertBreakHints(title);
    return title;
}

void TDAppendPredictedTokens(TDStyledTitle& title, const QList<TDToken>& tokens, const TDTitleFonts& fonts) {
    if (tokens.isEmpty()) return;
    QTextCharFormat predicted = fontFormat(fonts.tag);
    predicted.setForeground(grey(0.6f));
    predicted.setProperty(TDTokenProperty, true);
    predicted.setProperty(TDPredictedTokenProperty, true);
    auto colorOf = [&fonts](const TDToken& token) {
        return TDTitleParser::isContextTag(token.title()) ? fonts.contextTagColor : fonts.tagColor;
    };
    auto append = [&title, &predicted](const QString& text, const QColor& background) {
        QTextCharFormat format = predicted;
        format.setBackground(background);
        title.formats << range(title.text.size(), text.size(), format);
        title.text += text;
    };
    if (!title.text.endsWith(QLatin1Char(' ')))
        append(QStringLiteral(" "), highlightWithLevel(colorOf(tokens.first()), 0.5));
    for (qsizetype index = 0; index < tokens.size(); ++index) {
        if (index > 0) append(QStringLiteral(" "), colorOf(tokens[index]));
        append(tokens[index].editingString(), colorOf(tokens[index]));
    }
}

TDStyledTitle TDBigAttributedTitle(const TDTaskRowFacts& facts, qreal fontSize, const TDTitleFonts& fonts) {
    if (fontSize <= 0)
        fontSize =
            qreal(int(platform::UserDefaults::standard().real(QStringLiteral("cardTaskTitleFontSize"))));
    if (fontSize <= 0) fontSize = 18;
    TDStyledTitle title;
    title.text = facts.title;
    QTextCharFormat base = baseFormat(facts, fonts, fontSize);
    if (!facts.canceled && !facts.pastDue && !facts.dueSoon && !facts.pastStart && !facts.completed)
        base.setForeground(QColor(Qt::black));
    title.formats << range(0, title.text.size(), base);
    addTokenLooks(title, false, true, fontSize, fonts);
    return title;
}

QList<TDTitleParser::Range> TDTitleLineBreaks(const TDStyledTitle& title, qreal width) {
    if (title.text.isEmpty()) return {{0, 0}};
    // Where each character starts on one unbounded line.
    QTextLayout measure(title.text, TDTitleFonts::shared().task);
    measure.setFormats(title.flattenedFormats());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    measure.setTextOption(option);
    measure.beginLayout();
    QTextLine whole = measure.createLine();
    whole.setNumColumns(int(title.text.size()));
    measure.endLayout();
    return TDTitleLineBreaks(title, width, whole);
}

QList<TDTitleParser::Range> TDTitleLineBreaks(const TDStyledTitle& title, qreal width,
                                              const QTextLine& whole) {
    const QString& text = title.text;
    if (text.isEmpty()) return {{0, 0}};
    auto x = [&whole](qsizetype index) { return whole.cursorToX(int(index)); };
    auto lineWidth = [&](qsizetype start, qsizetype end) {
        while (end > start && (text.at(end - 1).isSpace() || text.at(end - 1) == QChar(0x200B))) --end;
        return x(end) - x(start);
    };
    // Most titles fit on one line: left to right, no break before the end could make a shorter one.
    const bool leftToRight = std::none_of(text.begin(), text.end(), [](QChar c) {
        const QChar::Direction direction = c.direction();
        return direction == QChar::DirR || direction == QChar::DirAL || direction == QChar::DirRLE ||
               direction == QChar::DirRLO || direction == QChar::DirRLI;
    });
    if (leftToRight && lineWidth(0, text.size()) <= width) return {{0, text.size()}};

    QList<qsizetype> breaks;  // the offsets a line may start at
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0 && at < text.size(); at = finder.toNextBoundary()) {
        const bool inToken = title.isTokenAt(at) && title.isTokenAt(at - 1);
        const bool afterLoneSlash =
            text.at(at - 1) == QLatin1Char('/') && at >= 2 && text.at(at - 2).isSpace();
        if (!inToken && !afterLoneSlash) breaks << at;
    }
    breaks << text.size();

    QList<TDTitleParser::Range> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = -1;
        for (qsizetype candidate : breaks) {
            if (candidate <= start) continue;
            if (end >= 0 && lineWidth(start, candidate) > width) break;
            if (end < 0 && lineWidth(start, candidate) > width && !title.isTokenAt(start)) {
                // A word wider than the line: cut it where it stops fitting.
                qsizetype cut = start + 1;
                while (cut < candidate && lineWidth(start, cut + 1) <= width) ++cut;
                end = cut;
                break;
            }
            end = candidate;
        }
        if (end < 0) end = text.size();
        lines << TDTitleParser::Range{start, end - start};
        start = end;
    }
    return lines;
}
