#include "taskviews/task_drop_validation.h"

#include "tests/taskviews/tasks_controller_fixture.h"

#include <functional>

namespace taskviewstest {
namespace {

class DropValidationTest : public TasksControllerTest {
protected:
    void SetUp() override {
        TasksControllerTest::SetUp();
        list = newList(QStringLiteral("Home"));
        parent = addTask(list, QStringLiteral("parent"));
        child = addSubtask(parent, QStringLiteral("child"));
        other = addTask(list, QStringLiteral("other"));
        home = tag(QStringLiteral("home"));
        other->addTagsObject(home);
        processChanges();
    }

    // A move of `parent` inside the list, unsorted and ungrouped, unless the case changes it.
    TDTaskDropFacts facts() {
        TDTaskDropFacts facts;
        facts.type = TDTaskDropType::TaskIDs;
        facts.draggedTasks = {parent};
        facts.group = list;
        facts.parentOf = [](TDTask* task) {
            return task->parentTask() ? TDTaskRowItem::task(task->parentTask()) : TDTaskRowItem::root();
        };
        facts.sortedIndex = [](TDTask*, const TDTaskRowItem&) { return qsizetype(7); };
        return facts;
    }

    TDList* list = nullptr;
    TDTask* parent = nullptr;
    TDTask* child = nullptr;
    TDTask* other = nullptr;
    TDTag* home = nullptr;
};

TEST_F(DropValidationTest, DropsAreJudgedAndRetargetedByTable) {
    const TDTaskRowItem root = TDTaskRowItem::root();
    // Only which section counts here, not what it holds.
    const TDTaskRowItem onSection = TDTaskRowItem::section(list->orderedTasks());
    const TDTaskRowItem onOther = TDTaskRowItem::task(other);
    const struct {
        const char* name;
        std::function<void(TDTaskDropFacts&)> situation;
        TDTaskDrop proposed;
        Qt::DropAction operation;
        TDTaskDrop target;
    } cases[] = {
        {"between top rows", {}, {root, 1}, Qt::MoveAction, {root, 1}},
        {"on nothing", {}, {root, -1}, Qt::IgnoreAction, {}},
        {"onto a task: its first child", {}, {onOther, -1}, Qt::MoveAction, {onOther, 0}},
        {"into its own subtask", {}, {TDTaskRowItem::task(child), -1}, Qt::IgnoreAction, {}},
        {"onto itself", {}, {TDTaskRowItem::task(parent), 0}, Qt::IgnoreAction, {}},
        {"a footer", {}, {TDTaskRowItem::footer(nullptr), -1}, Qt::IgnoreAction, {}},
        {"above the list's row", [](auto& f) { f.hasDummyHeader = true; }, {root, 0}, Qt::IgnoreAction, {}},
        {"onto the list's row: its top",
         [](auto& f) { f.hasDummyHeader = true; },
         {TDTaskRowItem::header(nullptr), -1},
         Qt::MoveAction,
         {root, 1}},
        {"a drag that may not move copies",
         [](auto& f) { f.sourceAllowsMove = false; },
         {root, 2},
         Qt::CopyAction,
         {root, 2}},
        {"the top of a smart folder",
         [this](auto& f) { f.group = library()->todayGroup(); },
         {root, 1},
         Qt::IgnoreAction,
         {}},
        {"grouped by due: into a section",
         [](auto& f) { f.grouping = true, f.groupingAttribute = QStringLiteral("dueDate"); },
         {onSection, 0},
         Qt::IgnoreAction,
         {}},
        {"grouped by priority: into a section",
         [](auto& f) { f.grouping = true, f.groupingAttribute = QStringLiteral("priority"); },
         {onSection, 0},
         Qt::MoveAction,
         {onSection, 0}},
        {"grouped by list: between sections",
         [](auto& f) { f.grouping = true, f.groupingAttribute = QStringLiteral("list"); },
         {root, 1},
         Qt::IgnoreAction,
         {}},
        {"grouped: past the section's limit",
         [](auto& f) {
             f.grouping = true, f.groupingAttribute = QStringLiteral("subgroup"), f.groupingLimit = 3;
         },
         {onSection, 3},
         Qt::IgnoreAction,
         {}},
        {"grouped: within the section's limit",
         [](auto& f) {
             f.grouping = true, f.groupingAttribute = QStringLiteral("subgroup"), f.groupingLimit = 3;
         },
         {onSection, 2},
         Qt::MoveAction,
         {onSection, 2}},
        {"sorted: under its own parent",
         [](auto& f) { f.sortingAttribute = QStringLiteral("dueDate"); },
         {root, 2},
         Qt::IgnoreAction,
         {}},
        {"sorted: under another parent goes where the sort says",
         [](auto& f) { f.sortingAttribute = QStringLiteral("dueDate"); },
         {onOther, -1},
         Qt::MoveAction,
         {onOther, 7}},
        {"sorted by priority: anywhere",
         [](auto& f) { f.sortingAttribute = QStringLiteral("priority"); },
         {root, 2},
         Qt::MoveAction,
         {root, 2}},
        {"copy forms",
         [](auto& f) { f.type = TDTaskDropType::TaskPlist; },
         {onOther, -1},
         Qt::CopyAction,
         {onOther, 0}},
        {"files",
         [](auto& f) { f.type = TDTaskDropType::Files, f.fileCount = 2; },
         {root, 1},
         Qt::LinkAction,
         {root, 1}},
        {"no files", [](auto& f) { f.type = TDTaskDropType::Files; }, {root, 1}, Qt::IgnoreAction, {}},
        {"nothing accepted", [](auto& f) { f.type = TDTaskDropType::None; }, {root, 1}, Qt::IgnoreAction, {}},
        {"a tag onto a task under the pointer",
         [this](auto& f) {
             f.type = TDTaskDropType::GroupUIDs, f.draggedGroups = {tag(QStringLiteral("work"))};
             f.pointerItem = TDTaskRowItem::task(parent);
         },
         {root, 1},
         Qt::LinkAction,
         {TDTaskRowItem::task(parent), -1}},
        {"a tag the task carries",
         [this](auto& f) {
             f.type = TDTaskDropType::GroupUIDs, f.draggedGroups = {home},
             f.pointerItem = TDTaskRowItem::task(other);
         },
         {onOther, -1},
         Qt::IgnoreAction,
         {}},
        {"a list is no tag",
         [this](auto& f) {
             f.type = TDTaskDropType::GroupUIDs, f.draggedGroups = {list},
             f.pointerItem = TDTaskRowItem::task(other);
         },
         {onOther, -1},
         Qt::IgnoreAction,
         {}},
    };
    for (const auto& c : cases) {
        TDTaskDropFacts situation = facts();
        if (c.situation) c.situation(situation);
        const TDTaskDropVerdict verdict = TDValidateTaskDrop(situation, c.proposed);
        EXPECT_EQ(verdict.operation, c.operation) << c.name;
        if (c.operation != Qt::IgnoreAction) {
            EXPECT_TRUE(verdict.target == c.target) << c.name;
        }
    }
}

}  // namespace
}  // namespace taskviewstest
