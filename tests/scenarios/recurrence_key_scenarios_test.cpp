// Making a task repeat from the keyboard: the Task menu's Edit Recurrence key opens the editor on the
// selected task, with the rule field ready for typing.

#include "tests/scenarios/scenario_test.h"

namespace {

using RecurrenceKeyScenario = scenario::ScenarioTest;

TEST_F(RecurrenceKeyScenario, CtrlShiftEOpensTheEditorAndReturnMakesTheTaskRepeat) {
    seedLibrary([](scenario::LibrarySeed& seed) {
        TDGroup* home = seed.list(QStringLiteral("Home"));
        seed.task(home, QStringLiteral("Water the plants"));
        seed.task(home, QStringLiteral("Take out the bins"));
    });
    launch();
    clickGroup(QStringLiteral("Home"));

    // Two rows selected: the editor shows one task's rule, so the key does nothing.
    click(QStringLiteral("Water the plants"));
    click(QStringLiteral("Take out the bins"), -1, Qt::ShiftModifier);
    press(Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));

    click(QStringLiteral("Water the plants"));
    press(Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_NE(focusedWidgetName(), QStringLiteral("TDTasksView")) << "the editor's rule field takes the keys";
    type(QStringLiteral("every 3 days"));
    press(Qt::Key_Return);
    waitForSave();
    const scenario::StoredLibrary stored = storedLibrary();
    ASSERT_TRUE(stored.task(QStringLiteral("Water the plants")));
    EXPECT_TRUE(stored.task(QStringLiteral("Water the plants"))->recurring);
    EXPECT_FALSE(stored.task(QStringLiteral("Take out the bins"))->recurring);
}

}  // namespace
