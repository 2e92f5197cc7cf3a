#include "language/title_parser.h"
#include "language/token_array.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

namespace {

using Range = TDTitleParser::Range;

class TitleParserTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        defaults().registerDefaults(
            {{QStringLiteral("secondsPerDay"), 28800}, {QStringLiteral("secondsPerWeek"), 144000}});
        TDClock::setShared(&m_clock);
    }
    void TearDown() override {
        TDClock::setShared(nullptr);
        TempFoldersTest::TearDown();
    }
    TDTestClock m_clock{QDateTime(QDate(2027, 3, 10), QTime(9, 0))};
};

TEST_F(TitleParserTest, findsTagContextAndPhraseTokens) {
    const std::pair<const char*, QStringList> cases[] = {
        {"Buy milk /errands", {QStringLiteral("/errands")}},
        {"Call Bob /phone @office", {QStringLiteral("/phone"), QStringLiteral("@office")}},
        {"Buy paint /house repairs/", {QStringLiteral("/house repairs/")}},
        {"/two words/", {QStringLiteral("/two words/")}},
        {"/two words", {QStringLiteral("/two")}},
        {"/a/ and /b/", {QStringLiteral("/a/"), QStringLiteral("/b/")}},
        {"/a b/c d/", {QStringLiteral("/a")}},
        {"/x @y/", {QStringLiteral("/x @y/")}},
        {"/a\tb/", {QStringLiteral("/a")}},  // a control character ends the phrase
        {"email @home", {QStringLiteral("@home")}},
        {"a/b", {}},
        {"/a/b", {}},
        {"5/7 meeting", {}},
        {"/ @ //", {}},
        {"x /", {}},
        {"\u00e9t\u00e9 /caf\u00e9 @\u00e0", {QStringLiteral("/caf\u00e9"), QStringLiteral("@\u00e0")}},
    };
    for (const auto& [title, expected] : cases)
        EXPECT_EQ(TDTitleParser::tokenEditingStringsFromString(QString::fromUtf8(title)), expected) << title;
    EXPECT_EQ(TDTitleParser::tokenRangesFromEditingString(QStringLiteral("Call /phone @office")),
              (QList<Range>{{5, 6}, {12, 7}}));
    EXPECT_TRUE(TDTitleParser::isTokenEditingString(QStringLiteral("x @y")));
    EXPECT_FALSE(TDTitleParser::isTokenEditingString(QStringLiteral("x@y")));
}

TEST_F(TitleParserTest, readsTagTitlesOfTokens) {
    EXPECT_EQ(TDTitleParser::tokenTitlesFromEditingString(QStringLiteral("Buy /house repairs/ @home /x")),
              (QStringList{QStringLiteral("house repairs"), QStringLiteral("@home"), QStringLiteral("x")}));
    EXPECT_EQ(TDTitleParser::tagTitleFromEditingString(QStringLiteral("/errands")),
              QStringLiteral("errands"));
    EXPECT_EQ(TDTitleParser::tagTitleFromEditingString(QStringLiteral("/two words/")),
              QStringLiteral("two words"));
    EXPECT_EQ(TDTitleParser::tagTitleFromEditingString(QStringLiteral("@home")), QStringLiteral("@home"));
    EXPECT_EQ(TDTitleParser::tagTitleFromEditingString(QStringLiteral("/")), QStringLiteral(""));
    EXPECT_FALSE(TDTitleParser::tagTitleFromEditingString(QStringLiteral("/")).isNull());
    EXPECT_TRUE(TDTitleParser::tagTitleFromEditingString(QStringLiteral("home")).isNull());
    EXPECT_TRUE(TDTitleParser::tagTitleFromEditingString(QStringLiteral("/a/b")).isNull());
    EXPECT_TRUE(TDTitleParser::tagTitleFromEditingString(QStringLiteral("//")).isNull());
}

TEST_F(TitleParserTest, writesTagTitlesAsTokenText) {
    const std::pair<const char*, const char*> cases[] = {
        {"home", "/home"}, {" house repairs ", "/house repairs/"}, {"@office", "@office"},
        {"@", "/@"},       {"@home office", "/@home office/"},
    };
    for (const auto& [title, expected] : cases)
        EXPECT_EQ(TDTitleParser::tagEditingStringFromTitle(QString::fromUtf8(title)),
                  QString::fromUtf8(expected));
    EXPECT_TRUE(TDTitleParser::tagEditingStringFromTitle(QStringLiteral("  ")).isNull());
    EXPECT_TRUE(TDTitleParser::isContextTag(QStringLiteral("@home")));
    EXPECT_TRUE(TDTitleParser::isContextTag(QStringLiteral("/@home office/")));
    EXPECT_FALSE(TDTitleParser::isContextTag(QStringLiteral("/home")));
    EXPECT_TRUE(TDTitleParser::hasTagPrefix(QStringLiteral("/x")));
    EXPECT_FALSE(TDTitleParser::hasTagPrefix(QString()));
}

TEST_F(TitleParserTest, removesTrailingTokensAndNamesTheOthers) {
    const std::pair<const char*, const char*> cases[] = {
        {"Call Bob /phone @office", "Call Bob"},
        {"/house repairs/ before friday @home", "House Repairs before friday"},
        {"Meet @anna at /the cafe/ today", "Meet anna at the cafe today"},
        {"/errands", ""},
        {"Plain title", "Plain title"},
        {"Ask /p2 first /x  ", "Ask p2 first"},
    };
    for (const auto& [title, expected] : cases)
        EXPECT_EQ(TDTitleParser::titleWithoutTagsFromEditingString(QString::fromUtf8(title)),
                  QString::fromUtf8(expected))
            << title;
}

TEST_F(TitleParserTest, makesTokensFromTokenText) {
    const auto token = [](const char* text) {
        return TDTitleParser::tokenFromEditingString(QString::fromUtf8(text));
    };
    EXPECT_EQ(token("due:tomorrow"), TDToken(TDDueTokenTitle, QDate(2027, 3, 11).startOfDay()));
    EXPECT_EQ(token("due jan 5"), TDToken(TDDueTokenTitle, QDate(2028, 1, 5).startOfDay()));
    EXPECT_EQ(token("due:whenever"), TDToken(TDDueTokenTitle));
    EXPECT_EQ(token("p=3"), TDToken(TDPriorityTokenTitle, 3));
    EXPECT_EQ(token("priority:9"), TDToken(TDPriorityTokenTitle, 9));
    EXPECT_EQ(token("p:12"), std::nullopt);
    EXPECT_EQ(token("p:0"), std::nullopt);
    EXPECT_EQ(token("e 2h"), TDToken(TDEstimateTokenTitle, 7200.0));
    EXPECT_EQ(token("estimate=1w"), TDToken(TDEstimateTokenTitle, 144000.0));
    EXPECT_EQ(token("3h"), TDToken(TDEstimateTokenTitle, 10800.0));
    EXPECT_EQ(token("2d"), TDToken(TDEstimateTokenTitle, 2 * 86400.0));
    EXPECT_EQ(token("1.5H"), TDToken(TDEstimateTokenTitle, 5400.0));
    EXPECT_EQ(token("/p1"), TDToken(TDPriorityTokenTitle, 1));
    EXPECT_EQ(token("/P9"), TDToken(TDPriorityTokenTitle, 9));
    EXPECT_EQ(token("p4"), TDToken(TDPriorityTokenTitle, 4));
    EXPECT_EQ(token("/step2"), TDToken(QStringLiteral("/step2")));
    EXPECT_EQ(token("/laptop3"), TDToken(QStringLiteral("/laptop3")));
    EXPECT_EQ(token("/p0"), TDToken(QStringLiteral("/p0")));
    EXPECT_EQ(token("/p10"), TDToken(QStringLiteral("/p10")));
    EXPECT_EQ(token("/home"), TDToken(QStringLiteral("/home")));
    EXPECT_EQ(token("/3h"), TDToken(QStringLiteral("/3h")));
    EXPECT_EQ(token("colour:red"), TDToken(QStringLiteral("colour:red")));
    EXPECT_EQ(token("0h"), TDToken(QStringLiteral("0h")));
    EXPECT_EQ(token("99999999999999999999999999w"), TDToken(QStringLiteral("99999999999999999999999999w")));
}

TEST_F(TitleParserTest, splitsTokenTextIntoItsParts) {
    const TDTitleParser::TokenParts keyword =
        TDTitleParser::parseTokenEditingString(QStringLiteral(" due:next week "));
    EXPECT_EQ(keyword.keyword, QStringLiteral("due"));
    EXPECT_EQ(keyword.separator, QStringLiteral(":"));
    EXPECT_EQ(keyword.stringValue, QStringLiteral("next week"));
    EXPECT_TRUE(keyword.title.isNull());
    const TDTitleParser::TokenParts title = TDTitleParser::parseTokenEditingString(QStringLiteral("/a b:c"));
    EXPECT_EQ(title.title, QStringLiteral("/a b:c"));
    EXPECT_TRUE(title.keyword.isNull());
    const TDTitleParser::TokenParts value = TDTitleParser::parseTokenEditingString(QStringLiteral(":x"));
    EXPECT_EQ(value.stringValue, QStringLiteral(":x"));
    EXPECT_TRUE(value.keyword.isNull());
}

TEST_F(TitleParserTest, parsesTheTokensOfATitle) {
    EXPECT_EQ(TDTitleParser::parsedTokensFromEditingString(QStringLiteral("Buy milk")), std::nullopt);
    EXPECT_EQ(TDTitleParser::parsedTokensFromEditingString(QStringLiteral("5/7 meeting")), QList<TDToken>());
    EXPECT_EQ(
        TDTitleParser::parsedTokensFromEditingString(QStringLiteral("Plan /step2 /p2 @desk /big project/")),
        (QList<TDToken>{TDToken(QStringLiteral("/step2")), TDToken(TDPriorityTokenTitle, 2),
                        TDToken(QStringLiteral("@desk")), TDToken(QStringLiteral("/big project/"))}));
}

TEST_F(TitleParserTest, findsTheTokenThatNamesTheSameTag) {
    const QString title = QStringLiteral("Fix /home sink /home/ @home");
    EXPECT_EQ(TDTitleParser::rangeOfEquivalentTagEditingString(QStringLiteral(" /home/ "), title),
              (Range{4, 5}));
    EXPECT_EQ(TDTitleParser::rangeOfEquivalentTagEditingString(QStringLiteral("@home"), title),
              (Range{22, 5}));
    EXPECT_FALSE(TDTitleParser::rangeOfEquivalentTagEditingString(QStringLiteral("/Home"), title).isFound());
    EXPECT_TRUE(TDTitleParser::tagEditingStringIsEquivalentToString(QStringLiteral("/a b/"),
                                                                    QStringLiteral(" /a b/")));
    EXPECT_FALSE(
        TDTitleParser::tagEditingStringIsEquivalentToString(QStringLiteral("x"), QStringLiteral("x")));
}

TEST_F(TitleParserTest, tokensCompareByTitleAndValue) {
    EXPECT_EQ(TDToken(QStringLiteral("/a")), TDToken(QStringLiteral("/a")));
    EXPECT_NE(TDToken(TDPriorityTokenTitle, 2), TDToken(TDPriorityTokenTitle, 3));
    EXPECT_EQ(TDToken(), TDToken());
    EXPECT_EQ(TDToken(TDPriorityTokenTitle, 2).editingString(), QStringLiteral("/priority[2]"));
    EXPECT_EQ(TDToken(TDPriorityTokenTitle, 2).displayString(), QStringLiteral("2"));
    EXPECT_EQ(TDToken(TDEstimateTokenTitle, 5400.0).displayString(), QStringLiteral("1.5h"));
    EXPECT_EQ(TDToken(TDDueTokenTitle, QDate(2027, 3, 11).startOfDay()).displayString(),
              QStringLiteral("Tomorrow"));
    EXPECT_EQ(TDToken(QStringLiteral("/x")).displayString(), QStringLiteral("/x"));
    EXPECT_EQ(TDToken(QString(), 4).displayString(), QStringLiteral("4"));
    EXPECT_EQ(TDToken(QStringLiteral("/x")).description(),
              QStringLiteral("<TDToken: title: /x value: (null)>"));

    QList<TDToken> tokens{TDToken(QStringLiteral("/a")), TDToken(TDPriorityTokenTitle, 2),
                          TDToken(QStringLiteral("/b"))};
    TDAddTokenIfAbsent(TDToken(QStringLiteral("/a")), tokens);
    TDAddTokenIfAbsent(TDToken(TDPriorityTokenTitle, 3), tokens);
    EXPECT_EQ(tokens.size(), 4);
    EXPECT_EQ(TDTokenWithTitleInArray(TDPriorityTokenTitle, tokens), TDToken(TDPriorityTokenTitle, 2));
    EXPECT_EQ(TDTokenWithTitleInArray(QStringLiteral("/c"), tokens), std::nullopt);
    EXPECT_EQ(TDTokensRemovingTitle(TDPriorityTokenTitle, tokens),
              (QList<TDToken>{TDToken(QStringLiteral("/a")), TDToken(QStringLiteral("/b"))}));
    EXPECT_EQ(TDTokensRemovingTitles({QStringLiteral("/a"), QStringLiteral("/b")}, tokens).size(), 2);
}

}  // namespace
