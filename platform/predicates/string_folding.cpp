#include "platform/predicates/string_folding.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/utf16.h>

#include <vector>

namespace platform {

namespace {

// Every character below U+00C0 is its own canonical decomposition.
constexpr char16_t firstDecomposable = 0xC0;

std::vector<UChar> normalized(const UNormalizer2* normalizer, const UChar* source, int32_t length) {
    std::vector<UChar> result(size_t(length) * 3 + 8);
    UErrorCode status = U_ZERO_ERROR;
    int32_t written =
        unorm2_normalize(normalizer, source, length, result.data(), int32_t(result.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        result.resize(size_t(written));
        status = U_ZERO_ERROR;
        written =
            unorm2_normalize(normalizer, source, length, result.data(), int32_t(result.size()), &status);
    }
    if (U_FAILURE(status)) return {};
    result.resize(size_t(written));
    return result;
}

bool isFreeOfDiacritics(QStringView text) {
    for (QChar c : text)
        if (c.unicode() >= firstDecomposable) return false;
    return true;
}

}  // namespace

QString removingDiacritics(const QString& text) {
    if (isFreeOfDiacritics(text)) return text;
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
    const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
    if (U_FAILURE(status)) return text;
    const std::vector<UChar> decomposed =
        normalized(nfd, reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
    if (decomposed.empty()) return text;

    std::vector<UChar> bare;
    bare.reserve(decomposed.size());
    for (int32_t i = 0; i < int32_t(decomposed.size());) {
        const int32_t start = i;
        UChar32 c;
        U16_NEXT(decomposed.data(), i, int32_t(decomposed.size()), c);
        if (u_charType(c) == U_NON_SPACING_MARK) continue;
        bare.insert(bare.end(), decomposed.begin() + start, decomposed.begin() + i);
    }
    // Recomposing keeps what has no base-plus-mark form (Hangul syllables) as the user typed it.
    const std::vector<UChar> composed = normalized(nfc, bare.data(), int32_t(bare.size()));
    if (composed.empty() && !bare.empty()) return text;
    return QString(reinterpret_cast<const QChar*>(composed.data()), qsizetype(composed.size()));
}

}  // namespace platform
