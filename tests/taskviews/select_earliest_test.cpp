#include "tests/taskviews/tasks_controller_fixture.h"

#include "model/task.h"
#include "taskviews/task_menus.h"
#include "taskviews/task_presentation.h"

namespace taskviewstest {
namespace {

struct EarliestCase {
    const char* action;
    const char* selected;  // the title selected afterwards; "" for no selection
};

class SelectEarliestTest : public TasksControllerTest, public ::testing::WithParamInterface<EarliestCase> {};

// Rows: Paint (starts in 3 days, due in 9), Shop (starts in 1, due in 4), Shop's step Cheese (due in 2),
// Rest (no dates). The earliest start is Shop's, the earliest due date its step's.
TEST_P(SelectEarliestTest, SelectsTheFirstRowOnTheGroupsEarliestDate) {
    TDList* list = newList(QStringLiteral("Week"));
    const QDateTime now = clock->now();
    TDTask* paint = addTask(list, QStringLiteral("Paint"));
    paint->setStartDate(now.addDays(3));
    paint->setDueDate(now.addDays(9));
    TDTask* shop = addTask(list, QStringLiteral("Shop"));
    shop->setStartDate(now.addDays(1));
    shop->setDueDate(now.addDays(4));
    addSubtask(shop, QStringLiteral("Cheese"))->setDueDate(now.addDays(2));
    addTask(list, QStringLiteral("Rest"));
    processChanges();
    controller->setGroup(list);
    select({paint});

    TDTaskMenuItem item;
    item.action = QString::fromLatin1(GetParam().action);
    ASSERT_TRUE(controller->validate(item.action, 0));
    controller->perform(item, false);
    EXPECT_EQ(taskTitles(controller->selection()), QStringList{QString::fromLatin1(GetParam().selected)});
}

INSTANTIATE_TEST_SUITE_P(Dates, SelectEarliestTest,
                         ::testing::Values(EarliestCase{"selectEarliestStartDateTask", "Shop"},
                                           EarliestCase{"selectEarliestDueDateTask", "Cheese"}));

TEST_F(TasksControllerTest, SelectingTheEarliestDateInAListWithoutDatesKeepsTheSelection) {
    TDList* list = newList(QStringLiteral("Someday"));
    TDTask* read = addTask(list, QStringLiteral("Read"));
    addTask(list, QStringLiteral("Walk"));
    processChanges();
    controller->setGroup(list);
    select({read});
    controller->selectEarliestDueDateTask();
    controller->selectEarliestStartDateTask();
    EXPECT_EQ(taskTitles(controller->selection()), QStringList{QStringLiteral("Read")});
}

// The menu item's tag says which way the selection moves, as the outline's arrow keys move it.
TEST_F(TasksControllerTest, ModifySelectionMovesTheOutlinesSelectionByTheItemsTag) {
    using Move = TDTaskPresentation::SelectionMove;
    TDList* list = newList(QStringLiteral("Week"));
    addTask(list, QStringLiteral("Paint"));
    processChanges();
    controller->setGroup(list);
    const struct {
        qint64 tag;
        QList<Move> moves;
    } cases[] = {{0, {Move::Up}}, {1, {Move::Forward}}, {2, {Move::Down}}, {3, {Move::Backward}}, {4, {}},
                 {-1, {}}};
    for (const auto& [tag, moves] : cases) {
        outline.moves.clear();
        TDTaskMenuItem item;
        item.action = QStringLiteral("modifySelection");
        item.tag = tag;
        ASSERT_TRUE(controller->validateMenuItem(item));
        controller->perform(item, false);
        EXPECT_EQ(outline.moves, moves) << "tag " << tag;
    }
    // Nothing to move through: the item is disabled.
    outline.realRows = 0;
    EXPECT_FALSE(controller->validate(QStringLiteral("modifySelection"), 0));
}

}  // namespace
}  // namespace taskviewstest
