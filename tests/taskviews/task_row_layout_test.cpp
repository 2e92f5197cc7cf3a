#include "taskviews/task_row_layout.h"

#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <limits>

namespace {

TDTaskRowFacts factsWithTitle(const QString& title) {
    TDTaskRowFacts facts;
    facts.title = title;
    return facts;
}

TDTaskRowLayoutInput inputFor(const QString& title, qreal width, const QString& notes = QString()) {
    TDTaskRowLayoutInput input;
    input.rowRect = QRectF(0, 0, width, std::numeric_limits<double>::max());
    input.title = TDAttributedTitle(factsWithTitle(title), {}, true);
    input.noteText = notes;
    input.noteFont = TDTitleFonts::rowFont(QFont(QStringLiteral("Helvetica"), 11));
    return input;
}

TEST(TaskRowLayout, LinesNeverSplitATokenWhateverTheWidth) {
    const QStringList titles = {
        QStringLiteral("Call /mum about the /house repairs/ before friday @home"),
        QStringLiteral("word /tag"),
        QStringLiteral("/@several words/ at the start and /end"),
        QStringLiteral("A very long title without any tokens in it that must wrap somewhere sensible"),
        QStringLiteral("Supercalifragilisticexpialidocious"),
    };
    for (const QString& title : titles) {
        for (qreal width : {60.0, 110.0, 180.0, 400.0, 1000.0}) {
            const TDTaskRowLayout layout = TDLayOutTaskRow(inputFor(title, width));
            const TDStyledTitle& styled = layout.titleLayout->title();
            const QList<TDTitleParser::Range>& lines = layout.titleLines();
            ASSERT_FALSE(lines.isEmpty());
            qsizetype next = 0;
            for (const TDTitleParser::Range& line : lines) {
                EXPECT_EQ(line.location, next) << title.toStdString() << " at " << width;
                next = line.location + line.length;
                for (const TDTitleParser::Range& token : styled.tokenRanges)
                    EXPECT_FALSE(line.location > token.location &&
                                 line.location < token.location + token.length)
                        << title.toStdString() << " at " << width;
                // A "/" never ends a line away from its word.
                const QString text = styled.text.mid(line.location, line.length).trimmed();
                EXPECT_FALSE(text.endsWith(QLatin1Char('/')) && text.size() > 1 &&
                             text.at(text.size() - 2).isSpace())
                    << text.toStdString();
            }
            EXPECT_EQ(next, styled.text.size());
            EXPECT_EQ(layout.titleFrame.height(), TDMinimumTitleLineHeight * lines.size())
                << title.toStdString() << " at " << width;
            if (width >= 1000) {
                EXPECT_EQ(lines.size(), 1) << title.toStdString();
            }
        }
    }
}

TEST(TaskRowLayout, WordThenTagWrapsBeforeTheTagNeverInsideIt) {
    const TDTaskRowLayout layout = TDLayOutTaskRow(inputFor(QStringLiteral("wordwordword /tagtag"), 28 + 85));
    const TDStyledTitle& styled = layout.titleLayout->title();
    ASSERT_EQ(layout.titleLines().size(), 2);
    EXPECT_EQ(styled.text.mid(layout.titleLines()[1].location), QStringLiteral("/tagtag"));
}

TEST(TaskRowLayout, RowHeightsAndFramesWithAndWithoutNotes) {
    const struct {
        const char* title;
        const char* notes;
        bool drawCheckbox;
        qreal height;
    } cases[] = {
        {"Buy milk", "", true, 26},
        {"Buy milk", "Two litres, semi-skimmed", true, 40},
        {"Buy milk /errands", "", false, 26},
    };
    for (const auto& entry : cases) {
        TDTaskRowLayoutInput input =
            inputFor(QString::fromUtf8(entry.title), 400, QString::fromUtf8(entry.notes));
        input.drawCheckbox = entry.drawCheckbox;
        input.indentation = 16;
        const TDTaskRowLayout layout = TDLayOutTaskRow(input);
        EXPECT_EQ(layout.height, entry.height) << entry.title;
        const qreal titleX = entry.drawCheckbox ? 16 + 28 : 16;
        EXPECT_EQ(layout.titleFrame.topLeft(), QPointF(titleX, 5)) << entry.title;
        EXPECT_EQ(layout.checkboxFrame, entry.drawCheckbox ? QRectF(21, 4, 23, 18) : QRectF());
        if (*entry.notes) {
            // Measured: one below the title.
            EXPECT_EQ(layout.noteFrame, QRectF(titleX, 21, 400 - titleX, 15));
        } else {
            EXPECT_TRUE(layout.noteFrame.isNull());
        }
    }

    // In a real row the notes line sits 4 above the bottom; while the notes are edited it is there even
    // when empty, and open notes grow but never below 15.
    TDTaskRowLayoutInput input = inputFor(QStringLiteral("Buy milk"), 300);
    input.rowRect = QRectF(0, 100, 300, 60);
    input.editingNote = true;
    const TDTaskRowLayout editing = TDLayOutTaskRow(input);
    EXPECT_EQ(editing.noteFrame, QRectF(28, 160 - 15 - 4, 272, 15));
    input.noteText = QStringLiteral("one\ntwo\nthree\nfour");
    input.noteExpanded = true;
    input.rowRect.setHeight(std::numeric_limits<double>::max());
    EXPECT_GT(TDLayOutTaskRow(input).noteFrame.height(), 40);
    input.noteText = QStringLiteral("x");
    EXPECT_EQ(TDLayOutTaskRow(input).noteFrame.height(), 15);
}

TEST(TaskRowLayout, PriorityBoxIsCentredSixBelowTheTop) {
    EXPECT_EQ(TDPriorityBoxFrame(QRectF(10, 20, 25, 26)), QRectF(14, 26, 17, 18));
    EXPECT_EQ(TDPriorityBoxFrame(QRectF(0, 0, 60, 26)), QRectF(21, 6, 17, 18));
}

TEST(TaskRowLayout, ClicksInTheCheckboxToggleAndTooltipsExplain) {
    TDTaskRowFacts facts = factsWithTitle(QStringLiteral("Water plants"));
    facts.recurrenceDescription = QStringLiteral("Repeats every week");
    facts.notes = QStringLiteral("first line\nsecond line");
    TDTaskRowLayoutInput input = inputFor(facts.title, 300, QStringLiteral("first line second line"));
    input.rowRect = QRectF(0, 0, 300, 40);
    const TDTaskRowLayout layout = TDLayOutTaskRow(input);

    const QPointF box(15, 12), title(100, 10), note(100, 28), outside(100, 10);
    EXPECT_EQ(TDHitTestTaskRow(layout, box), TDTaskRowHit::Checkbox);
    EXPECT_EQ(TDHitTestTaskRow(layout, title), TDTaskRowHit::Title);
    EXPECT_EQ(TDHitTestTaskRow(layout, note), TDTaskRowHit::Note);
    EXPECT_EQ(TDCheckboxCommandForClick(layout, box, box, facts), TDCheckboxCommand::ToggleCompletion);
    EXPECT_EQ(TDCheckboxCommandForClick(layout, box, outside, facts), TDCheckboxCommand::None);
    facts.canceled = true;
    EXPECT_EQ(TDCheckboxCommandForClick(layout, box, box, facts), TDCheckboxCommand::ToggleCancellation);

    EXPECT_EQ(TDTaskRowToolTip(layout, box, facts, input.noteFont), facts.recurrenceDescription);
    EXPECT_EQ(TDTaskRowToolTip(layout, note, facts, input.noteFont), facts.notes);
    EXPECT_TRUE(TDTaskRowToolTip(layout, title, facts, input.noteFont).isNull());
    facts.notes = QStringLiteral("short");
    EXPECT_TRUE(TDTaskRowToolTip(layout, note, facts, input.noteFont).isNull());
}

// Whether a title clearly fits is told from summed advances: near the shaped width for Latin text, the
// shaped width itself for anything else.
TEST(TaskRowLayout, CharacterAdvancesStayNearTheShapedWidth) {
    const QFont font = TDTitleFonts::shared().pastDue;
    const TDCharacterAdvances advances(font);
    const QFontMetricsF shaped(font);
    for (const QString& text :
         {QStringLiteral("Shown task 42 with a title of usual length"),
          QStringLiteral("Café: AVAVA Tower office /errands @home"), QStringLiteral("WWW")}) {
        const qreal width = shaped.horizontalAdvance(text);
        EXPECT_GT(advances.width(text), 0.95 * width) << text.toStdString();
        EXPECT_LT(advances.width(text), 1.05 * width) << text.toStdString();
    }
    const QString other = QStringLiteral("Buy \u65e5\u672c\u8336 and \u0627\u0644\u0634\u0627\u064a");
    EXPECT_EQ(advances.width(other), shaped.horizontalAdvance(other));
    EXPECT_EQ(advances.width(QString()), 0);
}

}  // namespace
