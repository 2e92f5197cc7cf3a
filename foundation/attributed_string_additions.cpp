#include "foundation/attributed_string_additions.h"

#include "foundation/constants.h"
#include "foundation/link_detection.h"
#include "foundation/regex_additions.h"
#include "platform/base/log.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextList>

#include <algorithm>

namespace {

// The link of a link value; nullopt for none.
std::optional<QUrl> linkOfValue(const QVariant& value) {
    if (!value.isValid()) return std::nullopt;
    if (value.metaType().id() == QMetaType::QUrl) return value.toUrl();
    if (value.metaType().id() == QMetaType::QString) {
        if (value.toString().isEmpty()) return std::nullopt;
        return QUrl(value.toString());
    }
    logWithLevel(TDLogWarning, "WARNING",
                 "Found unexpected class of object in NSLinkAttribute of attributed string: %@",
                 QString::fromLatin1(value.metaType().name()));
    return std::nullopt;
}

// The raw link value, for comparing runs: two fragments belong to one run when their values are equal.
QVariant linkValue(const QTextCharFormat& format) {
    return format.property(QTextFormat::AnchorHref);
}

struct Fragment {
    qsizetype position;
    qsizetype length;
    QTextCharFormat format;
};

QList<Fragment> fragmentsOfBlock(const QTextBlock& block) {
    QList<Fragment> fragments;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.isValid())
            fragments.append({fragment.position(), fragment.length(), fragment.charFormat()});
    }
    return fragments;
}

// Text that stands as a URL as it is: printable ASCII without the characters a URL never holds, and
// every "%" starting an escape.
bool isURLText(const QString& text) {
    static const QString excluded = QStringLiteral("\"<>\\^`{|}");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() < 0x21 || c.unicode() > 0x7e || excluded.contains(c)) return false;
        if (c == u'%' &&
            (i + 2 >= text.size() || !isxdigit(text[i + 1].toLatin1()) || !isxdigit(text[i + 2].toLatin1())))
            return false;
    }
    return QUrl(text, QUrl::TolerantMode).isValid();
}

bool hasLinkIn(const QTextDocument& text, TDRange range) {
    for (QTextBlock block = text.findBlock(int(range.location));
         block.isValid() && block.position() < range.end(); block = block.next()) {
        for (const Fragment& fragment : fragmentsOfBlock(block))
            if (fragment.position < range.end() && fragment.position + fragment.length > range.location &&
                linkValue(fragment.format).isValid())
                return true;
    }
    return false;
}

// Font keys, and the decorations kept among them that are formatting of their own when switched on.
bool isFontProperty(int property) {
    return (property >= QTextFormat::FirstFontProperty && property <= QTextFormat::LastFontProperty) ||
           property == QTextFormat::TextUnderlineStyle;
}

bool hasDecoration(const QTextCharFormat& format) {
    return format.fontUnderline() || format.fontOverline() || format.fontStrikeOut();
}

bool hasFont(const QTextCharFormat& format) {
    const auto properties = format.properties();
    return std::any_of(properties.keyBegin(), properties.keyEnd(), isFontProperty);
}

// The format's font against the notes font: the properties it sets must match the notes font's.
bool isNotesFont(const QTextCharFormat& format, const std::optional<QFont>& notesFont) {
    if (!notesFont) return false;
    const QFont font = format.font().resolve(*notesFont);
    return font.families() == notesFont->families() && font.pointSizeF() == notesFont->pointSizeF() &&
           font.pixelSize() == notesFont->pixelSize() && font.weight() == notesFont->weight() &&
           font.italic() == notesFont->italic() && font.styleName() == notesFont->styleName() &&
           font.capitalization() == notesFont->capitalization() &&
           font.letterSpacing() == notesFont->letterSpacing() &&
           font.wordSpacing() == notesFont->wordSpacing() && font.stretch() == notesFont->stretch();
}

}  // namespace

std::unique_ptr<QTextDocument> copyOfText(const QTextDocument& text) {
    if (text.isEmpty()) return std::make_unique<QTextDocument>();
    return std::unique_ptr<QTextDocument>(text.clone());
}

QUrl URLOfLinkAtIndex(const QTextDocument& text, qsizetype index, TDRange* effectiveRange) {
    if (effectiveRange) *effectiveRange = TDRange::notFound();
    const QTextBlock block = text.findBlock(int(std::clamp<qsizetype>(index, 0, INT_MAX)));
    if (index < 0 || !block.isValid() || index >= block.position() + block.length() - 1) {
        if (effectiveRange && block.isValid() && index >= 0) *effectiveRange = {index, 1};
        return {};
    }
    const QList<Fragment> fragments = fragmentsOfBlock(block);
    const auto hit = std::find_if(fragments.cbegin(), fragments.cend(), [index](const Fragment& f) {
        return index >= f.position && index < f.position + f.length;
    });
    if (hit == fragments.cend()) return {};
    const QVariant value = linkValue(hit->format);
    auto first = hit;
    while (first != fragments.cbegin() && linkValue((first - 1)->format) == value) --first;
    auto last = hit;
    while (last + 1 != fragments.cend() && linkValue((last + 1)->format) == value) ++last;
    if (effectiveRange) *effectiveRange = {first->position, last->position + last->length - first->position};
    return linkOfValue(value).value_or(QUrl());
}

QList<TDLinkRange> linkRanges(const QTextDocument& text) {
    QList<TDLinkRange> ranges;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        QVariant runValue;
        TDRange run = TDRange::notFound();
        const auto endRun = [&] {
            if (!run.isFound() || !runValue.isValid()) return;
            if (const std::optional<QUrl> url = linkOfValue(runValue)) ranges.append({run, *url});
        };
        for (const Fragment& fragment : fragmentsOfBlock(block)) {
            const QVariant value = linkValue(fragment.format);
            if (run.isFound() && value == runValue) {
                run.length += fragment.length;
                continue;
            }
            endRun();
            run = {fragment.position, fragment.length};
            runValue = value;
        }
        endRun();
    }
    return ranges;
}

std::unique_ptr<QTextDocument> linkifiedString(const QTextDocument& text) {
    std::unique_ptr<QTextDocument> result = copyOfText(text);
    const QString plain = result->toPlainText();
    const QList<TDRange> messages = rangesOfRegex(plain, QStringLiteral("(?i)\\bmessage:(//)?\\S+"));
    for (auto it = messages.crbegin(); it != messages.crend(); ++it) {
        const QString link = plain.mid(it->location, it->length);
        // Text a URL cannot hold stays text (a "message://" link with an escaped host, say).
        if (!isURLText(link)) continue;
        QTextCursor cursor(result.get());
        cursor.setPosition(int(it->location + 1));
        QTextCharFormat format = cursor.charFormat();
        format.setAnchor(true);
        format.setAnchorHref(link);
        cursor.setPosition(int(it->location));
        cursor.setPosition(int(it->end()), QTextCursor::KeepAnchor);
        QString shown = link;
        shown.replace(QStringLiteral("%3c"), QStringLiteral("<"))
            .replace(QStringLiteral("%3e"), QStringLiteral(">"));
        cursor.insertText(shown, format);
    }
    const QString linked = result->toPlainText();
    for (const TDDetectedLink& link : detectedLinks(linked)) {
        if (hasLinkIn(*result, link.range)) continue;
        QTextCursor cursor(result.get());
        cursor.setPosition(int(link.range.location));
        cursor.setPosition(int(link.range.end()), QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setAnchor(true);
        format.setAnchorHref(link.url.toString(QUrl::FullyEncoded));
        cursor.mergeCharFormat(format);
    }
    return result;
}

bool isRichText(const QTextDocument& text) {
    const TDConstants& constants = TDConstants::shared();
    return isRichText(text, constants.TDTaskNoteFont, constants.TDNoteTextColor);
}

bool isRichText(const QTextDocument& text, const std::optional<QFont>& notesFont, const QColor& notesColor) {
    if (text.isEmpty()) return false;
    if (!text.rootFrame()->childFrames().isEmpty()) return true;
    std::optional<QTextCharFormat> first;
    const QTextBlockFormat firstBlockFormat = text.begin().blockFormat();
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        if (block.textList() || block.blockFormat() != firstBlockFormat) return true;
        const QList<Fragment> fragments = fragmentsOfBlock(block);
        if (fragments.isEmpty()) continue;
        for (const Fragment& fragment : fragments) {
            if (!first)
                first = fragment.format;
            else if (fragment.format != *first)
                return true;
        }
    }
    if (!first) return false;
    if (hasFont(*first) && !isNotesFont(*first, notesFont)) return true;
    if (hasDecoration(*first)) return true;
    if (first->hasProperty(QTextFormat::ForegroundBrush)) {
        const QBrush brush = first->foreground();
        if (brush.style() != Qt::SolidPattern || brush.color() != notesColor) return true;
    }
    const auto properties = first->properties();
    return std::any_of(properties.keyBegin(), properties.keyEnd(), [](int property) {
        return !isFontProperty(property) && property != QTextFormat::ForegroundBrush;
    });
}

QString HTMLString(const QTextDocument& text) {
    if (text.isEmpty()) return {};
    const QString html = text.toHtml();
    // Qt writes one body element; what lies between its tags is the text.
    const qsizetype bodyStart = html.indexOf(QLatin1String("<body"));
    const qsizetype contentStart = bodyStart < 0 ? -1 : html.indexOf(u'>', bodyStart);
    const qsizetype contentEnd = html.lastIndexOf(QLatin1String("</body>"));
    if (contentStart < 0 || contentEnd < contentStart) return html;
    QString body = html.mid(contentStart + 1, contentEnd - contentStart - 1);
    body.remove(QStringLiteral("<!--StartFragment-->")).remove(QStringLiteral("<!--EndFragment-->"));
    return body.trimmed();
}
