#include "taskviews/title_elision.h"
#include "taskviews/task_title_layout.h"

#include <gtest/gtest.h>

namespace {

TDStyledTitle styled(const QString& title) {
    TDTaskRowFacts facts;
    facts.title = title;
    return TDAttributedTitle(facts, {}, true);
}

const QChar kEllipsis(0x2026);

// Whatever the title and width, the cut title takes no more lines than allowed, keeps the beginning of
// the title (blanks before the ellipsis aside) and ends in an ellipsis exactly when the title needs more
// lines or a wider line than allowed.
TEST(TitleElision, TheCutTitleKeepsItsLinesAndEndsInAnEllipsis) {
    const QStringList titles = {
        QStringLiteral("Write the quarterly report for the board /work"),
        QStringLiteral("Call /mum about the /house repairs/ before friday @home"),
        QStringLiteral("Supercalifragilisticexpialidocious and more words"),
        QStringLiteral("Short"),
    };
    for (const QString& text : titles)
        for (const qreal width : {40.0, 90.0, 160.0, 600.0})
            for (const int maxLines : {1, 2}) {
                SCOPED_TRACE(text.toStdString() + " at " + std::to_string(width) + ", " +
                             std::to_string(maxLines) + " lines");
                const TDStyledTitle title = styled(text);
                const TDTitleTextLayout whole(title, width);
                const TDStyledTitle cut = TDElidedTitle(title, width, maxLines);
                const TDTitleTextLayout layout(cut, width);
                EXPECT_LE(layout.lines().size(), maxLines);
                if (whole.lines().size() <= maxLines && whole.naturalWidth() <= width) {
                    EXPECT_EQ(cut.text, title.text);
                    continue;
                }
                ASSERT_TRUE(cut.text.endsWith(kEllipsis));
                const QString kept = cut.text.chopped(1);
                EXPECT_TRUE(title.text.startsWith(kept));
                EXPECT_FALSE(!kept.isEmpty() && kept.back().isSpace());
                if (maxLines == 1) {
                    EXPECT_LE(TDTitleTextLayout(cut, 1e6).naturalWidth(), width);
                }
                for (const QTextLayout::FormatRange& range : cut.formats)
                    EXPECT_LE(range.start + range.length, kept.size());
                for (const TDTitleParser::Range& token : cut.tokenRanges)
                    EXPECT_LE(token.location + token.length, kept.size());
            }
}

// As much of the last line as fits stays: a wider room keeps more of the title.
TEST(TitleElision, AWiderRoomKeepsMoreOfTheTitle) {
    const TDStyledTitle title = styled(QStringLiteral("Write the quarterly report for the board"));
    qsizetype previous = 0;
    for (const qreal width : {60.0, 100.0, 140.0, 180.0}) {
        const TDStyledTitle cut = TDElidedTitle(title, width, 1);
        EXPECT_GT(cut.text.size(), previous) << width;
        previous = cut.text.size();
    }
}

// A token longer than the room is cut through: the part before the cut keeps the token's look, and
// the line with its ellipsis fits the width.
TEST(TitleElision, ATokenLongerThanTheRoomIsCutThroughAndKeepsItsLook) {
    const TDStyledTitle title = styled(QStringLiteral("/a very long phrase of a tag that goes on/ today"));
    const qsizetype inside = title.text.indexOf(QLatin1Char('v'));
    ASSERT_GE(inside, 0);
    const qreal width = 150;
    const TDStyledTitle cut = TDElidedTitle(title, width, 1);
    ASSERT_TRUE(cut.text.endsWith(kEllipsis));
    ASSERT_GT(cut.text.size() - 1, inside) << cut.text.toStdString();
    EXPECT_TRUE(cut.isTokenAt(inside));
    EXPECT_EQ(cut.formatAt(inside), title.formatAt(inside));
    EXPECT_FALSE(cut.isTokenAt(cut.text.size() - 1)) << "the ellipsis is plain";
    EXPECT_LE(TDTitleTextLayout(cut, 1e6).naturalWidth(), width);
}

}  // namespace
