#include "app/gui/tag_button.h"
#include "app/gui/tag_filter_view.h"
#include "app/gui/tag_filter_view_controller.h"
#include "store/library_manager.h"
#include "tests/app/gui/command_bar_views_fixture.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <memory>

namespace apptest {
namespace {

QStringList strings(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* text : texts) list << QString::fromUtf8(text);
    return list;
}

// The tag filter bar over a list whose tasks carry "home" twice, "Phone" once and "work" three times.
class TagFilterBarTest : public CommandBarViewsTest {
protected:
    void SetUp() override {
        CommandBarViewsTest::SetUp();
        errands = list(QStringLiteral("Errands"));
        home = tag(QStringLiteral("home"));
        phone = tag(QStringLiteral("Phone"));
        work = tag(QStringLiteral("work"));
        addTask(errands, QStringLiteral("Fix the tap"))->addTags({home});
        addTask(errands, QStringLiteral("Call the bank"))->addTags({phone, work});
        addTask(errands, QStringLiteral("Paint the door"))->addTags({home, work});
        addTask(errands, QStringLiteral("Write the report"))->addTags({work});
        untagged = addTask(errands, QStringLiteral("Buy stamps"));
        processChanges();
        groups->selectGroup(errands);

        bar = std::make_unique<TDTagFilterViewController>();
        bar->setTasksController(tasks.get());
        bar->view()->resize(800, 38);
        bar->view()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(bar->view()));
    }
    void TearDown() override {
        bar.reset();
        CommandBarViewsTest::TearDown();
    }

    // "title count" per button, "[on]" for tags in the filter, "(hidden)" for those that do not fit.
    QStringList buttons() const {
        QStringList shown;
        for (TDTagButton* button : bar->filterView()->tagButtons())
            shown << QStringLiteral("%1 %2%3%4")
                         .arg(button->text())
                         .arg(button->taskCount())
                         .arg(button->isChecked() ? QStringLiteral(" [on]") : QString())
                         .arg(button->isHidden() ? QStringLiteral(" (hidden)") : QString());
        return shown;
    }
    TDTagButton* buttonFor(TDTag* tag) const {
        for (TDTagButton* button : bar->filterView()->tagButtons())
            if (button->tagObject() == tag) return button;
        return nullptr;
    }
    void click(TDTag* tag, Qt::KeyboardModifiers modifiers = {}) {
        TDTagButton* button = buttonFor(tag);
        ASSERT_TRUE(button) << tag->title().toStdString();
        QTest::mouseClick(button, Qt::LeftButton, modifiers);
    }

    TDList* errands = nullptr;
    TDTag* home = nullptr;
    TDTag* phone = nullptr;
    TDTag* work = nullptr;
    TDTask* untagged = nullptr;
    std::unique_ptr<TDTagFilterViewController> bar;
};

TEST_F(TagFilterBarTest, ButtonsFollowTheTagsOfTheShownTasksInTitleOrderWithCounts) {
    EXPECT_EQ(buttons(), strings({"home 2", "Phone 1", "work 3"}));
    EXPECT_FALSE(bar->overflowButton()->isVisible());
    EXPECT_FALSE(bar->noTagsExplanationField()->isVisible());

    // An edit of a task's tags changes the counts as the context settles.
    untagged->addTags({home, phone});
    processChanges();
    EXPECT_EQ(buttons(), strings({"home 3", "Phone 2", "work 3"}));
    untagged->removeTags({home, phone});
    processChanges();
    EXPECT_EQ(buttons(), strings({"home 2", "Phone 1", "work 3"}));
}

TEST_F(TagFilterBarTest, PlainClicksChooseOneTagAndCtrlOrShiftClicksAddAndRemove) {
    click(phone);
    EXPECT_EQ(tasks->filterTags(), QSet<TDTag*>{phone});
    EXPECT_EQ(buttons(), strings({"home 2", "Phone 1 [on]", "work 3"}));

    click(phone);
    EXPECT_TRUE(tasks->filterTags().isEmpty());
    EXPECT_FALSE(tasks->isFilteringByTags());

    click(home);
    click(work, Qt::ControlModifier);
    EXPECT_EQ(tasks->filterTags(), (QSet<TDTag*>{home, work}));
    EXPECT_EQ(buttons(), strings({"home 2 [on]", "Phone 1", "work 3 [on]"}));
    click(home, Qt::ShiftModifier);
    EXPECT_EQ(tasks->filterTags(), QSet<TDTag*>{work});

    // A plain click on one of several filtering tags keeps just it.
    click(phone, Qt::ShiftModifier);
    click(work);
    EXPECT_EQ(tasks->filterTags(), QSet<TDTag*>{work});
    EXPECT_TRUE(tasks->isFilteringByTags());
}

TEST_F(TagFilterBarTest, NarrowingHidesTrailingButtonsAndTheOverflowMenuListsThem) {
    click(work);
    const int homeRight = buttonFor(home)->geometry().right();
    // Room for "home" only: the bar ends just after it, before the overflow button and the field.
    const int filterViewX = bar->filterView()->x();
    const int overflowAndField = bar->view()->width() - (filterViewX + bar->filterView()->width());
    bar->view()->resize(filterViewX + homeRight + 3 + overflowAndField, 38);
    EXPECT_EQ(buttons(), strings({"home 2", "Phone 1 (hidden)", "work 3 [on] (hidden)"}));
    EXPECT_TRUE(bar->overflowButton()->isVisible());

    QMenu menu;
    bar->populateOverflowMenu(menu);
    QStringList items;
    for (QAction* item : menu.actions())
        items << item->text() + (item->isChecked() ? QStringLiteral(" [x]") : QString());
    EXPECT_EQ(items, strings({"Phone", "work [x]"}));
    // Choosing an item toggles as a click would.
    menu.actions().at(0)->trigger();
    EXPECT_EQ(tasks->filterTags(), QSet<TDTag*>{phone});

    bar->view()->resize(800, 38);
    EXPECT_FALSE(bar->overflowButton()->isVisible());
    EXPECT_EQ(buttons(), strings({"home 2", "Phone 1 [on]", "work 3"}));

    // Squeezed to nothing the bar lays out without a column to divide by.
    bar->view()->resize(0, 38);
    for (TDTagButton* button : bar->filterView()->tagButtons()) EXPECT_TRUE(button->isHidden());
}

TEST_F(TagFilterBarTest, AnEmptyBarExplainsItselfOnlyWhileALibraryIsOpen) {
    TDList* plain = list(QStringLiteral("Plain"));
    addTask(plain, QStringLiteral("No tags here"));
    processChanges();
    groups->selectGroup(plain);
    EXPECT_TRUE(buttons().isEmpty());
    EXPECT_TRUE(bar->noTagsExplanationField()->isVisible());
    EXPECT_FALSE(bar->overflowButton()->isVisible());

    TDLibraryManager closed(QDir(tempPath()).filePath(QStringLiteral("Never.odllibrary")));
    TDTasksController withoutLibrary(closed);
    bar->setTasksController(&withoutLibrary);
    EXPECT_TRUE(buttons().isEmpty());
    EXPECT_FALSE(bar->noTagsExplanationField()->isVisible());
    bar->setTasksController(tasks.get());
}

TEST_F(TagFilterBarTest, TheSearchFieldFiltersByTitleAndDisablingReachesTheButtons) {
    QTest::keyClicks(bar->searchField(), QStringLiteral("door"));
    EXPECT_EQ(tasks->titleFilterString(), QStringLiteral("door"));
    EXPECT_EQ(buttons(), strings({"home 1", "work 1"}));
    bar->searchField()->clear();
    EXPECT_FALSE(tasks->isFilteringByTitle());

    bar->setEnabled(false);
    for (TDTagButton* button : bar->filterView()->tagButtons()) EXPECT_FALSE(button->isEnabled());
    // Rebuilt buttons keep the state.
    untagged->addTags({phone});
    processChanges();
    for (TDTagButton* button : bar->filterView()->tagButtons()) EXPECT_FALSE(button->isEnabled());
}

TEST(TagButtonBadge, WidthAndTextPlacementByCount) {
    TDTagButton button;
    button.resize(80, 18);
    const QRectF bounds(0, 0, 80, 18);
    for (qint64 count : {1, 5, 9}) {
        button.setTaskCount(count);
        EXPECT_EQ(button.taskCountBackgroundRectForBounds(bounds), QRectF(4, 3, 14, 12)) << count;
    }
    for (qint64 count : {10, 57, 12345}) {
        button.setTaskCount(count);
        const QRectF text = button.taskCountStringRectForBounds(bounds);
        EXPECT_EQ(text.x(), std::ceil(text.x())) << count;
        const QRectF badge = button.taskCountBackgroundRectForBounds(bounds);
        // Centred in the badge, whose width grows with the digits.
        EXPECT_GT(badge.width(), 14) << count;
        EXPECT_GE(text.x(), badge.x() + 1) << count;
        EXPECT_LE(text.right(), badge.right()) << count;
        // The title starts right of the badge.
        EXPECT_GT(button.titleRectForBounds(bounds).x(), badge.right()) << count;
    }
}

}  // namespace
}  // namespace apptest
