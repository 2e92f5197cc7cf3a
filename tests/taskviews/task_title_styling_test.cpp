#include "taskviews/task_title_styling.h"

#include "foundation/constants.h"

#include <gtest/gtest.h>

namespace {

TDTaskRowFacts factsWithTitle(const QString& title) {
    TDTaskRowFacts facts;
    facts.title = title;
    return facts;
}

QString tokenMask(const TDStyledTitle& title) {
    QString mask;
    for (qsizetype index = 0; index < title.text.size(); ++index)
        mask += title.isTokenAt(index) ? QLatin1Char('T') : QLatin1Char('.');
    return mask;
}

TEST(TaskTitleStyling, EveryCharacterOfATokenMarkersIncludedCarriesTheTokenProperty) {
    const TDStyledTitle title =
        TDAttributedTitle(factsWithTitle(QStringLiteral("Call /mum about /house repairs/ @home")), {}, false);
    EXPECT_EQ(title.text, QStringLiteral("Call /mum about /house repairs/ @home"));
    EXPECT_EQ(tokenMask(title), QStringLiteral(".....TTTT.......TTTTTTTTTTTTTTT.TTTTT"));
    // The markers take the task font at 40 % black, the closing slash of several words too.
    const TDTitleFonts& fonts = TDTitleFonts::shared();
    for (qsizetype marker : {5, 16, 30, 32}) {
        EXPECT_EQ(title.formatAt(marker).foreground().color(), QColor::fromRgbF(0, 0, 0, 0.4f)) << marker;
        EXPECT_EQ(title.formatAt(marker).font().family(), fonts.task.family()) << marker;
    }
    EXPECT_TRUE(title.formatAt(7).font().italic());  // the registered tag font is oblique
    EXPECT_FALSE(title.formatAt(5).font().italic());
    EXPECT_EQ(title.formatAt(7).background().color(), fonts.tagColor);
    EXPECT_EQ(title.formatAt(34).background().color(), fonts.contextTagColor);
    EXPECT_EQ(title.formatAt(2).background().style(), Qt::NoBrush);
}

TEST(TaskTitleStyling, DisplayPutsAZeroWidthSpaceBeforeEveryTokenAndTheEditorNone) {
    const TDTaskRowFacts facts = factsWithTitle(QStringLiteral("Pay /bills and @town"));
    const TDStyledTitle display = TDAttributedTitle(facts, {}, true);
    const TDStyledTitle editing = TDAttributedTitle(facts, {}, false);
    EXPECT_EQ(display.text.count(TDZeroWidthSpace), 2);
    EXPECT_EQ(editing.text.count(TDZeroWidthSpace), 0);
    EXPECT_EQ(display.text, QStringLiteral("Pay \u200B/bills and \u200B@town"));
    // The spaces carry no token look; the tokens keep theirs after them.
    EXPECT_EQ(tokenMask(display), QStringLiteral(".....TTTTTT......TTTTT"));
    ASSERT_EQ(display.tokenRanges.size(), 2);
    EXPECT_EQ(display.text.mid(display.tokenRanges[1].location, display.tokenRanges[1].length),
              QStringLiteral("@town"));
}

TEST(TaskTitleStyling, StatesPickTheBaseLookAndTokensAreNeverStruckThrough) {
    const TDTitleFonts& fonts = TDTitleFonts::shared();
    TDTaskRowFacts canceled = factsWithTitle(QStringLiteral("Old plan /work"));
    canceled.canceled = true;
    const TDStyledTitle struck = TDAttributedTitle(canceled, {}, false);
    EXPECT_TRUE(struck.formatAt(0).fontStrikeOut());
    EXPECT_EQ(struck.formatAt(0).foreground().color(), fonts.doneTextColor);
    EXPECT_FALSE(struck.formatAt(10).fontStrikeOut());
    EXPECT_FALSE(struck.formatAt(9).fontStrikeOut());  // the marker

    TDTaskRowFacts completed = factsWithTitle(QStringLiteral("Done"));
    completed.completed = true;
    EXPECT_EQ(TDAttributedTitle(completed, {}, false).formatAt(0).foreground().color(), fonts.doneTextColor);

    TDTaskRowFacts pastDue = factsWithTitle(QStringLiteral("Late"));
    pastDue.pastDue = true;
    pastDue.dueSoon = true;
    const QTextCharFormat late = TDAttributedTitle(pastDue, {}, false).formatAt(0);
    EXPECT_TRUE(late.font().bold());                               // the registered past-due font is bold
    EXPECT_FALSE(late.hasProperty(QTextFormat::ForegroundBrush));  // past due carries no colour

    const QTextCharFormat open =
        TDAttributedTitle(factsWithTitle(QStringLiteral("Open")), {}, false).formatAt(0);
    EXPECT_EQ(open.foreground().color(), QColor::fromRgbF(0, 0, 0, 0.847059f));
}

TEST(TaskTitleStyling, FilterMatchesAreHighlightedUnlessEditing) {
    TDTitleContext context;
    context.filterText = QStringLiteral("MILK");
    const TDTaskRowFacts facts = factsWithTitle(QStringLiteral("Milk and more milk"));
    const TDStyledTitle white = TDAttributedTitle(facts, context, false);
    const QColor grey = QColor::fromRgbF(0.8f, 0.8f, 0.8f);
    for (qsizetype index : {0, 3, 14, 17})
        EXPECT_EQ(white.formatAt(index).background().color(), grey) << index;
    EXPECT_EQ(white.formatAt(5).background().style(), Qt::NoBrush);

    context.yellowLook = true;
    const QColor yellow = TDAttributedTitle(facts, context, false).formatAt(0).background().color();
    EXPECT_NE(yellow, grey);
    EXPECT_GT(yellow.redF(), yellow.blueF());  // leans toward the pale yellow

    context.editing = true;
    EXPECT_EQ(TDAttributedTitle(facts, context, false).formatAt(0).background().style(), Qt::NoBrush);
}

TEST(TaskTitleStyling, SelectedTokensLeanTowardTheSelectionAndAnEmptyRangeIsRefused) {
    const TDTitleFonts& fonts = TDTitleFonts::shared();
    TDTitleContext context;
    context.selected = true;
    const TDStyledTitle selected = TDAttributedTitle(factsWithTitle(QStringLiteral("/tag")), context, false);
    EXPECT_NE(selected.formatAt(2).background().color(), fonts.tagColor);
    EXPECT_EQ(selected.formatAt(2).foreground().color(), QColor(Qt::black));
    context.key = false;
    const QColor inactive = TDAttributedTitle(factsWithTitle(QStringLiteral("/tag")), context, false)
                                .formatAt(2)
                                .background()
                                .color();
    EXPECT_NE(inactive, selected.formatAt(2).background().color());

    TDStyledTitle title = TDAttributedTitle(factsWithTitle(QStringLiteral("plain")), {}, false);
    const qsizetype before = title.formats.size();
    EXPECT_FALSE(TDAddTokenAttributes(title, {2, 0}, false, true));
    EXPECT_EQ(title.formats.size(), before);
}

TEST(TaskTitleStyling, PredictedTokensAreGreyTokensAfterALeadInSpace) {
    TDStyledTitle title = TDAttributedTitle(factsWithTitle(QStringLiteral("Buy milk")), {}, false);
    TDAppendPredictedTokens(title, {TDToken(QStringLiteral("/errands")), TDToken(QStringLiteral("@shop"))});
    EXPECT_EQ(title.text, QStringLiteral("Buy milk /errands @shop"));
    for (qsizetype index = 8; index < title.text.size(); ++index) {
        const QTextCharFormat format = title.formatAt(index);
        EXPECT_TRUE(format.boolProperty(TDPredictedTokenProperty)) << index;
        EXPECT_TRUE(format.boolProperty(TDTokenProperty)) << index;
        EXPECT_EQ(format.foreground().color(), QColor::fromRgbF(0.6f, 0.6f, 0.6f)) << index;
    }
    EXPECT_FALSE(title.formatAt(7).boolProperty(TDPredictedTokenProperty));
    const TDTitleFonts& fonts = TDTitleFonts::shared();
    EXPECT_EQ(title.formatAt(10).background().color(), fonts.tagColor);
    EXPECT_EQ(title.formatAt(20).background().color(), fonts.contextTagColor);
    EXPECT_NE(title.formatAt(8).background().color(), fonts.tagColor);  // the lead-in is softer
}

TEST(TaskTitleStyling, CardTitleUsesTheCardSizeForTextAndTokens) {
    const TDStyledTitle card = TDBigAttributedTitle(factsWithTitle(QStringLiteral("Plan /trip")), 18);
    EXPECT_EQ(card.formatAt(0).font().pixelSize(), 18);
    EXPECT_EQ(card.formatAt(7).font().pixelSize(), 18);
    EXPECT_TRUE(card.isTokenAt(5));
    EXPECT_EQ(card.formatAt(7).background().color(), TDTitleFonts::shared().tagColor);
    EXPECT_EQ(card.text.count(TDZeroWidthSpace), 0);
}

}  // namespace
