#include "tests/taskviews/tasks_controller_fixture.h"

#include "model/folder.h"
#include "model/ordered_collection.h"
#include "taskviews/task_menus.h"

namespace taskviewstest {
namespace {

enum class Shown { List, ArchivedList, Tag, SmartFolder, Folder, Today };

struct ValidationCase {
    Shown shown;
    const char* selected;  // "" none, "open", "done", "both", "first"
    const char* action;
    qint64 tag;
    bool enabled;
};

void PrintTo(const ValidationCase& c, std::ostream* os) {
    *os << int(c.shown) << " " << c.selected << " " << c.action << " " << c.tag;
}

class MenuValidationTest : public TasksControllerTest,
                           public ::testing::WithParamInterface<ValidationCase> {};

TEST_P(MenuValidationTest, EnablesTheItemForTheGroupAndSelection) {
    const ValidationCase& c = GetParam();
    TDGroup* parent = c.shown == Shown::ArchivedList ? library()->archiveGroup()
                      : c.shown == Shown::Folder     ? static_cast<TDGroup*>(library()->createFolder(
                                                           QStringLiteral("Work"), library()->foldersGroup()))
                                                     : nullptr;
    TDList* list = newList(QStringLiteral("Jobs"), parent);
    TDTask* open = addTask(list, QStringLiteral("open"));
    TDTask* done = addTask(list, QStringLiteral("done"));
    open->setPriority(1);
    done->setCompleted(true);
    TDGroup* shown = list;
    if (c.shown == Shown::Tag) {
        shown = tag(QStringLiteral("home"));
        (void)shown->orderedTasks()->addObject(open);
        (void)shown->orderedTasks()->addObject(done);
    } else if (c.shown == Shown::SmartFolder) {
        shown = library()->createSmartFolder();
    } else if (c.shown == Shown::Folder) {
        shown = parent;
    } else if (c.shown == Shown::Today) {
        shown = library()->todayGroup();
    }
    processChanges();
    controller->setGroup(shown);
    const QString which = QString::fromLatin1(c.selected);
    if (which == QLatin1String("open"))
        select({open});
    else if (which == QLatin1String("done"))
        select({done});
    else if (which == QLatin1String("both"))
        select({open, done});

    EXPECT_EQ(controller->validate(QString::fromLatin1(c.action), c.tag), c.enabled);
}

const ValidationCase kCases[] = {
    {Shown::List, "", "addTask", 0, true},
    {Shown::Tag, "", "addTask", 0, true},
    {Shown::Today, "", "addTask", 0, true},
    {Shown::SmartFolder, "", "addTask", 0, false},
    {Shown::Folder, "", "addTask", 0, false},
    {Shown::ArchivedList, "", "addTask", 0, false},
    {Shown::Folder, "", "addTaskBelow", 0, false},
    {Shown::List, "", "edit", 0, false},
    {Shown::List, "open", "edit", 0, true},
    {Shown::ArchivedList, "open", "remove", 0, true},
    {Shown::ArchivedList, "open", "toggleCompleted", 0, false},
    {Shown::List, "open", "addChildTask", 0, true},
    {Shown::ArchivedList, "open", "addChildTask", 0, false},
    {Shown::List, "open", "editRecurrence", 0, true},
    {Shown::List, "both", "editRecurrence", 0, false},  // the editor shows one task
    {Shown::List, "", "editRecurrence", 0, false},
    {Shown::ArchivedList, "open", "editRecurrence", 0, false},
    {Shown::List, "open", "adjustPriority", 1, false},  // priority 1 cannot rise
    {Shown::List, "open", "adjustPriority", -1, true},
    {Shown::List, "done", "adjustPriority", -1, false},  // no priority to step
    {Shown::List, "open", "adjustPriority", 0, false},
    {Shown::ArchivedList, "open", "moveTasksVertically", -1, true},
    {Shown::ArchivedList, "open", "moveTasksLeft", 0, false},
    {Shown::List, "open", "moveTasksRight", 0, true},
    {Shown::List, "open", "revealInList", 0, false},  // a list shows its own tasks
    {Shown::Tag, "open", "revealInList", 0, true},
    {Shown::Tag, "", "revealInList", 0, false},
    {Shown::List, "open", "beginTiming", 0, true},
    {Shown::List, "done", "beginTiming", 0, false},
    {Shown::List, "open", "stopTiming", 0, false},
    {Shown::List, "open", "openLink", 0, false},
    {Shown::List, "", "hideCompletedTasks", 0, true},
    {Shown::ArchivedList, "", "hideCompletedTasks", 0, false},
    {Shown::List, "both", "sort", 0, true},
    {Shown::List, "open", "sort", 0, false},
    {Shown::List, "", "sortBy", TDSortByManualOrderTag, true},
    {Shown::Tag, "", "sortBy", TDSortByManualOrderTag, false},
    {Shown::Today, "", "sortBy", TDSortByManualOrderTag, true},
    {Shown::Tag, "", "sortBy", 0, true},
    {Shown::Folder, "", "toggleCompletedTasks", 0, false},
    {Shown::List, "", "toggleColumn", 3, true},
    {Shown::List, "", "someUnknownAction", 0, true},
};

INSTANTIATE_TEST_SUITE_P(Menus, MenuValidationTest, ::testing::ValuesIn(kCases));

using TaskMenusTest = TasksControllerTest;

TEST_F(TaskMenusTest, TheTaskMenuIsTitledAfterTheSelection) {
    TDList* list = newList(QStringLiteral("Jobs"));
    TDTask* open = addTask(list, QStringLiteral("open"));
    TDTask* done = addTask(list, QStringLiteral("done"));
    done->setCompleted(true);
    open->setNotesString(QStringLiteral("see https://example.org and mailto:me@example.org"));
    processChanges();
    controller->setGroup(list);

    TDTaskMenu menu = TDTaskMenuTemplate();
    select({open, done});
    controller->setupTaskMenu(menu);
    EXPECT_EQ(menu.items.at(0).title, QStringLiteral("Mark as Completed"));
    EXPECT_EQ(menu.items.at(1).title, QStringLiteral("Cancel"));
    EXPECT_EQ(menu.itemWithAction(QStringLiteral("openLink"))->title, QStringLiteral("Open Links"));

    select({done});
    controller->setupTaskMenu(menu);
    EXPECT_EQ(menu.items.at(0).title, QStringLiteral("Mark as Incomplete"));
    EXPECT_EQ(menu.itemWithAction(QStringLiteral("openLink"))->title, QStringLiteral("Open Link"));
    EXPECT_FALSE(menu.itemWithAction(QStringLiteral("openLink"))->enabled);
}

TEST_F(TaskMenusTest, TheSortMenuExplainsOnceWhyItCannotSort) {
    TDList* list = newList(QStringLiteral("Jobs"));
    TDTask* a = addTask(list, QStringLiteral("a"));
    addTask(list, QStringLiteral("b"));
    TDTask* c = addTask(list, QStringLiteral("c"));
    processChanges();
    controller->setGroup(list);

    TDTaskMenu menu = TDSortMenuTemplate();
    select({a, c});
    controller->setupSortMenu(menu);
    controller->setupSortMenu(menu);
    EXPECT_EQ(menu.items.last().title, QStringLiteral("Selection is not contiguous"));
    EXPECT_EQ(std::count_if(menu.items.begin(), menu.items.end(),
                            [](const TDTaskMenuItem& item) { return item.tag == TDSortInformationTag; }),
              1);
    EXPECT_TRUE(menu.items.first().hidden);

    controller->sortBy(QStringLiteral("By Due"), false);
    controller->setupSortMenu(menu);
    EXPECT_EQ(menu.items.last().title, QStringLiteral("Not sorting by manual order"));
}

TEST_F(TaskMenusTest, SortByAndColumnsShowTheOrderAndTheShownColumns) {
    TDList* list = newList(QStringLiteral("Jobs"));
    processChanges();
    controller->setGroup(list);
    outline.hiddenColumns = {0, 5};

    TDTaskMenu columns = TDColumnsMenuTemplate();
    controller->setupColumnsMenu(columns);
    EXPECT_FALSE(columns.itemWithTag(0, QStringLiteral("toggleColumn"))->checked);
    EXPECT_TRUE(columns.itemWithTag(3, QStringLiteral("toggleColumn"))->checked);
    EXPECT_TRUE(columns.itemWithTag(TDSortByManualOrderTag, QStringLiteral("sortBy"))->checked);
    for (const TDTaskMenuItem& item : columns.items)
        if (item.action == QLatin1String("sortBy") && item.title == QLatin1String("List")) {
            EXPECT_TRUE(item.hidden);
        }

    controller->toggleColumn(5);
    EXPECT_FALSE(outline.hiddenColumns.contains(5));
    controller->sortBy(QStringLiteral("Priority"), false);
    TDTaskMenu sortBy = TDSortByMenuTemplate();
    controller->setupSortByMenu(sortBy);
    EXPECT_FALSE(sortBy.itemWithTag(TDSortByManualOrderTag)->checked);
    for (const TDTaskMenuItem& item : sortBy.items)
        if (item.title == QLatin1String("Priority")) {
            EXPECT_TRUE(item.checked);
        }
}

}  // namespace
}  // namespace taskviewstest
