#include "tests/scenarios/scenario_test.h"

namespace scenario {
namespace {

void seedErrands(LibrarySeed& seed) {
    TDGroup* errands = seed.list(QStringLiteral("Errands"));
    seed.task(errands, QStringLiteral("Buy stamps"));
    seed.task(errands, QStringLiteral("Post the letter"));
    seed.task(errands, QStringLiteral("Collect the parcel"));
}

// The ways a person gives the commands: the menu items, or their keys.
enum class DeletionWay { MenuItem, Keys };

class TaskDeletionScenario : public ScenarioTest, public ::testing::WithParamInterface<DeletionWay> {
protected:
    void deleteSelectedTask() {
        if (GetParam() == DeletionWay::MenuItem)
            chooseMenuItem(QStringLiteral("Task"), QStringLiteral("Delete"));
        else
            press(Qt::Key_Backspace, Qt::ControlModifier);
    }
    void undoDeletion() {
        if (GetParam() == DeletionWay::MenuItem)
            chooseMenuItem(QStringLiteral("Edit"), QStringLiteral("Undo Delete"));
        else
            press(Qt::Key_Z, Qt::ControlModifier);
    }
    void redoDeletion() {
        if (GetParam() == DeletionWay::MenuItem)
            chooseMenuItem(QStringLiteral("Edit"), QStringLiteral("Redo Delete"));
        else
            press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    }
};

TEST_P(TaskDeletionScenario, TheDeletedTaskLeavesTheListAndTheStoreUntilUndoneAndRedone) {
    seedLibrary(seedErrands);
    launch();
    clickGroup(QStringLiteral("Errands"));
    click(QStringLiteral("Post the letter"));
    deleteSelectedTask();
    waitForSave();
    const QStringList rest{QStringLiteral("Buy stamps"), QStringLiteral("Collect the parcel")};
    EXPECT_EQ(shownTasks(), rest);
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Errands")), rest);
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));

    undoDeletion();
    waitForSave();
    const QStringList all{QStringLiteral("Buy stamps"), QStringLiteral("Post the letter"),
                          QStringLiteral("Collect the parcel")};
    EXPECT_EQ(shownTasks(), all);
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Errands")), all);

    redoDeletion();
    waitForSave();
    EXPECT_EQ(shownTasks(), rest);
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Errands")), rest);
}

INSTANTIATE_TEST_SUITE_P(Ways, TaskDeletionScenario,
                         ::testing::Values(DeletionWay::MenuItem, DeletionWay::Keys),
                         [](const ::testing::TestParamInfo<DeletionWay>& info) {
                             return info.param == DeletionWay::MenuItem ? "MenuItem" : "Keys";
                         });

using QuitScenario = ScenarioTest;

TEST_F(QuitScenario, QuittingRightAfterADeletionSavesIt) {
    seedLibrary(seedErrands);
    launch();
    clickGroup(QStringLiteral("Errands"));
    click(QStringLiteral("Buy stamps"));
    press(Qt::Key_Backspace, Qt::ControlModifier);
    EXPECT_EQ(quit(), 0);
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Errands")),
              (QStringList{QStringLiteral("Post the letter"), QStringLiteral("Collect the parcel")}));
}

}  // namespace
}  // namespace scenario
