#include "language/string_purification.h"

#include <algorithm>

namespace {

bool isMark(char32_t code) {
    const auto category = QChar::category(code);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
           category == QChar::Mark_Enclosing;
}

// The code point at position i and its length in UTF-16 units.
std::pair<char32_t, qsizetype> codePointAt(const QString& string, qsizetype i) {
    const QChar c = string[i];
    if (c.isHighSurrogate() && i + 1 < string.size() && string[i + 1].isLowSurrogate()) {
        return {QChar::surrogateToUcs4(c, string[i + 1]), 2};
    }
    return {c.unicode(), 1};
}

// Nothing below U+00C0 decomposes or combines.
constexpr char32_t kFirstDecomposable = 0xC0;

}  // namespace

PurifiedString PurifiedString::from(const QString& string) {
    PurifiedString result;
    result.text.reserve(string.size());
    result.origins.reserve(string.size());
    for (qsizetype i = 0; i < string.size();) {
        const auto [code, length] = codePointAt(string, i);
        const QStringView original = QStringView(string).sliced(i, length);
        if (code < kFirstDecomposable) {
            result.text.append(original);
            result.origins.append({i, i + 1});
        } else {
            const QString decomposed = original.toString().normalized(QString::NormalizationForm_D);
            QString base;
            for (qsizetype j = 0; j < decomposed.size();) {
                const auto [part, partLength] = codePointAt(decomposed, j);
                if (!isMark(part)) base.append(QStringView(decomposed).sliced(j, partLength));
                j += partLength;
            }
            if (base.isEmpty()) {
                // A mark of its own: it belongs to whatever the character before it became.
                if (!result.origins.isEmpty()) {
                    const qsizetype previousStart = result.origins.last().first;
                    for (qsizetype k = result.origins.size() - 1;
                         k >= 0 && result.origins[k].first == previousStart; --k) {
                        result.origins[k].second = i + length;
                    }
                }
            } else {
                const bool unchanged = base == original && length == 1;
                for (qsizetype k = 0; k < base.size(); ++k) {
                    result.origins.append(unchanged ? std::pair{i, i + 1} : std::pair{i, i + length});
                }
                result.text.append(base);
            }
        }
        i += length;
    }
    return result;
}

QList<qsizetype> PurifiedString::originalPositions(const QList<qsizetype>& positions) const {
    QList<qsizetype> result;
    for (const qsizetype p : positions) {
        if (p < 0 || p >= origins.size()) continue;
        for (qsizetype o = origins[p].first; o < origins[p].second; ++o) result.append(o);
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

QString purifiedString(const QString& string) {
    PurifiedString purified = PurifiedString::from(string);
    return purified.text == string ? string : purified.text;
}
