// The title parser's scanner against the token pattern it stands for, run by ICU's regular
// expressions over many small titles made of the characters that matter.
#include "language/title_parser.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <unicode/uregex.h>

namespace {

const char16_t kTokenPattern[] =
    u"(?<=^|[:space:])((/)[^[:space:]/]+?(\\2|[^[:cntrl:]/]*?[^[:space:]/"
    u"]\\2)?|@[^[:space:]]+)(?=[:space:]|$)";

class IcuPattern {
public:
    explicit IcuPattern(const QString& pattern) {
        UErrorCode status = U_ZERO_ERROR;
        m_regex = uregex_open(reinterpret_cast<const UChar*>(pattern.utf16()), int32_t(pattern.size()), 0,
                              nullptr, &status);
        EXPECT_TRUE(U_SUCCESS(status)) << u_errorName(status);
    }
    ~IcuPattern() { uregex_close(m_regex); }

    QList<TDTitleParser::Range> matches(const QString& text) const {
        QList<TDTitleParser::Range> ranges;
        UErrorCode status = U_ZERO_ERROR;
        uregex_setText(m_regex, reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()), &status);
        while (uregex_findNext(m_regex, &status)) {
            const int32_t start = uregex_start(m_regex, 0, &status);
            ranges << TDTitleParser::Range{start, uregex_end(m_regex, 0, &status) - start};
        }
        return ranges;
    }

private:
    URegularExpression* m_regex = nullptr;
};

QString randomTitle(QRandomGenerator& random) {
    static const char16_t alphabet[] = u"//@@aB  \t\n\x01\u00e9\u00a0";
    const int length = int(random.bounded(14));
    QString title;
    for (int i = 0; i < length; ++i) title += QChar(alphabet[random.bounded(int(std::size(alphabet)) - 1)]);
    return title;
}

TEST(TitleTokenPatternTest, scannerFindsWhatThePatternFinds) {
    const IcuPattern tokens(QString::fromUtf16(kTokenPattern));
    QRandomGenerator random(20270310);
    for (int i = 0; i < 50000; ++i) {
        const QString title = randomTitle(random);
        ASSERT_EQ(TDTitleParser::tokenRangesFromEditingString(title), tokens.matches(title))
            << title.toUtf8().toPercentEncoding().constData();
    }
}

QString capitalizedWords(const QString& text) {
    QString result = text.toLower();
    for (qsizetype i = 0; i < result.size(); ++i)
        if (!result.at(i).isSpace() && (i == 0 || result.at(i - 1).isSpace()))
            result[i] = result.at(i).toUpper();
    return result;
}

// The plain title as the two patterns make it: the trailing run of tokens goes, then every other
// token, from the last, becomes its tag name, capitalized when it opens the title.
QString plainTitleByPatterns(const QString& title, const IcuPattern& tokens, const IcuPattern& trailing) {
    const QList<TDTitleParser::Range> run = trailing.matches(title);
    QString plain = run.isEmpty() ? title : title.left(run.first().location);
    const QList<TDTitleParser::Range> remaining = tokens.matches(plain);
    for (qsizetype i = remaining.size() - 1; i >= 0; --i) {
        const TDTitleParser::Range& range = remaining.at(i);
        QString name = TDTitleParser::tagTitleFromEditingString(plain.mid(range.location, range.length));
        if (name.isNull()) continue;
        if (name.startsWith(QLatin1Char('@'))) name.remove(0, 1);
        if (range.location == 0) name = capitalizedWords(name);
        plain.replace(range.location, range.length, name);
    }
    return plain;
}

TEST(TitleTokenPatternTest, plainTitleIsWhatThePatternsMakeOfIt) {
    const IcuPattern tokens(QString::fromUtf16(kTokenPattern));
    const IcuPattern trailing(QStringLiteral("(?>\\s*") + QString::fromUtf16(kTokenPattern) +
                              QStringLiteral("\\s*)+$"));
    QRandomGenerator random(1010);
    for (int i = 0; i < 50000; ++i) {
        const QString title = randomTitle(random);
        ASSERT_EQ(TDTitleParser::titleWithoutTagsFromEditingString(title),
                  plainTitleByPatterns(title, tokens, trailing))
            << title.toUtf8().toPercentEncoding().constData();
    }
}

}  // namespace
