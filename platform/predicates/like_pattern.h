#pragma once

#include "platform/predicates/value_comparison.h"

#include <QString>

#include <vector>

namespace platform {

// A LIKE pattern compiled once: "*" matches any run of characters, "?" one character, and a
// backslash makes the character after it literal. With [c] the pattern is case-folded here and the
// text one character at a time while matching, so matching allocates nothing.
class LikePattern final {
public:
    LikePattern() = default;
    LikePattern(const QString& pattern, ComparisonOptions options);

    // `text` must already have its diacritics removed when the options ask for it.
    bool matches(QStringView text) const;

private:
    std::vector<char32_t> m_tokens;
    bool m_foldCase = false;
};

}  // namespace platform
