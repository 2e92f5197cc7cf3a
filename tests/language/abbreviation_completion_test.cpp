#include "language/abbreviation_completion.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

void PrintTo(const TDStyledRun& run, std::ostream* out) {
    *out << (run.style == TDCompletionStyle::Typed ? "typed:" : "completion:") << '"'
         << run.text.toStdString() << '"';
}

namespace {

TDStyledRun typed(const char* text) {
    return {QString::fromUtf8(text), TDCompletionStyle::Typed};
}
TDStyledRun rest(const char* text) {
    return {QString::fromUtf8(text), TDCompletionStyle::Completion};
}

struct RunsCase {
    const char* label;
    const char* name;
    const char* typed;
    std::vector<TDStyledRun> runs;
};

class AbbreviationCompletionRunsTest : public ::testing::TestWithParam<RunsCase> {};

TEST_P(AbbreviationCompletionRunsTest, showsTheWholeNameWithTheMatchedLettersTyped) {
    const TDAbbreviationCompletion completion(QString::fromUtf8(GetParam().typed),
                                              QString::fromUtf8(GetParam().name));
    const QList<TDStyledRun> expected(GetParam().runs.begin(), GetParam().runs.end());
    EXPECT_EQ(completion.styledRuns(), expected);
    QString spelled;
    for (const TDStyledRun& run : expected) spelled += run.text;
    EXPECT_EQ(completion.text(), spelled);
    EXPECT_EQ(completion.typedPositions().size(), QString::fromUtf8(GetParam().typed).size())
        << "every typed letter is shown once";
}

INSTANTIATE_TEST_SUITE_P(
    NamesAndLetters, AbbreviationCompletionRunsTest,
    ::testing::Values(
        RunsCase{"firstLetter", "Work Orders", "w", {typed("W"), rest("ork Orders")}},
        RunsCase{"prefix", "Work Orders", "wor", {typed("Wor"), rest("k Orders")}},
        RunsCase{"capitalsTypedMatchAsLowerCase", "Work Orders", "WOR", {typed("Wor"), rest("k Orders")}},
        RunsCase{"wordStarts", "Hello World", "hw", {typed("H"), rest("ello "), typed("W"), rest("orld")}},
        RunsCase{"capitalsInsideAWord", "GoToList", "gl", {typed("G"), rest("oTo"), typed("L"), rest("ist")}},
        RunsCase{
            "aLetterInsideTheName", "Workshop Tools", "o", {rest("W"), typed("o"), rest("rkshop Tools")}},
        RunsCase{"wholeName", "Hello World", "hello world", {typed("Hello World")}},
        RunsCase{"accentlessLettersMarkTheAccentedOnes", "Café Bar", "cafe", {typed("Café"), rest(" Bar")}},
        RunsCase{"accentedLettersToo", "Café Bar", "café b", {typed("Café B"), rest("ar")}},
        RunsCase{"aNameThatDoesNotFitFollowsTheLetters",
                 "Groceries",
                 "xq",
                 {typed("xq"), rest(" \u2014 Groceries")}},
        RunsCase{"noNameLeavesTheLetters", "", "zq", {typed("zq")}},
        RunsCase{"nothingTyped", "Work Orders", "", {rest("Work Orders")}}),
    [](const ::testing::TestParamInfo<RunsCase>& info) { return std::string(info.param.label); });

TEST(AbbreviationCompletionTest, theCursorStandsOnlyBesideTypedLetters) {
    const TDAbbreviationCompletion helloWorld(QStringLiteral("hw"), QStringLiteral("Hello World"));
    EXPECT_EQ(helloWorld.typedPositions(), (QList<qsizetype>{0, 6}));
    const struct {
        qsizetype typedPosition;
        qsizetype textPosition;
    } cursors[] = {{0, 0}, {1, 1}, {2, 7}};
    for (const auto& cursor : cursors)
        EXPECT_EQ(helloWorld.textPosition(cursor.typedPosition), cursor.textPosition) << cursor.typedPosition;
    // A position of the text counts the typed letters before it.
    const qsizetype typedBefore[] = {0, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2};
    for (qsizetype position = 0; position <= 11; ++position)
        EXPECT_EQ(helloWorld.typedPosition(position), typedBefore[position]) << position;

    // With no typed letter at the start the cursor begins just before the first one.
    const TDAbbreviationCompletion workshop(QStringLiteral("o"), QStringLiteral("Workshop Tools"));
    EXPECT_EQ(workshop.textPosition(0), 1);
    EXPECT_EQ(workshop.textPosition(1), 2);
    EXPECT_EQ(TDAbbreviationCompletion(QString(), QString()).textPosition(0), 0);
}

}  // namespace
