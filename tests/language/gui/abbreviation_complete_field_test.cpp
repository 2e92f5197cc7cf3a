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
    const char* selected;
    const char* match;
};

class AbbreviationCompleteFieldCompletionTest : public AbbreviationCompleteFieldTest,
                                                public ::testing::WithParamInterface<CompletionCase> {};

TEST_P(AbbreviationCompleteFieldCompletionTest, keepsTheTypedLettersAndSelectsTheCompletionAfterThem) {
    type(GetParam().keys);
    const QString typed = QString::fromUtf8(GetParam().keys);
    EXPECT_EQ(field.text(), QString::fromUtf8(GetParam().text));
    EXPECT_EQ(field.selectedText(), QString::fromUtf8(GetParam().selected));
    EXPECT_EQ(field.matchString(), QString::fromUtf8(GetParam().match));
    EXPECT_EQ(field.typedString(), typed);
    EXPECT_EQ(field.typedCursorPosition(), typed.size());
    EXPECT_EQ(field.cursorPosition(), typed.size());
    EXPECT_EQ(delegate.asked.last(), typed.toLower());
}

INSTANTIATE_TEST_SUITE_P(
    Typing, AbbreviationCompleteFieldCompletionTest,
    ::testing::Values(
        CompletionCase{"oneLetter", "w", "work Orders", "ork Orders", "Work Orders"},
        CompletionCase{"twoLetters", "wo", "work Orders", "rk Orders", "Work Orders"},
        CompletionCase{"capitalKeepsItsCase", "WOR", "WORk Orders", "k Orders", "Work Orders"},
        CompletionCase{"secondCandidateByScore", "works", "workshop Tools", "hop Tools", "Workshop Tools"},
        CompletionCase{"wholeName", "hello world", "hello world", "", "Hello World"},
        CompletionCase{"wordStartsShowTheName", "hw", "hw \u2014 Hello World", " \u2014 Hello World",
                       "Hello World"},
        CompletionCase{"accentlessLettersCompleteAnAccentedName", "cafe", "cafe Bar", " Bar", "Café Bar"},
        CompletionCase{"accentedLettersToo", "café b", "café bar", "ar", "Café Bar"},
        CompletionCase{"noCandidateLeavesTheTypedLetters", "zq", "zq", "", ""}),
    [](const ::testing::TestParamInfo<CompletionCase>& info) { return std::string(info.param.name); });

TEST_F(AbbreviationCompleteFieldTest, backspaceRemovesTypedLettersAndCompletesAgain) {
    type("wor");
    press(Qt::Key_Backspace);
    EXPECT_EQ(field.typedString(), QStringLiteral("wo"));
    EXPECT_EQ(field.text(), QStringLiteral("work Orders"));
    EXPECT_EQ(field.selectedText(), QStringLiteral("rk Orders"));
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
    EXPECT_EQ(field.text(), QStringLiteral("o \u2014 Workshop Tools"));
}

TEST_F(AbbreviationCompleteFieldTest, deleteRemovesTheTypedLetterAfterTheCursor) {
    type("wxo");
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    press(Qt::Key_Delete);
    EXPECT_EQ(field.typedString(), QStringLiteral("wo"));
    EXPECT_EQ(field.typedCursorPosition(), 1);
    EXPECT_EQ(field.text(), QStringLiteral("work Orders"));

    press(Qt::Key_End);
    press(Qt::Key_Delete);
    EXPECT_EQ(field.typedString(), QStringLiteral("wo")) << "nothing after the last typed letter";
}

TEST_F(AbbreviationCompleteFieldTest, arrowsHomeAndEndStayAmongTheTypedLetters) {
    type("wor");
    const struct {
        Qt::Key key;
        qsizetype typedCursor;
        bool completionSelected;
    } steps[] = {{Qt::Key_Right, 3, true}, {Qt::Key_Left, 2, false}, {Qt::Key_Left, 1, false},
                 {Qt::Key_Home, 0, false}, {Qt::Key_Left, 0, false}, {Qt::Key_End, 3, true},
                 {Qt::Key_Left, 2, false}, {Qt::Key_Right, 3, true}};
    for (const auto& step : steps) {
        press(step.key);
        EXPECT_EQ(field.cursorPosition(), step.typedCursor) << step.key;
        EXPECT_EQ(field.hasSelectedText(), step.completionSelected) << step.key;
        EXPECT_EQ(field.text(), QStringLiteral("work Orders"));
    }

    // Typing in the middle inserts among the typed letters.
    press(Qt::Key_Home);
    type("s");
    EXPECT_EQ(field.typedString(), QStringLiteral("swor"));
    EXPECT_EQ(field.typedCursorPosition(), 1);
}

TEST_F(AbbreviationCompleteFieldTest, aClickIntoTheCompletionPutsTheCursorAfterTheTypedLetters) {
    type("wo");
    field.setCursorPosition(7);
    EXPECT_EQ(field.cursorPosition(), 2);
    EXPECT_EQ(field.selectedText(), QStringLiteral("rk Orders"));
}

TEST_F(AbbreviationCompleteFieldTest, typingOverASelectionReplacesTheSelectedTypedLetters) {
    type("wo");
    field.selectAll();
    type("h");
    EXPECT_EQ(field.typedString(), QStringLiteral("h"));
    EXPECT_EQ(field.text(), QStringLiteral("hello World"));

    field.selectAll();
    press(Qt::Key_Backspace);
    EXPECT_EQ(field.typedString(), QString());
    EXPECT_EQ(field.text(), QString());
}

TEST_F(AbbreviationCompleteFieldTest, textSetFromOutsideBecomesTheTypedLetters) {
    field.setText(QStringLiteral("wo"));
    EXPECT_EQ(field.typedString(), QStringLiteral("wo"));
    EXPECT_EQ(field.text(), QStringLiteral("work Orders"));

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
    ASSERT_EQ(field.text(), QStringLiteral("hello World"));
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field.typedString(), QStringLiteral("hw"));
    EXPECT_EQ(field.text(), QStringLiteral("hw \u2014 Hello World"));
    EXPECT_EQ(field.typedCursorPosition(), 2);
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
    ASSERT_EQ(field.text(), QStringLiteral("kanji list"));

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
    EXPECT_EQ(field.text(), QStringLiteral("kanji list"));
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
