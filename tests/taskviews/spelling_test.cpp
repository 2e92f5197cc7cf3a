#include "taskviews/spelling_service.h"
#include "taskviews/spelling_words.h"
#include "tests/support/test_dictionary.h"
#include "tests/support/test_environment.h"

#include <QSignalSpy>

namespace {

// A list of words written as plain literals.
QStringList ql(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items) list << QString::fromUtf8(item);
    return list;
}

QStringList wordsOf(const QString& text, const QList<TDRange>& excluded = {}) {
    QStringList words;
    for (const TDRange& range : TDSpellCheckedWords(text, excluded))
        words << text.mid(range.location, range.length);
    return words;
}

TEST(SpellCheckedWords, AreWordsOfTheLanguageOnly) {
    const struct {
        const char* text;
        std::initializer_list<const char*> words;
    } cases[] = {
        {"Call the plumber tomorow.", {"Call", "the", "plumber", "tomorow"}},
        {"don't stop", {"don't", "stop"}},
        {"rock 'n' roll", {"rock", "n", "roll"}},
        {"Buy /groceries and /house repairs/ then @office", {"Buy", "and", "then"}},
        {"See https://example.com/pagge or www.exampel.org", {"See", "or"}},
        {"mail joe@exmaple.com now", {"mail", "now"}},
        {"v2 build_id x86 ok", {"ok"}},
        {"Café naïve résumé", {"Café", "naïve", "résumé"}},
        {"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(wordsOf(QString::fromUtf8(c.text)), ql(c.words)) << c.text;
}

TEST(SpellCheckedWords, LeaveOutTheExcludedRanges) {
    // A link's text and an attached file's character.
    const QString text = QStringLiteral("read thiss page \uFFFC here");
    EXPECT_EQ(wordsOf(text, {TDRange{5, 10}}), ql({"read", "here"}));
}

class SpellingServiceTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        dictionary = std::make_unique<testsupport::TestDictionary>(
            tempPath() + QStringLiteral("/enchant"), ql({"hello", "world", "note", "spelling", "tomorrow"}));
    }
    void TearDown() override {
        dictionary.reset();
        TempFoldersTest::TearDown();
    }

    // Asks the background check and waits for its answers.
    static void judge(TDSpellingService& service, const QStringList& words) {
        service.check(words);
        ASSERT_TRUE(testsupport::spinUntil([&] {
            return std::all_of(words.begin(), words.end(),
                               [&](const QString& w) { return service.isCorrect(w).has_value(); });
        }));
    }

    std::unique_ptr<testsupport::TestDictionary> dictionary;
};

TEST_F(SpellingServiceTest, JudgesInTheBackgroundAndSuggests) {
    TDSpellingService service(testsupport::TestDictionary::Language);
    ASSERT_TRUE(service.isAvailable());
    EXPECT_FALSE(service.isCorrect(QStringLiteral("helo")).has_value());
    QSignalSpy arrived(&service, &TDSpellingService::verdictsArrived);
    judge(service, ql({"hello", "helo", "tomorow"}));
    EXPECT_GE(arrived.count(), 1);
    EXPECT_EQ(service.isCorrect(QStringLiteral("hello")), true);
    EXPECT_EQ(service.isCorrect(QStringLiteral("helo")), false);
    EXPECT_TRUE(service.suggestions(QStringLiteral("helo")).contains(QStringLiteral("hello")));
    EXPECT_TRUE(service.suggestions(QStringLiteral("tomorow")).contains(QStringLiteral("tomorrow")));
}

TEST_F(SpellingServiceTest, LearntWordsLastAndIgnoredOnesEndWithTheSession) {
    {
        TDSpellingService service(testsupport::TestDictionary::Language);
        judge(service, ql({"Ordello", "zyx"}));
        QSignalSpy accepted(&service, &TDSpellingService::wordsAccepted);
        service.learn(QStringLiteral("Ordello"));
        service.ignore(QStringLiteral("zyx"));
        EXPECT_EQ(accepted.count(), 2);
        EXPECT_EQ(service.isCorrect(QStringLiteral("Ordello")), true);
        EXPECT_EQ(service.isCorrect(QStringLiteral("zyx")), true);
    }
    EXPECT_EQ(dictionary->personalWords(), ql({"Ordello"}));
    TDSpellingService later(testsupport::TestDictionary::Language);
    judge(later, ql({"Ordello", "zyx"}));
    EXPECT_EQ(later.isCorrect(QStringLiteral("Ordello")), true);
    EXPECT_EQ(later.isCorrect(QStringLiteral("zyx")), false);
}

TEST_F(SpellingServiceTest, WithoutADictionaryNothingIsMarked) {
    TDSpellingService service(QStringLiteral("xx_NONE"));
    EXPECT_FALSE(service.isAvailable());
    judge(service, ql({"anything"}));
    EXPECT_EQ(service.isCorrect(QStringLiteral("anything")), true);
    EXPECT_TRUE(service.suggestions(QStringLiteral("anything")).isEmpty());
}

}  // namespace
