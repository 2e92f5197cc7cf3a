#include "model/group.h"
#include "model/library.h"
#include "tests/scenarios/scenario_test.h"

namespace scenario {
namespace {

using GroupChoiceScenario = ScenarioTest;

TEST_F(GroupChoiceScenario, TheKeysOfTheSpecialGroupsAndGoToShowEachGroupsTasks) {
    seedLibrary([](LibrarySeed& seed) {
        TDGroup* household = seed.list(QStringLiteral("Household"));
        seed.task(household, QStringLiteral("Water the plants"));
        seed.task(seed.library().inboxGroup(), QStringLiteral("Renew the passport"));
    });
    launch();
    press(Qt::Key_1, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(shownGroup(), QStringLiteral("Inbox"));
    EXPECT_EQ(shownTasks(), QStringList{QStringLiteral("Renew the passport")});
    press(Qt::Key_3, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(shownGroup(), QStringLiteral("Upcoming"));
    press(Qt::Key_2, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(shownGroup(), QStringLiteral("Today"));

    chooseGroupFromKeyboard(QStringLiteral("Household"));
    EXPECT_EQ(shownTasks(), QStringList{QStringLiteral("Water the plants")});
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));
}

}  // namespace
}  // namespace scenario
