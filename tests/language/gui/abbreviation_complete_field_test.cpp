#include "language/gui/abbreviation_complete_field.h"

#include "language/string_ranking.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Offers the names the abbreviation matches, best first, and notes what it was asked.
class RankingDelegate : public TDAbbreviationCompleteFieldDelegate {
public:
    QStringList names = {QStringLiteral("Work Orders"), QStringLiteral("Workshop Tools"),
                         QStringLiteral("Hello World"), QStringLiteral("Café Bar")};
    QStringList asked;

    QStringList completionsForString(TDAbbreviationCompleteField*, const QString& typed) override {
        asked.append(typed);
        QStringList result;
        if (typed.isEmpty()) return result;
        for (const QSRankedString& ranked : rankedStringsForAbbreviation(names, typed))
            result.append(names[ranked.index]);
        return result;
    }
};

class AbbreviationCompleteFieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        field.setDelegate(&delegate);
        field.show();
    }
    // Key clicks with the letter as the key's text; keyClicks knows only ASCII.
    void type(const char* keys) {
        for (const QChar c : QString::fromUtf8(keys))
            QTest::sendKeyEvent(QTest::Click, &field, Qt::Key(c.toUpper().unicode()), QString(c),
                                Qt::NoModifier);
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&field, key, modifiers);
    }

    RankingDelegate delegate;
    TDAbbreviationCompleteField field;
};

// What the field shows after the keys were typed.
struct CompletionCase {
    const char* name;
    const char* keys;
    const char* text;
    int cursor;
    const char* match;
};

class AbbreviationCompleteFieldCompletionTest : public AbbreviationCompleteFieldTest,
                                                public ::testing::WithParamInterface<CompletionCase> {};

TEST_P(AbbreviationCompleteFieldCompletionTest, showsTheWholeNameWithTheCursorAfterTheLastTypedLetter) {
    type(GetParam().keys);
    const QString typed = QString::fromUtf8(GetParam().keys);
    EXPECT_EQ(field.text(), QString::fromUtf8(GetParam().text));
    EXPECT_FALSE(field.hasSelectedText());
    EXPECT_EQ(field.matchString(), QString::fromUtf8(GetParam().match));
    EXPECT_EQ(field.completion().styledRuns(),
              TDAbbreviationCompletion(typed, field.matchString()).styledRuns());
    EXPECT_EQ(field.typedString(), typed);
    EXPECT_EQ(field.typedCursorPosition(), typed.size());
    EXPECT_EQ(field.cursorPosition(), GetParam().cursor);
    EXPECT_EQ(delegate.asked.last(), typed.toLower());
}

INSTANTIATE_TEST_SUITE_P(
    Typing, AbbreviationCompleteFieldCompletionTest,
    ::testing::Values(
        CompletionCase{"oneLetter", "w", "Work Orders", 1, "Work Orders"},
        CompletionCase{"twoLetters", "wo", "Work Orders", 2, "Work Orders"},
        CompletionCase{"capitals", "WOR", "Work Orders", 3, "Work Orders"},
        CompletionCase{"secondCandidateByScore", "works", "Workshop Tools", 5, "Workshop Tools"},
        CompletionCase{"wholeName", "hello world", "Hello World", 11, "Hello World"},
        CompletionCase{"wordStarts", "hw", "Hello World", 7, "Hello World"},
        CompletionCase{"accentlessLettersCompleteAnAccentedName", "cafe", "Café Bar", 4, "Café Bar"},
        CompletionCase{"accentedLettersToo", "café b", "Café Bar", 6, "Café Bar"},
        CompletionCase{"noCandidateLeavesTheTypedLetters", "zq", "zq", 2, ""}),
    [](const ::testing::TestParamInfo<CompletionCase>& info) { return std::string(info.param.name); });

TEST_F(AbbreviationCompleteFieldTest, backspaceRemovesTypedLettersAndCompletesAgain) {
    type("wor");
    press(Qt::Key_Backspace);
    EXPECT_EQ(field.typedString(), QStringLiteral("wo"));
    EXPECT_EQ(field.text(), QStringLiteral("Work Orders"));
    EXPECT_EQ(field.cursorPosition(), 2);
    EXPECT_EQ(delegate.asked.last(), QStringLiteral("wo"));

    press(Qt::Key_Home);
    const qsizetype asked = delegate.asked.size();
    press(Qt::Key_Backspace);
    EXPECT_EQ(field.typedString(), QStringLiteral("wo")) << "nothing before the first typed letter";
    EXPECT_EQ(delegate.asked.size(), asked);

    press(Qt::Key_Right);
    press(Qt::Key_Backspace);
    EXPECT_EQ(field.typedString(), QStringLiteral("o"));
    EXPECT_EQ(field.typedCursorPosition(), 0);
    EXPECT_EQ(field.text(), QStringLiteral("Workshop Tools"));
    EXPECT_EQ(field.cursorPosition(), 1) << "just before the typed o";
}

TEST_F(AbbreviationCompleteFieldTest, deleteRemovesTheTypedLetterAfterTheCursor) {
    type("wxo");
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    press(Qt::Key_Delete);
    EXPECT_EQ(field.typedString(), QStringLiteral("wo"));
    EXPECT_EQ(field.typedCursorPosition(), 1);
    EXPECT_EQ(field.text(), QStringLiteral("Work Orders"));

    press(Qt::Key_End);
    press(Qt::Key_Delete);
    EXPECT_EQ(field.typedString(), QStringLiteral("wo")) << "nothing after the last typed letter";
}

TEST_F(AbbreviationCompleteFieldTest, arrowsHomeAndEndStayAmongTheTypedLetters) {
    type("hw");
    const struct {
        Qt::Key key;
        qsizetype typedCursor;
        int cursor;
    } steps[] = {{Qt::Key_Right, 2, 7}, {Qt::Key_Left, 1, 1}, {Qt::Key_Left, 0, 0},  {Qt::Key_Left, 0, 0},
                 {Qt::Key_End, 2, 7},   {Qt::Key_Left, 1, 1}, {Qt::Key_Right, 2, 7}, {Qt::Key_Home, 0, 0}};
    for (const auto& step : steps) {
        press(step.key);
        EXPECT_EQ(field.typedCursorPosition(), step.typedCursor) << step.key;
        EXPECT_EQ(field.cursorPosition(), step.cursor) << step.key;
        EXPECT_EQ(field.text(), QStringLiteral("Hello World"));
    }

    // Typing in the middle inserts among the typed letters.
    type("s");
    EXPECT_EQ(field.typedString(), QStringLiteral("shw"));
    EXPECT_EQ(field.typedCursorPosition(), 1);
}

TEST_F(AbbreviationCompleteFieldTest, aClickIntoTheNamePutsTheCursorAfterTheTypedLettersBeforeIt) {
    type("hw");
    const struct {
        int clicked;
        int cursor;
    } clicks[] = {{3, 1}, {9, 7}, {6, 1}, {0, 0}};
    for (const auto& click : clicks) {
        field.setCursorPosition(click.clicked);
        EXPECT_EQ(field.cursorPosition(), click.cursor) << click.clicked;
    }
    EXPECT_EQ(field.typedString(), QStringLiteral("hw"));
}

TEST_F(AbbreviationCompleteFieldTest, typingOverASelectionReplacesTheSelectedTypedLetters) {
    type("wo");
    field.selectAll();
    type("h");
    EXPECT_EQ(field.typedString(), QStringLiteral("h"));
    EXPECT_EQ(field.text(), QStringLiteral("Hello World"));

    field.selectAll();
    press(Qt::Key_Backspace);
    EXPECT_EQ(field.typedString(), QString());
    EXPECT_EQ(field.text(), QString());
}

TEST_F(AbbreviationCompleteFieldTest, textSetFromOutsideBecomesTheTypedLetters) {
    field.setText(QStringLiteral("wo"));
    EXPECT_EQ(field.typedString(), QStringLiteral("wo"));
    EXPECT_EQ(field.text(), QStringLiteral("Work Orders"));

    field.clear();
    EXPECT_EQ(field.typedString(), QString());
    EXPECT_EQ(field.matchString(), QString());

    field.insertTypedText(QStringLiteral("hw"));
    field.updateMatchString(QStringLiteral("Workshop"));
    EXPECT_EQ(field.text(), QStringLiteral("hw \u2014 Workshop"));
    EXPECT_EQ(field.typedCursorPosition(), 2);
}

TEST_F(AbbreviationCompleteFieldTest, pastedTextJoinsTheTypedLettersInPlaceOfTheCompletion) {
    QGuiApplication::clipboard()->setText(QStringLiteral("w"));
    type("h");
    ASSERT_EQ(field.text(), QStringLiteral("Hello World"));
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field.typedString(), QStringLiteral("hw"));
    EXPECT_EQ(field.text(), QStringLiteral("Hello World"));
    EXPECT_EQ(field.typedCursorPosition(), 2);
    EXPECT_EQ(field.cursorPosition(), 7);
}

TEST_F(AbbreviationCompleteFieldTest, withoutADelegateOnlyTheTypedLettersShow) {
    field.setDelegate(nullptr);
    type("wo");
    EXPECT_EQ(field.text(), QStringLiteral("wo"));
    EXPECT_TRUE(field.matchString().isEmpty());
}

TEST_F(AbbreviationCompleteFieldTest, anInputMethodCompositionIsNotCompletedUntilCommitted) {
    delegate.names.append(QStringLiteral("Kanji list"));
    type("k");
    ASSERT_EQ(field.text(), QStringLiteral("Kanji list"));

    QInputMethodEvent composing(QStringLiteral("a"), {});
    QCoreApplication::sendEvent(&field, &composing);
    EXPECT_TRUE(field.isBuildingUpNonLatinString());
    EXPECT_EQ(field.text(), QStringLiteral("k"));
    EXPECT_TRUE(field.matchString().isEmpty());

    QInputMethodEvent committed;
    committed.setCommitString(QStringLiteral("a"));
    QCoreApplication::sendEvent(&field, &committed);
    EXPECT_FALSE(field.isBuildingUpNonLatinString());
    EXPECT_EQ(field.typedString(), QStringLiteral("ka"));
    EXPECT_EQ(field.text(), QStringLiteral("Kanji list"));
}

TEST_F(AbbreviationCompleteFieldTest, lettersTheFontCannotShowAreLeftAlone) {
    delegate.names.append(QStringLiteral("\u6F22\u5B57"));
    QInputMethodEvent committed;
    committed.setCommitString(QStringLiteral("\u6F22"));
    QCoreApplication::sendEvent(&field, &committed);
    EXPECT_EQ(field.typedString(), QStringLiteral("\u6F22"));
    EXPECT_EQ(field.text(), QStringLiteral("\u6F22"));
}

}  // namespace
