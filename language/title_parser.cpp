#include "language/title_parser.h"

#include "language/natural_language_future_date_value_transformer.h"
#include "language/natural_language_time_interval_value_transformer.h"
#include "language/text_scanner.h"

#include <algorithm>
#include <cmath>

namespace {

bool isSpace(QChar c) {
    return c.isSpace();
}
bool isControl(QChar c) {
    return c.category() == QChar::Other_Control;
}
bool isLineTerminator(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

// The end of the tag token that starts at `start` (a "/" at the start of the text or after white
// space), or -1. Mirrors a lazy pattern: the shortest name first, then a closing marker right after
// the first word, then a run of words up to the next marker, then the bare word.
qsizetype tagTokenEnd(QStringView text, qsizetype start) {
    const qsizetype n = text.size();
    const auto endsHere = [&](qsizetype p) { return p == n || isSpace(text.at(p)); };
    qsizetype wordEnd = start + 1;
    while (wordEnd < n && !isSpace(text.at(wordEnd)) && text.at(wordEnd) != TDTagPrefix) ++wordEnd;
    if (wordEnd < start + 2) return -1;
    qsizetype marker = wordEnd;
    while (marker < n && text.at(marker) != TDTagPrefix) ++marker;
    // A run up to the next marker must end in a visible character and hold no control characters
    // after the part of the name it starts from.
    const bool runEnds = marker < n && !isSpace(text.at(marker - 1)) && endsHere(marker + 1);
    qsizetype runStart = start + 2;
    for (qsizetype p = marker - 2; runEnds && p >= start + 2; --p) {
        if (isControl(text.at(p))) {
            runStart = p + 1;
            break;
        }
    }
    const bool runFits = runEnds && runStart <= marker - 1;
    if (runFits && runStart < wordEnd) return marker + 1;
    if (wordEnd < n && text.at(wordEnd) == TDTagPrefix && endsHere(wordEnd + 1)) return wordEnd + 1;
    if (runFits && runStart <= wordEnd) return marker + 1;
    if (endsHere(wordEnd)) return wordEnd;
    return -1;
}

QList<TDTitleParser::Range> tokenRanges(QStringView text) {
    QList<TDTitleParser::Range> ranges;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (i > 0 && !isSpace(text.at(i - 1))) {
            ++i;
            continue;
        }
        qsizetype end = -1;
        if (text.at(i) == TDTagPrefix) {
            end = tagTokenEnd(text, i);
        } else if (text.at(i) == TDContextTagPrefix) {
            qsizetype j = i + 1;
            while (j < n && !isSpace(text.at(j))) ++j;
            if (j > i + 1) end = j;
        }
        if (end > i) {
            ranges << TDTitleParser::Range{i, end - i};
            i = end;
        } else {
            ++i;
        }
    }
    return ranges;
}

bool isAllSpace(QStringView text) {
    for (QChar c : text)
        if (!isSpace(c)) return false;
    return true;
}

// Every white-space separated word with its first letter upper-cased and the rest lower-cased.
QString capitalizedWords(const QString& text) {
    QString result = text.toLower();
    bool wordStart = true;
    for (qsizetype i = 0; i < result.size(); ++i) {
        if (isSpace(result.at(i))) {
            wordStart = true;
        } else if (wordStart) {
            result[i] = result.at(i).toUpper();
            wordStart = false;
        }
    }
    return result;
}

// Only a whole "/p1" to "/p9" (or "p1" to "p9") names a priority; "/step2" is a tag.
int priorityOfToken(const QString& text) {
    const QStringView rest = text.startsWith(TDTagPrefix) ? QStringView(text).mid(1) : QStringView(text);
    if (rest.size() != 2 || (rest.at(0) != QLatin1Char('p') && rest.at(0) != QLatin1Char('P'))) return 0;
    const char16_t digit = rest.at(1).unicode();
    return digit >= '1' && digit <= '9' ? int(digit - '0') : 0;
}

// "3h", "1.5d", "20m", "2w" as seconds, counting calendar days and weeks.
std::optional<double> shortEstimate(const QString& text) {
    if (text.size() < 2) return std::nullopt;
    float factor = 0;
    switch (text.back().toLower().unicode()) {
        case 'd':
            factor = 86400;
            break;
        case 'h':
            factor = 3600;
            break;
        case 'm':
            factor = 60;
            break;
        case 'w':
            factor = 604800;
            break;
        default:
            return std::nullopt;
    }
    TDTextScanner scanner(QStringView(text).chopped(1));
    const std::optional<double> number = scanner.scanDecimal();
    if (!number || !(*number > 0)) return std::nullopt;
    const float seconds = float(*number) * factor;
    if (!std::isfinite(seconds) || seconds > 1e12f) return std::nullopt;
    return std::trunc(double(seconds));
}

}  // namespace

QList<TDTitleParser::Range> TDTitleParser::tokenRangesFromEditingString(const QString& text) {
    return tokenRanges(text);
}

bool TDTitleParser::isTokenEditingString(const QString& text) {
    return !tokenRanges(text).isEmpty();
}

QStringList TDTitleParser::tokenEditingStringsFromString(const QString& text) {
    QStringList strings;
    for (const Range& range : tokenRanges(text)) strings << text.mid(range.location, range.length);
    return strings;
}

QStringList TDTitleParser::tokenTitlesFromEditingString(const QString& text) {
    QStringList titles;
    for (const QString& token : tokenEditingStringsFromString(text)) {
        const QString title = tagTitleFromEditingString(token);
        if (!title.isEmpty()) titles << title;
    }
    return titles;
}

QString TDTitleParser::titleWithoutTagsFromEditingString(const QString& text) {
    // The run of tokens that ends the title goes, with the white space around it.
    QString title = text;
    const QList<Range> ranges = tokenRanges(title);
    qsizetype first = ranges.size() - 1;
    if (first >= 0 &&
        isAllSpace(QStringView(title).mid(ranges.at(first).location + ranges.at(first).length))) {
        while (first > 0) {
            const qsizetype gapStart = ranges.at(first - 1).location + ranges.at(first - 1).length;
            if (!isAllSpace(QStringView(title).mid(gapStart, ranges.at(first).location - gapStart))) break;
            --first;
        }
        qsizetype cut = ranges.at(first).location;
        while (cut > 0 && isSpace(title.at(cut - 1))) --cut;
        title.truncate(cut);
    }

    // The other tokens become their tag names; one that opens the title is capitalized.
    QString plain;
    qsizetype copied = 0;
    for (const Range& range : tokenRanges(title)) {
        QString name = tagTitleFromEditingString(title.mid(range.location, range.length));
        if (name.isNull()) continue;
        if (name.startsWith(TDContextTagPrefix)) name.remove(0, 1);
        if (range.location == 0) name = capitalizedWords(name);
        plain += QStringView(title).mid(copied, range.location - copied);
        plain += name;
        copied = range.location + range.length;
    }
    plain += QStringView(title).mid(copied);
    return plain;
}

std::optional<QList<TDToken>> TDTitleParser::parsedTokensFromEditingString(const QString& text) {
    if (!text.contains(TDTagPrefix) && !text.contains(TDContextTagPrefix)) return std::nullopt;
    QList<TDToken> tokens;
    for (const QString& tokenText : tokenEditingStringsFromString(text))
        if (std::optional<TDToken> token = tokenFromEditingString(tokenText)) tokens << *token;
    return tokens;
}

TDTitleParser::TokenParts TDTitleParser::parseTokenEditingString(const QString& text) {
    TokenParts parts;
    const QString trimmed = text.trimmed();
    const bool startsWithMarker =
        trimmed.size() >= 2 && (trimmed.at(0) == TDTagPrefix || trimmed.at(0) == TDContextTagPrefix);
    if (startsWithMarker && std::none_of(trimmed.cbegin() + 1, trimmed.cend(), isLineTerminator)) {
        parts.title = trimmed;
        return parts;
    }
    qsizetype separator = -1;
    for (qsizetype i = 0; i < trimmed.size() && separator < 0; ++i) {
        const QChar c = trimmed.at(i);
        if (c == QLatin1Char(' ') || c == QLatin1Char('=') || c == QLatin1Char(':')) separator = i;
    }
    if (separator > 0) {
        parts.keyword = trimmed.left(separator);
        parts.separator = trimmed.mid(separator, 1);
        parts.stringValue = trimmed.mid(separator + 1);
    } else {
        parts.stringValue = trimmed;
    }
    return parts;
}

std::optional<TDToken> TDTitleParser::tokenFromEditingString(const QString& text) {
    const TokenParts parts = parseTokenEditingString(text);
    const QString whole = text.trimmed();
    if (!parts.keyword.isNull()) {
        if (parts.keyword == QLatin1String("due")) {
            const QVariant date =
                TDNaturalLanguageFutureDateValueTransformer::shared()->reverseTransformedValue(
                    parts.stringValue);
            return TDToken(TDDueTokenTitle, date);
        }
        if (parts.keyword == QLatin1String("priority") || parts.keyword == QLatin1String("p")) {
            const qint64 priority = TDLeadingInteger(parts.stringValue);
            if (priority < 1 || priority > 9) return std::nullopt;
            return TDToken(TDPriorityTokenTitle, int(priority));
        }
        if (parts.keyword == QLatin1String("estimate") || parts.keyword == QLatin1String("e")) {
            const QVariant seconds =
                TDNaturalLanguageTimeIntervalValueTransformer::shared()->reverseTransformedValue(
                    parts.stringValue);
            return TDToken(TDEstimateTokenTitle, seconds);
        }
        return TDToken(whole);
    }
    if (parts.title.isNull()) {
        if (const std::optional<double> seconds = shortEstimate(whole))
            return TDToken(TDEstimateTokenTitle, *seconds);
    }
    if (const int priority = priorityOfToken(whole)) return TDToken(TDPriorityTokenTitle, priority);
    return TDToken(whole);
}

TDTitleParser::Range TDTitleParser::rangeOfEquivalentTagEditingString(const QString& tagEditingString,
                                                                      const QString& text) {
    for (const Range& range : tokenRanges(text))
        if (tagEditingStringIsEquivalentToString(tagEditingString, text.mid(range.location, range.length)))
            return range;
    return Range{};
}

bool TDTitleParser::hasTagPrefix(const QString& text) {
    return text.startsWith(TDTagPrefix) || text.startsWith(TDContextTagPrefix);
}

bool TDTitleParser::isContextTag(const QString& text) {
    if (text.startsWith(TDContextTagPrefix)) return true;
    return text.size() >= 3 && text.at(0) == TDTagPrefix && text.at(1) == TDContextTagPrefix &&
           text.endsWith(TDTagPrefix);
}

QString TDTitleParser::tagEditingStringFromTitle(const QString& title) {
    const QString trimmed = title.trimmed();
    if (trimmed.isEmpty()) return QString();
    const bool singleWord = std::none_of(trimmed.cbegin(), trimmed.cend(), isSpace);
    if (trimmed.startsWith(TDContextTagPrefix) && trimmed.size() >= 2 && singleWord) return trimmed;
    if (singleWord) return TDTagPrefix + trimmed;
    return TDTagPrefix + trimmed + TDTagPrefix;
}

QString TDTitleParser::tagTitleFromEditingString(const QString& text) {
    if (text.isEmpty() || text == TDTagPrefix) return QStringLiteral("");
    if (text.startsWith(TDContextTagPrefix)) return text;
    if (!text.startsWith(TDTagPrefix)) return QString();
    QString name = text.mid(1);
    if (name.endsWith(TDTagPrefix)) name.chop(1);
    if (name.isEmpty() || name.contains(TDTagPrefix) || std::any_of(name.cbegin(), name.cend(), isControl))
        return QString();
    return name;
}

bool TDTitleParser::tagEditingStringIsEquivalentToString(const QString& first, const QString& second) {
    const QString firstTitle = tagTitleFromEditingString(first.trimmed());
    const QString secondTitle = tagTitleFromEditingString(second.trimmed());
    return !firstTitle.isNull() && !secondTitle.isNull() && firstTitle == secondTitle;
}
