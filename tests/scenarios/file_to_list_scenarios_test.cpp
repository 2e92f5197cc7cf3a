// File Task as a person meets it: the balloon under the selected task, a few letters of a list's
// name, Return; the tasks land on top of that list in the store read afresh.
#include "app/gui/file_to_group_panel.h"
#include "app/gui/main_window.h"
#include "controls/gui/balloon_panel.h"
#include "model/group.h"
#include "tests/scenarios/scenario_test.h"

#include <QPushButton>
#include <QToolButton>

namespace scenario {
namespace {

class FileToListScenario : public ScenarioTest {
protected:
    void seedErrandsAndGardens() {
        seedLibrary([](LibrarySeed& seed) {
            TDGroup* errands = seed.list(QStringLiteral("Errands"));
            seed.task(errands, QStringLiteral("Buy stamps"));
            seed.task(errands, QStringLiteral("Buy seeds"));
            seed.task(errands, QStringLiteral("Return the library books"));
            TDGroup* garden = seed.list(QStringLiteral("Garden"));
            seed.task(garden, QStringLiteral("Mow the lawn"));
            seed.list(QStringLiteral("Garage"));
            seed.list(QStringLiteral("Gardening Club"));
            seed.smartFolder(QStringLiteral("Books"), QStringLiteral("books"));
        });
    }
    TDFileToGroupPanel& panel() const { return window().fileToGroupPanel(); }
};

TEST_F(FileToListScenario, TypingAnAbbreviationAndReturnFilesTheTasksOnTopOfThatList) {
    seedErrandsAndGardens();
    launch();
    chooseGroupFromKeyboard(QStringLiteral("Errands"));
    click(QStringLiteral("Buy seeds"));
    click(QStringLiteral("Buy stamps"), -1, Qt::ShiftModifier);
    press(Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(panel().isVisible());
    ASSERT_EQ(focusedWidget(), panel().contentView()->searchField());

    type(QStringLiteral("gar"));
    EXPECT_EQ(panel().controller().markedGroup()->title(), QStringLiteral("Garden"));
    EXPECT_TRUE(panel().contentView()->arrowButton(0)->isEnabled());
    screenshot(QStringLiteral("file_to_list_balloon"));
    press(Qt::Key_Backspace);
    press(Qt::Key_Backspace);
    type(QStringLiteral("arden"));
    press(Qt::Key_Return);
    waitForSave();

    EXPECT_FALSE(panel().isVisible());
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Garden")),
              (QStringList{QStringLiteral("Buy stamps"), QStringLiteral("Buy seeds"),
                           QStringLiteral("Mow the lawn")}));
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Errands")),
              QStringList{QStringLiteral("Return the library books")});
    EXPECT_EQ(shownTasks(), QStringList{QStringLiteral("Return the library books")});
}

TEST_F(FileToListScenario, ADoubleClickOnTheListColumnOpensThePanelAndANewNameCreatesTheList) {
    seedErrandsAndGardens();
    launch();
    // A list's own view hides the list column; a smart folder shows it.
    chooseGroupFromKeyboard(QStringLiteral("Books"));
    doubleClick(QStringLiteral("Return the library books"), 0);
    ASSERT_TRUE(panel().isVisible());
    type(QStringLiteral("Library"));
    EXPECT_EQ(panel().contentView()->doneButton()->text(), QStringLiteral("Create List and Move"));
    press(Qt::Key_Return);
    waitForSave();
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Library")),
              QStringList{QStringLiteral("Return the library books")});

    // Escape closes the next opening without filing, the keyboard back in the task list.
    chooseGroupFromKeyboard(QStringLiteral("Errands"));
    click(QStringLiteral("Buy stamps"));
    press(Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(panel().isVisible());
    press(Qt::Key_Escape);
    EXPECT_FALSE(panel().isVisible());
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));
    EXPECT_EQ(shownTasks(), (QStringList{QStringLiteral("Buy stamps"), QStringLiteral("Buy seeds")}));
}

}  // namespace
}  // namespace scenario
