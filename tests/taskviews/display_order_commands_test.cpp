#include "tests/taskviews/tasks_controller_fixture.h"

#include "model/ordered_collection.h"
#include "model/task.h"
#include "taskviews/task_menus.h"

namespace taskviewstest {
namespace {

// Two tasks sharing a display order, in the list or among a selected task's subtasks: the check says
// where with a message, the fix renumbers them, after which the check passes silently.
struct DisplayOrderCase {
    bool inSubtasks;
    const char* message;
};

class DisplayOrderCommandsTest : public TasksControllerTest,
                                 public ::testing::WithParamInterface<DisplayOrderCase> {};

TEST_P(DisplayOrderCommandsTest, CheckTellsWhereTheOrderIsWrongAndFixRenumbers) {
    TDList* list = newList(QStringLiteral("Chores"));
    TDTask* sweep = addTask(list, QStringLiteral("Sweep"));
    TDTask* dust = addTask(list, QStringLiteral("Dust"));
    TDTask* under = addSubtask(sweep, QStringLiteral("Under the bed"));
    TDTask* stairs = addSubtask(sweep, QStringLiteral("Stairs"));
    processChanges();
    controller->setGroup(list);
    select({sweep});
    auto perform = [this](const char* action) {
        TDTaskMenuItem item;
        item.action = QString::fromLatin1(action);
        ASSERT_TRUE(controller->validate(item.action, 0)) << action;
        controller->perform(item, false);
    };
    perform("checkDisplayOrder");
    EXPECT_TRUE(feedback.events.isEmpty());

    TDTask* first = GetParam().inSubtasks ? under : sweep;
    TDTask* second = GetParam().inSubtasks ? stairs : dust;
    second->setValue(QStringLiteral("displayOrder"), first->value(QStringLiteral("displayOrder")));
    perform("checkDisplayOrder");
    EXPECT_EQ(feedback.events, QStringList{QString::fromLatin1(GetParam().message)});

    feedback.events.clear();
    perform("fixDisplayOrder");
    EXPECT_TRUE(controller->checkDisplayOrder());
    EXPECT_TRUE(feedback.events.isEmpty());
    perform("logItemInfo");
}

INSTANTIATE_TEST_SUITE_P(
    Places, DisplayOrderCommandsTest,
    ::testing::Values(DisplayOrderCase{false, "Incorrect display order\nparent group: Chores"},
                      DisplayOrderCase{true, "Incorrect display order\nparent task: Sweep"}));

}  // namespace
}  // namespace taskviewstest
