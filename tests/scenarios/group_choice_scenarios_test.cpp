#include "model/group.h"
#include "model/library.h"
#include "model/task.h"
#include "tests/scenarios/scenario_test.h"

namespace scenario {
namespace {

using GroupChoiceScenario = ScenarioTest;

TEST_F(GroupChoiceScenario, TheKeysOfTheSpecialGroupsAndGoToShowEachGroupsTasks) {
    seedLibrary([](LibrarySeed& seed) {
        TDGroup* household = seed.list(QStringLiteral("Household"));
        seed.task(household, QStringLiteral("Water the plants"));
        seed.task(household, QStringLiteral("Pay the rent"))
            ->setDueDate(QDateTime(QDate(2026, 12, 9), QTime()));
        seed.task(household, QStringLiteral("Book the chimney sweep"))
            ->setDueDate(QDateTime(QDate(2026, 12, 11), QTime()));
        seed.task(seed.library().inboxGroup(), QStringLiteral("Renew the passport"));
    });
    launch();
    press(Qt::Key_1, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(shownGroup(), QStringLiteral("Inbox"));
    EXPECT_EQ(shownRows(), (QStringList{QStringLiteral("# Inbox"), QStringLiteral("Renew the passport")}));
    press(Qt::Key_3, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(shownGroup(), QStringLiteral("Upcoming"));
    EXPECT_TRUE(shownTasks().contains(QStringLiteral("Book the chimney sweep")))
        << shownRows().join(QLatin1Char('\n')).toStdString();
    press(Qt::Key_2, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(shownGroup(), QStringLiteral("Today"));
    EXPECT_EQ(shownRows(), (QStringList{QStringLiteral("## Due today"), QStringLiteral("Pay the rent"),
                                        QStringLiteral("## Due in the next 3 days"),
                                        QStringLiteral("Book the chimney sweep")}));

    chooseGroupFromKeyboard(QStringLiteral("Household"));
    EXPECT_EQ(shownTasks(), (QStringList{QStringLiteral("Water the plants"), QStringLiteral("Pay the rent"),
                                         QStringLiteral("Book the chimney sweep")}));
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));
}

}  // namespace
}  // namespace scenario
