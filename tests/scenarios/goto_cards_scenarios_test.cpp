// Go-to and the cards as a person meets them: go-to left open across a tab switch or a Filter by
// Title, and the cards with their toolbar, their menu and their fields.
#include "app/group_tabs.h"
#include "app/gui/group_tab_control.h"
#include "app/gui/main_window.h"
#include "app/gui/toolbar_controls.h"
#include "app/gui/toolbar_view_controller.h"
#include "model/task.h"
#include "taskviews/gui/card_view.h"
#include "taskviews/gui/cards_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/tasks_controller.h"
#include "tests/scenarios/scenario_test.h"

#include <QLineEdit>
#include <QTest>

namespace scenario {
namespace {

class GotoCardsScenario : public ScenarioTest {
protected:
    void seedErrandsAndGarden() {
        seedLibrary([](LibrarySeed& seed) {
            TDGroup* errands = seed.list(QStringLiteral("Errands"));
            seed.task(errands, QStringLiteral("Buy stamps"));
            seed.task(errands, QStringLiteral("Return the library books"));
            TDGroup* garden = seed.list(QStringLiteral("Garden"));
            seed.task(garden, QStringLiteral("Mow the lawn"));
        });
    }
    TDTasksController& tasks() const { return window().tasksViewController().tasksController(); }
    void clickTab(int index) {
        TDGroupTabControl& tabs = window().tabControl();
        QTest::mouseClick(&tabs, Qt::LeftButton, Qt::NoModifier, tabs.tabRect(index).center().toPoint());
        settle();
    }
};

// Go-to browsing in the second tab, a click on the first tab, then Escape: the first tab shows its own
// group, the second keeps the group it had before go-to, and nothing stays dimmed.
TEST_F(GotoCardsScenario, GotoAcrossATabSwitchThenEscapeLeavesEachTabItsGroup) {
    seedErrandsAndGarden();
    launch();
    chooseGroupFromKeyboard(QStringLiteral("Errands"));
    press(Qt::Key_T, Qt::ControlModifier);
    chooseGroupFromKeyboard(QStringLiteral("Garden"));
    ASSERT_EQ(window().controller().tabs().numberOfTabs(), 2);

    press(Qt::Key_G, Qt::ControlModifier);
    type(QStringLiteral("err"));
    ASSERT_EQ(shownGroup(), QStringLiteral("Errands"));
    clickTab(0);
    press(Qt::Key_Escape);
    EXPECT_EQ(shownGroup(), QStringLiteral("Errands"));
    EXPECT_EQ(shownTasks(),
              (QStringList{QStringLiteral("Buy stamps"), QStringLiteral("Return the library books")}));
    EXPECT_FALSE(tasks().drawsOverlay());
    EXPECT_FALSE(window().commandBar().isGotoOpen());

    clickTab(1);
    EXPECT_EQ(shownGroup(), QStringLiteral("Garden"));
    EXPECT_EQ(shownTasks(), QStringList{QStringLiteral("Mow the lawn")});
}

// Filter by Title while go-to browses: go-to is cancelled (the group of before, not dimmed), the typing
// filters that group, and the next go-to starts from there.
TEST_F(GotoCardsScenario, FilterByTitleClosesGotoAndTheNextGotoStartsAfresh) {
    seedErrandsAndGarden();
    launch();
    chooseGroupFromKeyboard(QStringLiteral("Errands"));
    press(Qt::Key_G, Qt::ControlModifier);
    type(QStringLiteral("gar"));
    ASSERT_EQ(shownGroup(), QStringLiteral("Garden"));
    ASSERT_TRUE(tasks().drawsOverlay());

    press(Qt::Key_F, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(window().commandBar().isGotoOpen());
    EXPECT_FALSE(tasks().drawsOverlay());
    EXPECT_EQ(shownGroup(), QStringLiteral("Errands"));
    ASSERT_NE(qobject_cast<QLineEdit*>(focusedWidget()), nullptr);
    type(QStringLiteral("stamps"));
    EXPECT_EQ(shownTasks(), QStringList{QStringLiteral("Buy stamps")});

    press(Qt::Key_G, Qt::ControlModifier);
    type(QStringLiteral("gar"));
    ASSERT_EQ(shownGroup(), QStringLiteral("Garden"));
    press(Qt::Key_Escape);
    EXPECT_EQ(shownGroup(), QStringLiteral("Errands"));
    EXPECT_FALSE(tasks().drawsOverlay());
    EXPECT_EQ(shownTasks(), QStringList{QStringLiteral("Buy stamps")});
}

// The cards keep the toolbar above them; a right click on a card gives the Task menu; Escape in the due
// date drops what was typed, which the store, read afresh after the next save, confirms.
TEST_F(GotoCardsScenario, CardsKeepTheToolbarTheirMenuAndTheStoredDates) {
    seedLibrary([](LibrarySeed& seed) {
        TDGroup* errands = seed.list(QStringLiteral("Errands"));
        seed.task(errands, QStringLiteral("Buy stamps"))
            ->setDueDate(QDateTime(QDate(2026, 12, 24), QTime(12, 0)));
        seed.task(errands, QStringLiteral("Return the library books"));
    });
    launch();
    chooseGroupFromKeyboard(QStringLiteral("Errands"));
    press(Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    TDCardsView* cards = window().tasksViewController().cardsView();
    ASSERT_NE(cards, nullptr);
    ASSERT_TRUE(cards->isVisible());
    TDToolbarViewController& toolbar = window().toolbarController();
    QWidget& container = window().tasksViewController();
    TDToolbarSegmentedControl* modes = toolbar.viewModeSegmentedControl();
    EXPECT_TRUE(modes->isVisible());
    EXPECT_EQ(container.childAt(modes->mapTo(&container, modes->rect().center())), modes);
    TDCardView* card = cards->frontCardView();
    EXPECT_GE(card->mapTo(&container, QPoint(0, 0)).y(),
              toolbar.view()->mapTo(&container, QPoint(0, toolbar.view()->height())).y());
    screenshot(QStringLiteral("cards_with_toolbar"));

    QLineEdit* due = card->field(TDCardView::DueField);
    const QString shownDue = due->text();
    QTest::mouseClick(due, Qt::LeftButton);
    settle();
    ASSERT_EQ(focusedWidget(), due);
    press(Qt::Key_A, Qt::ControlModifier);
    type(QStringLiteral("tomorrow"));
    press(Qt::Key_Escape);
    EXPECT_EQ(due->text(), shownDue);
    EXPECT_EQ(focusedWidget(), cards);

    chooseFromContextMenu(card, QPoint(3, card->height() / 2), QStringLiteral("Mark as Completed"));
    waitForSave();
    const std::optional<StoredTask> stamps = storedLibrary().task(QStringLiteral("Buy stamps"));
    ASSERT_TRUE(stamps.has_value());
    EXPECT_EQ(stamps->status, QStringLiteral("C"));
    EXPECT_EQ(stamps->due, QDate(2026, 12, 24));
}

}  // namespace
}  // namespace scenario
