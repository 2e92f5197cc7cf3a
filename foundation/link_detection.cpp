#include "foundation/link_detection.h"

namespace {

bool isWordBreak(QChar c) {
    return c.isSpace() || c == u'<' || c == u'>' || c == u'"' || c == QChar::ObjectReplacementCharacter;
}

bool isOpeningPunctuation(QChar c) {
    return c == u'(' || c == u'[' || c == u'{' || c == u'\'';
}

bool isTrailingPunctuation(QChar c) {
    return c == u'.' || c == u',' || c == u';' || c == u':' || c == u'!' || c == u'?' || c == u'\'';
}

// Brackets of the three kinds: a closing one ends an address unless the address opened it
// ("…/Foo_(bar)"), so each kind is counted as the end is trimmed.
constexpr char16_t kOpening[] = u"([{";
constexpr char16_t kClosing[] = u")]}";

int bracketKind(QChar c, const char16_t* brackets) {
    for (int k = 0; k < 3; ++k)
        if (c == QChar(brackets[k])) return k;
    return -1;
}

// The end of the word without the punctuation that follows the address.
qsizetype trimmedEnd(QStringView text, qsizetype start, qsizetype end) {
    qsizetype balance[3] = {0, 0, 0};  // closing minus opening brackets, per kind
    for (qsizetype i = start; i < end; ++i) {
        if (const int k = bracketKind(text[i], kOpening); k >= 0) --balance[k];
        if (const int k = bracketKind(text[i], kClosing); k >= 0) ++balance[k];
    }
    while (end > start) {
        const QChar last = text[end - 1];
        const int k = bracketKind(last, kClosing);
        if (k >= 0 && balance[k] > 0) {
            --balance[k];
        } else if (!isTrailingPunctuation(last)) {
            break;
        }
        --end;
    }
    return end;
}

bool isSchemeCharacter(QChar c, bool first) {
    if (c.unicode() > 0x7f) return false;
    if (c.isLetter()) return true;
    return !first && (c.isDigit() || c == u'+' || c == u'-' || c == u'.');
}

// "scheme://rest" with something after the slashes, or "mailto:address".
bool hasScheme(QStringView word) {
    const qsizetype colon = word.indexOf(u':');
    if (colon < 1) return false;
    for (qsizetype i = 0; i < colon; ++i)
        if (!isSchemeCharacter(word[i], i == 0)) return false;
    const QStringView rest = word.mid(colon + 1);
    if (rest.startsWith(u"//")) return rest.size() > 2;
    return word.left(colon).compare(u"mailto", Qt::CaseInsensitive) == 0 && rest.contains(u'@');
}

bool isMailAddress(QStringView word) {
    const qsizetype at = word.indexOf(u'@');
    if (at < 1 || at != word.lastIndexOf(u'@')) return false;
    const QStringView domain = word.mid(at + 1);
    const qsizetype dot = domain.lastIndexOf(u'.');
    if (dot < 1 || dot > domain.size() - 3) return false;
    for (QChar c : word)
        if (!(c.isLetterOrNumber() || c == u'.' || c == u'_' || c == u'%' || c == u'+' || c == u'-' ||
              c == u'@'))
            return false;
    return true;
}

QUrl urlOfWord(QStringView word) {
    QString text;
    if (hasScheme(word))
        text = word.toString();
    else if (word.startsWith(u"www.", Qt::CaseInsensitive) && word.size() > 4 && word.mid(4).contains(u'.'))
        text = QStringLiteral("http://") + word.toString();
    else if (isMailAddress(word))
        text = QStringLiteral("mailto:") + word.toString();
    else
        return {};
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}

}  // namespace

QList<TDDetectedLink> detectedLinks(const QString& text) {
    QList<TDDetectedLink> links;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        while (i < n && isWordBreak(text[i])) ++i;
        qsizetype start = i;
        while (i < n && !isWordBreak(text[i])) ++i;
        while (start < i && isOpeningPunctuation(text[start])) ++start;
        const qsizetype end = trimmedEnd(text, start, i);
        if (start == end) continue;
        const QUrl url = urlOfWord(QStringView(text).mid(start, end - start));
        if (url.isValid()) links.append({{start, end - start}, url});
    }
    return links;
}
