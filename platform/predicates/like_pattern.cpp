#include "platform/predicates/like_pattern.h"

#include "platform/predicates/string_folding.h"

namespace platform {

namespace {

// Pattern tokens are UTF-16 units; these two lie above every unit.
constexpr char32_t anyRun = 0x10000;
constexpr char32_t anyCharacter = 0x10001;

}  // namespace

LikePattern::LikePattern(const QString& pattern, ComparisonOptions options)
    : m_foldCase(options.testFlag(ComparisonOption::CaseInsensitive)) {
    QString source =
        options.testFlag(ComparisonOption::DiacriticInsensitive) ? removingDiacritics(pattern) : pattern;
    if (m_foldCase) source = source.toCaseFolded();
    m_tokens.reserve(size_t(source.size()));
    for (qsizetype i = 0; i < source.size(); ++i) {
        const char16_t c = source.at(i).unicode();
        if (c == u'\\' && i + 1 < source.size()) {
            m_tokens.push_back(source.at(++i).unicode());
        } else if (c == u'*') {
            if (m_tokens.empty() || m_tokens.back() != anyRun) m_tokens.push_back(anyRun);
        } else if (c == u'?') {
            m_tokens.push_back(anyCharacter);
        } else {
            m_tokens.push_back(c);
        }
    }
}

bool LikePattern::matches(QStringView text) const {
    const size_t patternLength = m_tokens.size();
    const qsizetype textLength = text.size();
    auto unitAt = [&](qsizetype i) -> char32_t {
        const char16_t c = text[i].unicode();
        return m_foldCase ? QChar::toCaseFolded(c) : c;
    };
    // Greedy matching that backtracks only to the latest "*": linear in practice, never exponential.
    size_t p = 0;
    qsizetype t = 0;
    size_t starP = size_t(-1);
    qsizetype starT = 0;
    while (t < textLength) {
        if (p < patternLength && m_tokens[p] == anyCharacter) {
            const bool pair = text[t].isHighSurrogate() && t + 1 < textLength && text[t + 1].isLowSurrogate();
            t += pair ? 2 : 1;
            ++p;
        } else if (p < patternLength && m_tokens[p] == anyRun) {
            starP = p++;
            starT = t;
        } else if (p < patternLength && m_tokens[p] == unitAt(t)) {
            ++p;
            ++t;
        } else if (starP != size_t(-1)) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < patternLength && m_tokens[p] == anyRun) ++p;
    return p == patternLength;
}

}  // namespace platform
