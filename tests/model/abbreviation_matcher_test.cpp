#include "model/abbreviation_matcher.h"

#include "language/mnemonics.h"
#include "language/string_ranker.h"
#include "model/tag.h"
#include "tests/model/library_fixture.h"

#include "platform/plist/property_list.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

TDAbbreviationCandidate candidate(const char* text, const char* uid) {
    return {QString::fromUtf8(text), QString::fromLatin1(uid), nullptr};
}

QStringList uids(const QList<TDAbbreviationCandidate>& candidates) {
    QStringList result;
    for (const TDAbbreviationCandidate& c : candidates) result.append(c.uid);
    return result;
}

QStringList list(std::initializer_list<const char*> items) {
    QStringList result;
    for (const char* item : items) result.append(QString::fromLatin1(item));
    return result;
}

class AbbreviationMatcherTest : public testsupport::TempFoldersTest {
protected:
    QSMnemonics memory;  // no library: learning stays in memory
    TDAbbreviationMatcher matcher{memory};

    double rankerScore(const char* text, const char* abbreviation) const {
        return QSDefaultStringRanker(QString::fromUtf8(text))
            .scoreForAbbreviation(QString::fromLatin1(abbreviation));
    }
    void count(const char* abbreviation, const char* uid, int times) {
        for (int i = 0; i < times; ++i)
            memory.addObjectMnemonic(QString::fromLatin1(abbreviation), QString::fromLatin1(uid));
    }
};

const QList<TDAbbreviationCandidate> kGroups = {
    candidate("Work Orders", "W1"), candidate("Window", "W4"),   candidate("Workshop", "W2"),
    candidate("Wombat", "W3"),      candidate("Groceries", "G"),
};

TEST_F(AbbreviationMatcherTest, rememberedGroupsComeFirstInTheMemorysOrderThenByScore) {
    EXPECT_EQ(uids(matcher.groupsMatchingAbbreviation(kGroups, QStringLiteral("wo"))),
              list({"W3", "W2", "W1", "W4"}))
        << "by score alone";

    memory.addAbbrevMnemonic(QStringLiteral("wo"), QStringLiteral("W4"));
    memory.addAbbrevMnemonic(QStringLiteral("wo"), QStringLiteral("W2"));
    EXPECT_EQ(uids(matcher.groupsMatchingAbbreviation(kGroups, QStringLiteral("wo"))),
              list({"W4", "W2", "W3", "W1"}));
    EXPECT_TRUE(matcher.groupsMatchingAbbreviation(kGroups, QString()).isEmpty());
}

TEST_F(AbbreviationMatcherTest, aChoiceMakesItsItemTheFirstForTheSameLetters) {
    matcher.addMnemonic(QStringLiteral("wo"), QStringLiteral("W2"));
    EXPECT_EQ(memory.abbrevMnemonicsForString(QStringLiteral("wo")), list({"W2"}));
    EXPECT_EQ(memory.objectMnemonicsForID(QStringLiteral("W2")).value(QStringLiteral("wo")), 1);
    EXPECT_EQ(uids(matcher.groupsMatchingAbbreviation(kGroups, QStringLiteral("wo"))).first(),
              QStringLiteral("W2"));
}

TEST_F(AbbreviationMatcherTest, anItemThatDoesNotFitIsOfferedOnlyForExactlyItsRememberedLetters) {
    memory.addAbbrevMnemonic(QStringLiteral("xq"), QStringLiteral("G"));
    count("xq", "G", 1);
    count("xqz", "W1", 5);  // similar letters never lift a score of 0

    std::optional<TDAbbreviationRank> rank =
        matcher.rankDictionaryForLibraryItem(kGroups[4], QStringLiteral("xq"), nullptr);
    ASSERT_TRUE(rank.has_value());
    EXPECT_DOUBLE_EQ(rank->score, 1.0);
    const QStringList remembered = memory.abbrevMnemonicsForString(QStringLiteral("xq"));
    EXPECT_EQ(matcher.rankDictionaryForLibraryItem(kGroups[4], QStringLiteral("xq"), &remembered)->order,
              TDAbbreviationRank::kNotRemembered)
        << "a remembered place counts only for a fitting name";
    EXPECT_EQ(uids(matcher.groupsMatchingAbbreviation(kGroups, QStringLiteral("xq"))), list({"G"}));
}

// Counts remembered for "Hello World" and what they add to its score for "hw".
struct BonusCase {
    const char* name;
    std::vector<std::pair<const char*, int>> counts;
    double bonus;
};

class AbbreviationBonusTest : public AbbreviationMatcherTest,
                              public ::testing::WithParamInterface<BonusCase> {};

TEST_P(AbbreviationBonusTest, addsToTheRankersScore) {
    for (const auto& [abbreviation, times] : GetParam().counts) count(abbreviation, "H", times);
    std::optional<TDAbbreviationRank> rank =
        matcher.rankDictionaryForLibraryItem(candidate("Hello World", "H"), QStringLiteral("hw"), nullptr);
    ASSERT_TRUE(rank.has_value());
    EXPECT_DOUBLE_EQ(rank->score, rankerScore("Hello World", "hw") + GetParam().bonus);
}

INSTANTIATE_TEST_SUITE_P(Counts, AbbreviationBonusTest,
                         ::testing::Values(BonusCase{"none", {}, 0.0},
                                           BonusCase{"longerUsedOnce", {{"hwx", 1}}, 0.0},
                                           BonusCase{"longerUsedTwice", {{"hwx", 2}}, 0.125},
                                           BonusCase{"longerInOtherCase", {{"HWX", 2}}, 0.125},
                                           BonusCase{"shorterUsedFourTimes", {{"h", 4}}, 0.1875},
                                           BonusCase{"emptyUsedTwice", {{"", 2}}, 0.125},
                                           BonusCase{"differentLetters", {{"hx", 2}}, 0.0},
                                           BonusCase{"bothAdd", {{"hwx", 2}, {"h", 2}}, 0.25},
                                           BonusCase{"exactOnceAddsOne", {{"hw", 1}}, 1.0},
                                           BonusCase{"exactOftenStillOne", {{"hw", 7}, {"hwx", 2}}, 1.0}),
                         [](const ::testing::TestParamInfo<BonusCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(AbbreviationMatcherTest, negativeCountsFromOlderFilesAddOneOrTwo) {
    const QString package = QDir(tempPath()).filePath(QStringLiteral("A.odllibrary"));
    QDir().mkpath(package);
    const struct {
        qint64 count;
        double bonus;
    } cases[] = {{-1, 1.0}, {-2, 2.0}, {-3, 1.0}, {-40, 1.0}};
    for (const auto& c : cases) {
        ASSERT_TRUE(platform::writePropertyListFile(
                        QDir(package).filePath(QStringLiteral("mnemonics.plist")),
                        QVariantMap{{QStringLiteral("implied"),
                                     QVariantMap{{QStringLiteral("H"),
                                                  QVariantMap{{QStringLiteral("hw"), c.count}}}}}})
                        .ok());
        QSMnemonics fromFile;
        fromFile.setLibraryPackagePath(package);
        TDAbbreviationMatcher fileMatcher(fromFile);
        std::optional<TDAbbreviationRank> rank = fileMatcher.rankDictionaryForLibraryItem(
            candidate("Hello World", "H"), QStringLiteral("hw"), nullptr);
        ASSERT_TRUE(rank.has_value()) << c.count;
        EXPECT_DOUBLE_EQ(rank->score, rankerScore("Hello World", "hw") + c.bonus) << c.count;
    }
}

TEST_F(AbbreviationMatcherTest, onlyScoresAboveAThirdQualify) {
    const TDAbbreviationCandidate far = candidate("abcdef", "F");
    ASSERT_LT(rankerScore("abcdef", "f"), TDAbbreviationMatcher::kThreshold);
    EXPECT_FALSE(matcher.rankDictionaryForLibraryItem(far, QStringLiteral("f"), nullptr).has_value());
    count("fx", "F", 2);  // +0.125 is not enough
    EXPECT_FALSE(matcher.rankDictionaryForLibraryItem(far, QStringLiteral("f"), nullptr).has_value());
    count("fx", "F", 998);  // +0.24975 is
    EXPECT_TRUE(matcher.rankDictionaryForLibraryItem(far, QStringLiteral("f"), nullptr).has_value());
    EXPECT_GT(rankerScore("abcdef", "d"), TDAbbreviationMatcher::kThreshold);
    EXPECT_TRUE(matcher.rankDictionaryForLibraryItem(candidate("abcdef", "D"), QStringLiteral("d"), nullptr)
                    .has_value());
}

TEST_F(AbbreviationMatcherTest, tagsOfEqualRankFollowTheirTextIgnoringCase) {
    const QList<TDAbbreviationCandidate> tags = {candidate("xc", "C"), candidate("XB", "B"),
                                                 candidate("xa", "A"), candidate("yx", "Y")};
    EXPECT_EQ(uids(matcher.tagsMatchingAbbreviation(tags, QStringLiteral("x"))), list({"A", "B", "C", "Y"}));
    EXPECT_EQ(uids(matcher.groupsMatchingAbbreviation(tags, QStringLiteral("x"))),
              list({"C", "B", "A", "Y"}));
    EXPECT_EQ(uids(matcher.tagsMatchingAbbreviation(tags, QStringLiteral("é"))), QStringList{});
}

class AbbreviationCandidateTest : public modeltest::LibraryTest {};

TEST_F(AbbreviationCandidateTest, aGroupIsTypedByItsTitleAndATagByItsToken) {
    TDGroup* list = TDGroup::from(insert(QStringLiteral("List")));
    list->setTitle(QStringLiteral("Work Orders"));
    const TDAbbreviationCandidate c = TDAbbreviationCandidate::fromGroup(list);
    EXPECT_EQ(c.text, QStringLiteral("Work Orders"));
    EXPECT_EQ(c.uid, list->uid());
    EXPECT_FALSE(c.uid.isEmpty());
    EXPECT_EQ(c.object, list);

    auto* tag = dynamic_cast<TDTag*>(insert(QStringLiteral("Tag")));
    ASSERT_NE(tag, nullptr);
    tag->setTitle(QStringLiteral("home office"));
    EXPECT_EQ(TDAbbreviationCandidate::fromGroup(tag).text, QStringLiteral("/home office/"));
}

TEST_F(AbbreviationMatcherTest, aPreparedIndexRanksEveryKeystrokeAsTheCandidatesThemselves) {
    const QList<TDAbbreviationCandidate> groups = {
        candidate("Work Orders", "W1"), candidate("Window", "W4"),   candidate("Workshop", "W2"),
        candidate("Wombat", "W3"),      candidate("Groceries", "G"), candidate("Café Orders", "C"),
    };
    // Letters chosen before for a list whose name they do not fit offer it again, even after keys
    // that matched nothing.
    count("wox", "G", 2);
    memory.addAbbrevMnemonic(QStringLiteral("wox"), QStringLiteral("G"));
    TDAbbreviationIndex index(groups);
    // Typed on, taken back, typed anew, accents purified away.
    const char* const typed[] = {"w", "wo", "wox", "wo", "wor", "x", "xo", "", "ca", "caf", "café", "cafeo"};
    for (const char* keys : typed) {
        const QString abbreviation = QString::fromUtf8(keys);
        EXPECT_EQ(uids(matcher.groupsMatchingAbbreviation(index, abbreviation)),
                  uids(matcher.groupsMatchingAbbreviation(groups, abbreviation)))
            << keys;
    }
}

}  // namespace
