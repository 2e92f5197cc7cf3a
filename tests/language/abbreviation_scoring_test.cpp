#include "language/abbreviation_scoring.h"
#include "language/string_purification.h"
#include "language/string_ranker.h"
#include "language/string_ranking.h"

#include <gtest/gtest.h>

namespace {

QString s(const char* utf8) {
    return QString::fromUtf8(utf8);
}

struct ScoreCase {
    const char* name;
    const char* abbreviation;
    float score;
    QList<qsizetype> mask;
};

TEST(AbbreviationScoring, ScoresAndMasks) {
    const ScoreCase cases[] = {
        {"Hello", "", 0.9f, {}},
        {"", "", 0.9f, {}},
        {"abc", "abcd", 0.0f, {}},
        {"Hello", "hello", 1.0f, {0, 1, 2, 3, 4}},
        {"Hello", "Hello", 1.0f, {0, 1, 2, 3, 4}},
        // Word starts: the blank before "W" is free, the other letters before it cost 0.15 each.
        {"Hello World", "hw", 10.0f / 11.0f, {0, 6}},
        {"a b c", "c", 3.7f / 5.0f, {4}},
        // A capital inside a word: the small letters before it cost 0.15, capitals 1.
        {"GoToList", "gl", 0.8f, {0, 4}},
        // Plain skipped letters cost 1 each; the unmatched tail scores 0.9 a letter.
        {"abcdef", "d", (1.0f + 0.9f * 2.0f) / 6.0f, {3}},
        {"abcdef", "ab", (2.0f + 0.9f * 4.0f) / 6.0f, {0, 1}},
        // Case: a lower-case first letter matches either case, an upper-case one only itself.
        {"abcdef", "D", 0.0f, {}},
        {"hello", "H", 0.0f, {}},
        {"HELLO", "h", (1.0f + 0.9f * 4.0f) / 5.0f, {0}},
        {"hello", "HE", 0.0f, {}},
        // Failed attempts leave nothing in the mask: "ab" is found at 4 first, but then "c" has no room.
        {"axbcab", "abc", 0.8f, {0, 2, 3}},
        {"ab xy", "abz", 0.0f, {}},
        {"zzz", "q", 0.0f, {}},
    };
    for (const ScoreCase& c : cases) {
        QList<qsizetype> mask;
        const float score = scoreAbbreviation(s(c.name), s(c.abbreviation), &mask);
        EXPECT_FLOAT_EQ(score, c.score) << c.name << " / " << c.abbreviation;
        EXPECT_EQ(mask, c.mask) << c.name << " / " << c.abbreviation;
        EXPECT_FLOAT_EQ(scoreAbbreviation(s(c.name), s(c.abbreviation)), score) << "without a mask";
    }
}

TEST(AbbreviationScoring, ScoresPartOfAStringAndAppendsToTheMask) {
    QList<qsizetype> mask{99};
    const QString name = QStringLiteral("xx Hello World");
    const float score =
        scoreAbbreviationInRange(name, QStringLiteral("ahw"), &mask, {3, name.size() - 3}, {1, 2});
    EXPECT_FLOAT_EQ(score, 10.0f / 11.0f);
    EXPECT_EQ(mask, (QList<qsizetype>{99, 3, 9}));
}

TEST(StringPurification, StripsAccentsAndKeepsTheOriginalPositions) {
    EXPECT_EQ(purifiedString(s("Café")), s("Cafe"));
    EXPECT_EQ(purifiedString(s("naïve")), s("naive"));
    EXPECT_EQ(purifiedString(s("Ångström Æther")), s("Angstrom Æther"));
    EXPECT_EQ(purifiedString(s("e\xCC\x81t\xC3\xA9")), s("ete"));
    EXPECT_EQ(purifiedString(s("\xCC\x81"
                               "abc")),
              s("abc"));                            // a mark with nothing before it
    EXPECT_EQ(purifiedString(s("ﬁne")), s("ﬁne"));  // no compatibility forms
    const QString plain = QStringLiteral("plain");
    EXPECT_EQ(purifiedString(plain).constData(), plain.constData());

    const PurifiedString decomposed = PurifiedString::from(s("Cafe\xCC\x81!"));
    EXPECT_EQ(decomposed.text, s("Cafe!"));
    using Range = std::pair<qsizetype, qsizetype>;
    EXPECT_EQ(decomposed.origins, (QList<Range>{{0, 1}, {1, 2}, {2, 3}, {3, 5}, {5, 6}}));

    const PurifiedString hangul = PurifiedString::from(s("한국"));
    EXPECT_EQ(hangul.text.size(), 6);  // two syllables, three letters each
    EXPECT_EQ(hangul.originalPositions({0, 2, 4}), (QList<qsizetype>{0, 1}));
}

struct RankerCase {
    const char* name;
    const char* abbreviation;
    float score;
    QList<qsizetype> mask;  // positions of the name as given
};

TEST(StringRanker, PurifiesNameAndAbbreviationAndMasksTheNameAsGiven) {
    const RankerCase cases[] = {
        {"Café", "cafe", 1.0f, {0, 1, 2, 3}},
        {"Café", "café", 1.0f, {0, 1, 2, 3}},
        {"Cafe", "café", 1.0f, {0, 1, 2, 3}},
        {"Café", "CAF", (3.0f + 0.9f) / 4.0f, {0, 1, 2}},  // ignoring case after the first letter
        // A decomposed accent is one unit longer: the mask still points at the name's letters.
        {"Cafe\xCC\x81 Noir", "cn", 8.25f / 9.0f, {0, 6}},
        {"Cafe\xCC\x81 Noir", "cafe", (4.0f + 0.9f * 5.0f) / 9.0f, {0, 1, 2, 3, 4}},
        {"Crème Brûlée", "cb", 10.9f / 12.0f, {0, 6}},
        {"한국어", "한", 7.5f / 8.0f, {0}},  // the syllables purify to 3, 3 and 2 letters
        {"Garden", "xyz", 0.0f, {}},
    };
    for (const RankerCase& c : cases) {
        const QSDefaultStringRanker ranker(s(c.name));
        EXPECT_FLOAT_EQ(static_cast<float>(ranker.scoreForAbbreviation(s(c.abbreviation))), c.score)
            << c.name << " / " << c.abbreviation;
        EXPECT_EQ(ranker.maskForAbbreviation(s(c.abbreviation)), c.mask) << c.name << " / " << c.abbreviation;
    }

    QSDefaultStringRanker shared;
    shared.setNormString(s("Résumé"));
    EXPECT_EQ(shared.normString(), s("Resume"));
    EXPECT_EQ(shared.description(), s("Resume"));
    EXPECT_DOUBLE_EQ(shared.scoreForAbbreviation(s("resume")), 1.0);
}

TEST(StringRanking, AnswersMatchingNamesBestFirst) {
    const QStringList names = {s("Workshop"), s("Work Orders"), s("Café Noir"), s("Garden"), s("Workshop")};
    const auto ranked = rankedStringsForAbbreviation(names, s("wo"));
    ASSERT_EQ(ranked.size(), 3);
    EXPECT_EQ(ranked[0].index, 0);  // equal scores keep the list's order
    EXPECT_EQ(ranked[1].index, 4);
    EXPECT_EQ(ranked[2].index, 1);
    EXPECT_FLOAT_EQ(static_cast<float>(ranked[0].score), 7.4f / 8.0f);
    EXPECT_FLOAT_EQ(static_cast<float>(ranked[2].score), 10.1f / 11.0f);

    EXPECT_EQ(rankedStringsForAbbreviation(names, s("cafe")), rankedStringsForAbbreviation(names, s("café")));
    ASSERT_EQ(rankedStringsForAbbreviation(names, s("cafe")).size(), 1);
    EXPECT_EQ(rankedStringsForAbbreviation(names, s("cafe")).first().index, 2);
    EXPECT_TRUE(rankedStringsForAbbreviation(names, s("qq")).isEmpty());
    EXPECT_TRUE(rankedStringsForAbbreviation({}, s("a")).isEmpty());
}

}  // namespace
