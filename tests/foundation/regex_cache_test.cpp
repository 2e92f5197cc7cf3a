#include "foundation/regex_cache.h"
#include "foundation/regex_additions.h"

#include <gtest/gtest.h>

namespace {

class RegexCacheTest : public ::testing::Test {
protected:
    void SetUp() override { clearStringCache(); }
    static quint64 compilations() { return regex_cache::counters().compilations; }
    static quint64 textSettings() { return regex_cache::counters().textSettings; }
};

TEST_F(RegexCacheTest, EqualPatternsShareOneRecordAndOptionsMakeAnother) {
    const quint64 before = compilations();
    const QString first = QStringLiteral("ab+c");
    const QString second =
        QString(QStringLiteral("ab")) + QStringLiteral("+c");  // equal text, another object
    EXPECT_TRUE(isMatchedByRegex(QStringLiteral("xabbc"), first));
    EXPECT_TRUE(isMatchedByRegex(QStringLiteral("xabbc"), second));
    EXPECT_EQ(compilations(), before + 1);
    EXPECT_TRUE(isMatchedByRegex(QStringLiteral("xABBC"), first, RKLCaseless));
    EXPECT_EQ(compilations(), before + 2);
    EXPECT_NE(regex_cache::recordIndexOf(first, RKLNoOptions),
              regex_cache::recordIndexOf(first, RKLCaseless));
}

TEST_F(RegexCacheTest, AFailedPatternLeavesNoRecordAndIsCompiledAgain) {
    const quint64 before = compilations();
    EXPECT_FALSE(isRegexValid(QStringLiteral("(oops")));
    EXPECT_EQ(regex_cache::recordIndexOf(QStringLiteral("(oops"), RKLNoOptions), -1);
    EXPECT_FALSE(isRegexValid(QStringLiteral("(oops")));
    EXPECT_EQ(compilations(), before + 2);
}

TEST_F(RegexCacheTest, TheSameSubjectAndRangeAreNotSetAgain) {
    const QString subject = QStringLiteral("one two three");
    const QString pattern = QStringLiteral("\\w+");
    componentsMatchedByRegex(subject, pattern);
    const quint64 settings = textSettings();
    componentsMatchedByRegex(subject, pattern);
    rangeOfRegex(subject, pattern);
    EXPECT_EQ(textSettings(), settings);
    // A copy shares the units, so it is the same subject.
    const QString copy = subject;
    EXPECT_EQ(componentsMatchedByRegex(copy, pattern).size(), 3);
    EXPECT_EQ(textSettings(), settings);
    // Another range is set; flushing the subject makes the next use set it again.
    rangeOfRegex(subject, pattern, 0, RKLNoOptions, {4, 3});
    EXPECT_EQ(textSettings(), settings + 1);
    flushCachedRegexData(subject);
    rangeOfRegex(subject, pattern, 0, RKLNoOptions, {4, 3});
    EXPECT_EQ(textSettings(), settings + 2);
}

TEST_F(RegexCacheTest, AChangedSubjectIsSetAgain) {
    QString subject = QStringLiteral("aaa");
    const QString pattern = QStringLiteral("a");
    EXPECT_EQ(componentsMatchedByRegex(subject, pattern).size(), 3);
    subject[1] = QLatin1Char('b');  // same length; the cache's copy keeps the old units
    EXPECT_EQ(componentsMatchedByRegex(subject, pattern).size(), 2);
    subject.append(QStringLiteral("aa"));
    EXPECT_EQ(componentsMatchedByRegex(subject, pattern).size(), 4);
}

TEST_F(RegexCacheTest, WaysFillFromTheLastAndTheLeastRecentlyUsedIsReplaced) {
    // Five patterns that fall into one set.
    QStringList patterns;
    const size_t set = qHash(QStringLiteral("p0"), 0) % 13;
    for (int i = 0; patterns.size() < 5; ++i) {
        const QString candidate = QStringLiteral("p%1").arg(i);
        if (qHash(candidate, 0) % 13 == set) patterns.append(candidate);
    }
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(isRegexValid(patterns.at(i)));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(regex_cache::recordIndexOf(patterns.at(i), 0), int(set * 4 + 3 - i));
    // Using the first again makes the second the least recently used.
    ASSERT_TRUE(isRegexValid(patterns.at(0)));
    ASSERT_TRUE(isRegexValid(patterns.at(4)));
    EXPECT_EQ(regex_cache::recordIndexOf(patterns.at(1), 0), -1);
    EXPECT_EQ(regex_cache::recordIndexOf(patterns.at(4), 0), int(set * 4 + 2));
    EXPECT_EQ(regex_cache::recordIndexOf(patterns.at(0), 0), int(set * 4 + 3));
}

}  // namespace
