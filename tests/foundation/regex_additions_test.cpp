#include "foundation/regex_additions.h"
#include "tests/support/test_environment.h"

#include <QThread>

#include <atomic>

namespace {

QString q(const char16_t* s) {
    return QString::fromUtf16(s);
}
QStringList list(std::initializer_list<const char16_t*> items) {
    QStringList result;
    for (const char16_t* item : items) result.append(q(item));
    return result;
}

TEST(RegexOperations, MatchAndRangesOfTheFirstMatch) {
    const QString subject = QStringLiteral("Call Bob at 555-1234 or 555-9876");
    EXPECT_TRUE(isMatchedByRegex(subject, QStringLiteral("\\d{3}-\\d{4}")));
    EXPECT_FALSE(isMatchedByRegex(subject, QStringLiteral("^\\d")));
    EXPECT_TRUE(isMatchedByRegex(subject, QStringLiteral("bob"), RKLCaseless));
    EXPECT_FALSE(isMatchedByRegex(subject, QStringLiteral("bob")));
    EXPECT_EQ(rangeOfRegex(subject, QStringLiteral("(\\d{3})-(\\d{4})")), (TDRange{12, 8}));
    EXPECT_EQ(rangeOfRegex(subject, QStringLiteral("(\\d{3})-(\\d{4})"), 2), (TDRange{16, 4}));
    EXPECT_EQ(rangeOfRegex(subject, QStringLiteral("xyz")), TDRange::notFound());
    EXPECT_EQ(stringByMatching(subject, QStringLiteral("(\\d{3})-(\\d{4})"), 1), QStringLiteral("555"));
    EXPECT_TRUE(stringByMatching(subject, QStringLiteral("xyz")).isNull());
    // A range limits the search and positions stay those of the whole string.
    EXPECT_EQ(rangeOfRegex(subject, QStringLiteral("\\d{3}"), 0, RKLNoOptions, {21, TDRangeToEnd}),
              (TDRange{24, 3}));
    EXPECT_FALSE(isMatchedByRegex(subject, QStringLiteral("Bob"), RKLNoOptions, {0, 5}));
    // A group that takes no part has no range.
    EXPECT_EQ(rangeOfRegex(QStringLiteral("ac"), QStringLiteral("a(b)?c"), 1), TDRange::notFound());
}

TEST(RegexOperations, SplittingKeepsInnerEmptyPiecesButNotTrailingOnes) {
    struct Case {
        const char16_t* subject;
        const char16_t* regex;
        QStringList expected;
    };
    const Case cases[] = {
        {u"a,b", u",", list({u"a", u"b"})},
        {u",a", u",", list({u"", u"a"})},
        {u"a,b,,", u",", list({u"a", u"b"})},
        {u"a,,b", u",", list({u"a", u"", u"b"})},
        {u",,", u",", {}},
        {u"a", u",", list({u"a"})},
        {u"", u",", {}},
        {u"a,b", u"(,)", list({u"a", u",", u"b"})},
        {u"ab", u"x*", list({u"a", u"b"})},
        {u"one  two\tthree", u"\\s+", list({u"one", u"two", u"three"})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(componentsSeparatedByRegex(q(c.subject), q(c.regex)), c.expected)
            << QString::fromUtf16(c.subject).toStdString() << " / "
            << QString::fromUtf16(c.regex).toStdString();
}

TEST(RegexOperations, CapturesOfOneOrEveryMatch) {
    const QString subject = QStringLiteral("due:2026-12-07 start:2027-01-15");
    const QString pattern = QStringLiteral("(\\w+):(\\d{4})-(\\d\\d)-(\\d\\d)");
    EXPECT_EQ(componentsMatchedByRegex(subject, pattern), list({u"due:2026-12-07", u"start:2027-01-15"}));
    EXPECT_EQ(componentsMatchedByRegex(subject, pattern, 1), list({u"due", u"start"}));
    EXPECT_EQ(captureComponentsMatchedByRegex(subject, pattern),
              list({u"due:2026-12-07", u"due", u"2026", u"12", u"07"}));
    const QList<QStringList> all = arrayOfCaptureComponentsMatchedByRegex(subject, pattern);
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all.at(1), list({u"start:2027-01-15", u"start", u"2027", u"01", u"15"}));
    EXPECT_TRUE(captureComponentsMatchedByRegex(subject, QStringLiteral("nothing")).isEmpty());

    // A group that takes no part: an empty string in arrays, a missing key in dictionaries.
    EXPECT_EQ(captureComponentsMatchedByRegex(QStringLiteral("ac"), QStringLiteral("(a)(b)?(c)")),
              list({u"ac", u"a", u"", u"c"}));
    const RKLKeysAndCaptures keys{
        {QStringLiteral("first"), 1}, {QStringLiteral("second"), 2}, {QStringLiteral("third"), 3}};
    const RKLCaptureDictionary dictionary =
        dictionaryByMatchingRegex(QStringLiteral("ac"), QStringLiteral("(a)(b)?(c)"), keys);
    EXPECT_EQ(dictionary, (RKLCaptureDictionary{{QStringLiteral("first"), QStringLiteral("a")},
                                                {QStringLiteral("third"), QStringLiteral("c")}}));
    const QList<RKLCaptureDictionary> dictionaries =
        arrayOfDictionariesByMatchingRegex(QStringLiteral("ac abc"), QStringLiteral("(a)(b)?(c)"), keys);
    ASSERT_EQ(dictionaries.size(), 2);
    EXPECT_EQ(dictionaries.at(1).value(QStringLiteral("second")), QStringLiteral("b"));
    EXPECT_TRUE(
        dictionaryByMatchingRegex(QStringLiteral("zz"), QStringLiteral("(a)"), keys.mid(0, 1)).isEmpty());
}

TEST(RegexOperations, ReplacementTemplatesInsertGroupsAndLiterals) {
    struct Case {
        const char16_t* subject;
        const char16_t* regex;
        const char16_t* replacement;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"ab cd", u"(\\w)(\\w)", u"$2$1", u"ba dc"},
        {u"x7y", u"(\\d)", u"$1-$1", u"x7-7y"},
        {u"price 5", u"(\\d)", u"\\$$1", u"price $5"},
        {u"a.b.c", u"\\.", u"", u"abc"},
        {u"aaa", u"a", u"", u""},
        {u"no match here", u"\\d", u"#", u"no match here"},
        {u"abc", u"x*", u"-", u"-a-b-c-"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(stringByReplacingOccurrencesOfRegex(q(c.subject), q(c.regex), q(c.replacement)),
                  q(c.expected))
            << QString::fromUtf16(c.subject).toStdString();

    // Output much longer than the first buffer guess is still whole.
    const QString many(500, QLatin1Char('a'));
    EXPECT_EQ(stringByReplacingOccurrencesOfRegex(many, QStringLiteral("a"), QStringLiteral("<$0$0$0$0>")),
              QStringLiteral("<aaaa>").repeated(500));
    // The range form replaces and returns only the text inside the range.
    EXPECT_EQ(stringByReplacingOccurrencesOfRegex(QStringLiteral("a1b2c3"), QStringLiteral("\\d"),
                                                  QStringLiteral("#"), RKLNoOptions, {2, 3}),
              QStringLiteral("b#c"));
}

TEST(RegexOperations, ReplacingInPlaceCountsAndChangesOnlyWhenSomethingMatched) {
    QString subject = QStringLiteral("a1b2c3");
    EXPECT_EQ(replaceOccurrencesOfRegex(subject, QStringLiteral("\\d"), QStringLiteral("<$0>")), 3);
    EXPECT_EQ(subject, QStringLiteral("a<1>b<2>c<3>"));
    // The changed subject is matched afresh, not through what was set from the old text.
    EXPECT_EQ(componentsMatchedByRegex(subject, QStringLiteral("<\\d>")).size(), 3);
    EXPECT_EQ(replaceOccurrencesOfRegex(subject, QStringLiteral("z"), QStringLiteral("y")), 0);
    EXPECT_EQ(subject, QStringLiteral("a<1>b<2>c<3>"));
    QString ranged = QStringLiteral("1 2 3");
    EXPECT_EQ(
        replaceOccurrencesOfRegex(ranged, QStringLiteral("\\d"), QStringLiteral("x"), RKLNoOptions, {2, 3}),
        2);
    EXPECT_EQ(ranged, QStringLiteral("1 x x"));
    TDError error;
    EXPECT_EQ(replaceOccurrencesOfRegex(ranged, QStringLiteral("("), QStringLiteral("x"), RKLNoOptions,
                                        TDRange::whole(), &error),
              -1);
    EXPECT_EQ(ranged, QStringLiteral("1 x x"));
    EXPECT_EQ(error.domain, RKLICURegexErrorDomain);
}

TEST(RegexOperations, TextBeyondTheBasicMultilingualPlaneIsCountedInUtf16Units) {
    const QString subject = q(u"a\U0001F600b\U0001F431c");
    EXPECT_EQ(subject.size(), 7);
    EXPECT_EQ(rangeOfRegex(subject, QStringLiteral("b")), (TDRange{3, 1}));
    // One code point, two units.
    EXPECT_EQ(rangeOfRegex(subject, QStringLiteral("a(.)b"), 1), (TDRange{1, 2}));
    EXPECT_EQ(componentsSeparatedByRegex(subject, QStringLiteral("[\\x{1F600}\\x{1F431}]")),
              list({u"a", u"b", u"c"}));
    EXPECT_EQ(componentsMatchedByRegex(subject, QStringLiteral("\\p{So}")),
              list({u"\U0001F600", u"\U0001F431"}));
    EXPECT_EQ(stringByReplacingOccurrencesOfRegex(subject, QStringLiteral("\\x{1F431}"), q(u"\U0001F436")),
              q(u"a\U0001F600b\U0001F436c"));
    EXPECT_EQ(rangesOfRegex(subject, QStringLiteral("[^abc]")), (QList<TDRange>{{1, 2}, {4, 2}}));
}

TEST(RegexOperations, EscapingMakesEveryMetacharacterLiteral) {
    EXPECT_EQ(stringByEscapingRegexExpressions(QStringLiteral("a.b*c")), QStringLiteral("a\\.b\\*c"));
    EXPECT_EQ(stringByEscapingRegexExpressions(QStringLiteral("C:\\d")), QStringLiteral("C:\\\\d"));
    const QString metacharacters = QStringLiteral("\\^$.|?*+()[]{}/-#\\");
    const QString escaped = stringByEscapingRegexExpressions(metacharacters);
    TDError error;
    EXPECT_EQ(rangeOfRegex(QStringLiteral("xx") + metacharacters + QStringLiteral("yy"), escaped, 0,
                           RKLNoOptions, TDRange::whole(), &error),
              (TDRange{2, metacharacters.size()}))
        << escaped.toStdString();
    EXPECT_TRUE(error.description.isEmpty());
    // Each one alone, too: none of them keeps a meaning.
    for (QChar c : metacharacters) {
        const QString one(c);
        EXPECT_EQ(componentsMatchedByRegex(QStringLiteral("x") + one + QStringLiteral("y"),
                                           stringByEscapingRegexExpressions(one)),
                  QStringList{one})
            << one.toStdString();
    }
}

TEST(RegexOperations, AMalformedPatternIsAnErrorValueNeverACrash) {
    for (const char* pattern : {"(", "[a-", "a{2,1}", "*a", "(?<name", "\\"}) {
        const QString regex = QString::fromLatin1(pattern);
        TDError error;
        EXPECT_FALSE(isMatchedByRegex(QStringLiteral("abc"), regex, RKLNoOptions, TDRange::whole(), &error))
            << pattern;
        EXPECT_EQ(error.domain, RKLICURegexErrorDomain) << pattern;
        EXPECT_GT(error.code, 0) << pattern;
        EXPECT_EQ(error.description, QStringLiteral("There was an error compiling the regular expression."));
        EXPECT_EQ(error.userInfo.value(QStringLiteral("RKLICURegexRegex")).toString(), regex);
        EXPECT_TRUE(error.userInfo.value(QStringLiteral("RKLICURegexErrorName"))
                        .toString()
                        .startsWith(QLatin1String("U_")));
        EXPECT_FALSE(isRegexValid(regex)) << pattern;
        EXPECT_EQ(captureCountForRegex(regex), -1) << pattern;
        EXPECT_TRUE(componentsSeparatedByRegex(QStringLiteral("a,b"), regex).isEmpty());
        EXPECT_TRUE(
            stringByReplacingOccurrencesOfRegex(QStringLiteral("a"), regex, QStringLiteral("b")).isNull());
    }
    TDError error;
    EXPECT_FALSE(isMatchedByRegex(QStringLiteral("abc"), QStringLiteral("a(b"), RKLNoOptions,
                                  TDRange::whole(), &error));
    EXPECT_TRUE(error.userInfo.value(QStringLiteral("NSLocalizedFailureReason"))
                    .toString()
                    .contains(QLatin1String("<<HERE>>")));
    EXPECT_EQ(captureCountForRegex(QStringLiteral("(a)(?:b)(c)")), 2);
    // The error of a call is cleared by the next one.
    EXPECT_TRUE(
        isMatchedByRegex(QStringLiteral("abc"), QStringLiteral("b"), RKLNoOptions, TDRange::whole(), &error));
    EXPECT_TRUE(error.description.isEmpty());
}

TEST(RegexOperations, RunawayBacktrackingEndsWithAnError) {
    TDError error;
    const QString subject = QString(40, QLatin1Char('a'));
    EXPECT_FALSE(isMatchedByRegex(subject, QStringLiteral("(a+)+b"), RKLNoOptions, TDRange::whole(), &error));
    EXPECT_EQ(error.domain, RKLICURegexErrorDomain);
    EXPECT_EQ(error.userInfo.value(QStringLiteral("RKLICURegexErrorName")).toString(),
              QStringLiteral("U_REGEX_TIME_OUT"));
    // The expression stays usable.
    EXPECT_TRUE(isMatchedByRegex(QStringLiteral("aab"), QStringLiteral("(a+)+b")));
}

TEST(RegexOperations, CallersMistakesAreReportedNotRaised) {
    testing::internal::CaptureStderr();
    TDError error;
    EXPECT_EQ(rangeOfRegex(QStringLiteral("abc"), QStringLiteral("b"), 0, RKLNoOptions, {1, 5}, &error),
              TDRange::notFound());
    EXPECT_EQ(error.domain, QStringLiteral("NSRangeException"));
    EXPECT_EQ(error.description,
              QStringLiteral("*** -[QString rangeOfRegex]: Range or index out of bounds."));
    EXPECT_TRUE(componentsMatchedByRegex(QStringLiteral("abc"), QStringLiteral("(b)"), 2, RKLNoOptions,
                                         TDRange::whole(), &error)
                    .isEmpty());
    EXPECT_EQ(error.domain, QStringLiteral("NSInvalidArgumentException"));
    EXPECT_TRUE(error.description.endsWith(QLatin1String("The capture argument is not valid.")));
    EXPECT_TRUE(dictionaryByMatchingRegex(QStringLiteral("abc"), QStringLiteral("(b)"),
                                          {{QStringLiteral("k"), 3}}, RKLNoOptions, TDRange::whole(), &error)
                    .isEmpty());
    EXPECT_TRUE(error.description.endsWith(
        QLatin1String("The capture argument 3 (capture 1 of 1) for key 'k' is not valid.")));
    EXPECT_TRUE(stringByReplacingOccurrencesOfRegex(QStringLiteral("abc"), QStringLiteral("(b)"),
                                                    QStringLiteral("$7"), RKLNoOptions, TDRange::whole(),
                                                    &error)
                    .isNull());
    EXPECT_EQ(error.domain, RKLICURegexErrorDomain);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("Range or index out of bounds."), std::string::npos);
    EXPECT_EQ(rangeOfRegex(QStringLiteral("abc"), QStringLiteral("c"), 0, RKLNoOptions, {3, 0}),
              TDRange::notFound());
}

TEST(RegexOperations, EnumeratorsWalkEveryMatchAndEnd) {
    RKLRangeEnumerator ranges = rkl_rangeEnumeratorWithRegex(QStringLiteral("ab"), QStringLiteral("x*"));
    EXPECT_EQ(ranges.nextObject(), (TDRange{0, 0}));
    EXPECT_EQ(ranges.nextObject(), (TDRange{1, 0}));
    EXPECT_EQ(ranges.nextObject(), (TDRange{2, 0}));
    EXPECT_EQ(ranges.nextObject(), std::nullopt);
    EXPECT_EQ(ranges.nextObject(), std::nullopt);
    EXPECT_EQ(rkl_matchEnumeratorWithRegex(QStringLiteral("#one #two three #four"), QStringLiteral("#\\w+"))
                  .allObjects(),
              list({u"#one", u"#two", u"#four"}));
    EXPECT_TRUE(
        rkl_matchEnumeratorWithRegex(QStringLiteral("abc"), QStringLiteral("(")).allObjects().isEmpty());
}

TEST(RegexOperations, ThreadsShareTheCacheSafely) {
    std::atomic<int> wrong{0};
    QList<QThread*> threads;
    for (int t = 0; t < 4; ++t) {
        threads.append(QThread::create([t, &wrong] {
            for (int i = 0; i < 300; ++i) {
                const QString subject = QStringLiteral("item-%1-%2 and item-%3").arg(t).arg(i).arg(i * 7);
                const QStringList numbers =
                    componentsMatchedByRegex(subject, QStringLiteral("item-(\\d+)"), 1);
                if (numbers != QStringList{QString::number(t), QString::number(i * 7)}) ++wrong;
                if (stringByReplacingOccurrencesOfRegex(subject, QStringLiteral("\\d"), QStringLiteral("#"))
                        .contains(QLatin1Char('1')))
                    ++wrong;
            }
        }));
        threads.last()->start();
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
