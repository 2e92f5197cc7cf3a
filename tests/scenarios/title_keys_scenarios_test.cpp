// The title keys while a title is edited, in the outline and on a card alike: Ctrl+Return adds a task
// below and Shift+Return a child, each new task's title edited next, though the Task menu's Open Link
// items share the keys.

#include "app/gui/main_window.h"
#include "taskviews/gui/card_view.h"
#include "taskviews/gui/cards_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/gui/title_editor.h"
#include "tests/scenarios/scenario_test.h"

namespace {

class TitleKeysScenario : public scenario::ScenarioTest, public ::testing::WithParamInterface<bool> {
protected:
    bool onCards() const { return GetParam(); }
    // Edit Task (Ctrl+E) puts the selected task's title, or the front card's, into editing.
    void editTitle() {
        press(Qt::Key_E, Qt::ControlModifier);
        if (!onCards()) {
            ASSERT_NE(focusedWidgetName(), QStringLiteral("TDTasksView"));
            return;
        }
        TDCardsView* cards = window().tasksViewController().cardsView();
        ASSERT_TRUE(cards && cards->isVisible());
        ASSERT_EQ(focusedWidget(), cards->frontCardView()->titleField());
    }
};

TEST_P(TitleKeysScenario, CtrlReturnAddsATaskBelowAndShiftReturnAChild) {
    seedLibrary([](scenario::LibrarySeed& seed) {
        TDGroup* errands = seed.list(QStringLiteral("Errands"));
        seed.task(errands, QStringLiteral("Buy stamps"));
        seed.task(errands, QStringLiteral("Water plants"));
    });
    launch();
    chooseGroupFromKeyboard(QStringLiteral("Errands"));
    if (onCards())
        press(Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    else
        click(QStringLiteral("Buy stamps"));

    editTitle();
    press(Qt::Key_End);
    type(QStringLiteral(" now"));
    press(Qt::Key_Return, Qt::ControlModifier);
    type(QStringLiteral("Post the letter"));
    press(Qt::Key_Return);
    waitForSave();
    scenario::StoredLibrary stored = storedLibrary();
    EXPECT_EQ(stored.titlesIn(QStringLiteral("Errands")),
              (QStringList{QStringLiteral("Buy stamps now"), QStringLiteral("Post the letter"),
                           QStringLiteral("Water plants")}));

    editTitle();
    press(Qt::Key_Return, Qt::ShiftModifier);
    type(QStringLiteral("Find an envelope"));
    press(Qt::Key_Return);
    waitForSave();
    stored = storedLibrary();
    ASSERT_TRUE(stored.task(QStringLiteral("Find an envelope")));
    EXPECT_EQ(stored.task(QStringLiteral("Find an envelope"))->parent, QStringLiteral("Post the letter"));
}

INSTANTIATE_TEST_SUITE_P(OutlineAndCards, TitleKeysScenario, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Cards" : "Outline");
                         });

}  // namespace
