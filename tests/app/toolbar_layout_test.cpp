#include "app/toolbar_layout.h"
#include "app/hints_strip.h"
#include "taskviews/task_cell_values.h"

#include <gtest/gtest.h>

namespace {

namespace Layout = TDToolbarLayout;

TEST(ToolbarLayoutTest, TheLimitChooserReadsAsASentenceForEachLimit) {
    const struct {
        qint64 limit;
        const char* leading;
        const char* trailing;
    } cases[] = {
        {0, "Show", "tasks from each list"},
        {1, "Show top", "task from each list"},
        {2, "Show top", "tasks from each list"},
        {10, "Show top", "tasks from each list"},
    };
    for (const auto& c : cases) {
        const Layout::LimitLabels labels = Layout::limitLabels(c.limit);
        EXPECT_EQ(labels.leading, QLatin1String(c.leading)) << c.limit;
        EXPECT_EQ(labels.trailing, QLatin1String(c.trailing)) << c.limit;
    }
}

TEST(ToolbarLayoutTest, TheControlEndsOnColumnTwoOrInsideTheCards) {
    const QSize size(180, 22);
    // Outline: the right edge on column 2's; cards: 15 inside the cards' right edge.
    EXPECT_EQ(Layout::accessoryFrame(size, 28, 0, 520, 900), QRect(340, 3, 180, 22));
    EXPECT_EQ(Layout::accessoryFrame(size, 28, 1, 520, 900), QRect(705, 3, 180, 22));
    EXPECT_EQ(Layout::stripRightEdge(0, 520, 900), 520);
    EXPECT_EQ(Layout::stripRightEdge(1, 520, 900), 900);
}

TEST(ToolbarLayoutTest, AFolderGroupedByListGetsTheChooserOthersTheToggle) {
    using A = Layout::Accessory;
    const struct {
        int tasksMode;
        int displayMode;
        bool actionsOnlyInCards;
        A expected;
    } cases[] = {
        {0, 3, false, A::LimitChooser},
        {0, 1, false, A::CompletedToggle},
        {0, 4, true, A::CompletedToggle},
        {1, 3, false, A::LimitChooser},
        {1, 3, true, A::None},
        {1, 2, true, A::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Layout::accessoryFor(c.tasksMode, c.displayMode, c.actionsOnlyInCards), c.expected)
            << c.tasksMode << " " << c.displayMode << " " << c.actionsOnlyInCards;
}

TEST(HintsStripTest, TheStripFollowsWhatIsEdited) {
    const struct {
        TDEditingFocus focus;
        TDHintsStrip expected;
    } cases[] = {
        {{false, false, -1}, TDHintsStrip::MainButtons},
        {{true, false, int(TDTaskColumn::Task)}, TDHintsStrip::NoteHelp},
        {{false, true, -1}, TDHintsStrip::TitleHelp},
        {{false, false, int(TDTaskColumn::Task)}, TDHintsStrip::TitleHelp},
        {{false, false, int(TDTaskColumn::Start)}, TDHintsStrip::DateHelp},
        {{false, false, int(TDTaskColumn::Due)}, TDHintsStrip::DateHelp},
        {{false, false, int(TDTaskColumn::Estimate)}, TDHintsStrip::EstimateHelp},
        {{false, false, int(TDTaskColumn::Priority)}, TDHintsStrip::MainButtons},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TDHintsStripForEditing(c.focus), c.expected) << c.focus.editedColumn;
}

}  // namespace
