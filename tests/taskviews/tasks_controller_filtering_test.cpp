#include "tests/taskviews/tasks_controller_fixture.h"

#include "model/list.h"
#include "model/ordered_collection.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "store/library_operation.h"

namespace taskviewstest {
namespace {

using FilteringTest = TasksControllerTest;

TEST_F(FilteringTest, OldCompletedTasksAreHiddenBeforeTheCutOff) {
    // Given completed tasks finished today, two days ago and a week ago ("completedDaysToShow" is 3)
    TDList* list = newList(QStringLiteral("Done"));
    TDTask* today = addTask(list, QStringLiteral("today"));
    today->setCompleted(true);
    clock->setNow(QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
    addTask(list, QStringLiteral("two days ago"))->setCompleted(true);
    clock->setNow(QDateTime(QDate(2026, 12, 2), QTime(9, 0)));
    addTask(list, QStringLiteral("a week ago"))->setCompleted(true);
    clock->setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    addTask(list, QStringLiteral("open"));
    processChanges();

    // When the list is shown: hiding is on by default
    controller->setGroup(list);
    EXPECT_TRUE(controller->hideOldCompletedTasks());
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Done"), QStringLiteral("task today"),
                                   QStringLiteral("task two days ago"), QStringLiteral("task open")}));

    // When hiding is switched off, everything shows
    controller->setHideOldCompletedTasks(false);
    EXPECT_EQ(rows().size(), 5);

    // When a later cut-off is set (hide what is completed now), only the open task stays
    controller->setHideOldCompletedTasksCutoffDate(clock->now());
    controller->setHideOldCompletedTasks(true);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Done"), QStringLiteral("task open")}));
}

TEST_F(FilteringTest, TagAndTitleFiltersCountWithAndWithout) {
    // Given a list with tagged and untagged tasks, one a parent whose subtask carries the tag
    TDList* list = newList(QStringLiteral("Calls"));
    TDTag* phone = tag(QStringLiteral("phone"));
    TDTag* urgent = tag(QStringLiteral("urgent"));
    addTask(list, QStringLiteral("ring Anna"))->addTags({phone});
    addTask(list, QStringLiteral("ring Bob"))->addTags({phone, urgent});
    TDTask* parent = addTask(list, QStringLiteral("plan party"));
    addSubtask(parent, QStringLiteral("ring caterer"))->addTags({phone});
    addSubtask(parent, QStringLiteral("buy balloons"));
    addTask(list, QStringLiteral("water plants"));
    processChanges();
    controller->setGroup(list);
    EXPECT_EQ(controller->statusBarSummary(), QStringLiteral("5 actions"));
    EXPECT_EQ(controller->filterTagInfo().value(phone->uid()).toMap().value(QStringLiteral("count")).toInt(),
              3);

    // When filtering by the tag: the parent stays for its subtask
    controller->setFilterTags({phone});
    EXPECT_TRUE(window.filterIndicator);
    EXPECT_EQ(rows(),
              (QStringList{QStringLiteral("header Calls"), QStringLiteral("task ring Anna /phone"),
                           QStringLiteral("task ring Bob /phone /urgent"), QStringLiteral("task plan party"),
                           QStringLiteral("  task ring caterer /phone")}));
    EXPECT_EQ(controller->numberOfActions(), 5);
    EXPECT_EQ(controller->numberOfVisibleActions(), 3);
    EXPECT_EQ(controller->statusBarSummary(), QStringLiteral("3 of 5 actions"));

    // When a title filter narrows further
    controller->setTitleFilterString(QStringLiteral("BOB"));
    EXPECT_TRUE(outline.calls.contains(QStringLiteral("expandAll")));
    EXPECT_EQ(rows(),
              (QStringList{QStringLiteral("header Calls"), QStringLiteral("task ring Bob /phone /urgent")}));
    EXPECT_EQ(controller->statusBarSummary(), QStringLiteral("1 of 5 actions"));
    // The tag information covers what the title filter leaves, whatever the tags
    EXPECT_EQ(controller->filterTagInfo().value(phone->uid()).toMap().value(QStringLiteral("count")).toInt(),
              1);

    // When the filters end, everything is back
    controller->setTitleFilterString(QString());
    controller->setFilterTags({});
    EXPECT_FALSE(window.filterIndicator);
    EXPECT_EQ(controller->statusBarSummary(), QStringLiteral("5 actions"));
    EXPECT_EQ(rows().size(), 7);
}

TEST_F(FilteringTest, AFilterTagNoShownTaskCarriesIsDropped) {
    TDList* list = newList(QStringLiteral("Calls"));
    TDTag* phone = tag(QStringLiteral("phone"));
    TDTask* call = addTask(list, QStringLiteral("ring Anna"));
    call->addTags({phone});
    addTask(list, QStringLiteral("walk"));
    processChanges();
    controller->setGroup(list);
    controller->setFilterTags({phone});
    ASSERT_EQ(controller->numberOfVisibleActions(), 1);

    // When the last task with the tag loses it
    call->removeTags({phone});
    processChanges();

    // Then the tag stops filtering and the list shows everything again
    EXPECT_TRUE(controller->filterTags().isEmpty());
    EXPECT_FALSE(controller->isFilteringByTags());
    EXPECT_FALSE(window.filterIndicator);
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Calls"), QStringLiteral("task ring Anna"),
                                   QStringLiteral("task walk")}));
}

TEST_F(FilteringTest, ViewOptionsAreSavedPerGroupAndRestoredWhenShownAgain) {
    // Given a list sorted by priority, with hiding off and an outline state
    TDList* list = newList(QStringLiteral("Kept"));
    addTask(list, QStringLiteral("one"));
    processChanges();
    controller->setGroup(list);
    controller->sortBy(QStringLiteral("Priority"), true);
    controller->setHideOldCompletedTasks(false);
    outline.expanded = QStringLiteral("expanded rows");
    outline.selectionStateValue = QStringLiteral("row 1");

    // When another group is shown and then the list again
    controller->setGroup(library()->inboxGroup());
    const QVariantMap saved =
        manager->optionForKey(QStringLiteral("groupViewOptions")).toMap().value(list->uid()).toMap();
    EXPECT_EQ(saved.value(QStringLiteral("sortingAttribute")).toString(), QStringLiteral("priority"));
    EXPECT_EQ(saved.value(QStringLiteral("groupingAttribute")).toString(), QStringLiteral("priority"));
    EXPECT_TRUE(saved.value(QStringLiteral("reverseSort")).toBool());
    EXPECT_FALSE(saved.value(QStringLiteral("hideOldCompletedTasks")).toBool());
    EXPECT_EQ(saved.value(QStringLiteral("title")).toString(), QStringLiteral("Kept"));
    EXPECT_EQ(saved.value(QStringLiteral("displayMode")).toInt(), 0);
    outline.expanded = QVariant();
    outline.selectionStateValue = QVariant();
    controller->setGroup(list);

    // Then the list is as the user left it
    EXPECT_EQ(controller->sortingAttribute(), QStringLiteral("priority"));
    EXPECT_EQ(controller->groupingAttribute(), QStringLiteral("priority"));
    EXPECT_TRUE(controller->reverseSort());
    EXPECT_FALSE(controller->hideOldCompletedTasks());
    EXPECT_EQ(outline.expanded.toString(), QStringLiteral("expanded rows"));
    EXPECT_EQ(outline.selectionStateValue.toString(), QStringLiteral("row 1"));

    // And the Inbox, never saved, opened with its defaults
    controller->setGroup(library()->inboxGroup());
    EXPECT_TRUE(controller->hideOldCompletedTasks());
    EXPECT_EQ(controller->sortingAttribute(), QString());
}

TEST_F(FilteringTest, AControllerThatSavesNoOptionsWritesNothing) {
    TDList* list = newList(QStringLiteral("Quick"));
    controller->setSavesOptions(false);
    controller->setGroup(list);
    controller->sortBy(QStringLiteral("Priority"), false);
    controller->setGroup(library()->inboxGroup());
    controller->setGroup(nullptr);
    EXPECT_FALSE(manager->optionForKey(QStringLiteral("groupViewOptions")).isValid());
}

// Stands in for the fetch of completed tasks: records which list asked.
class RecordedFetch final : public TDLibraryOperation {
public:
    void main() override {}
};

TEST_F(FilteringTest, ShowingTheCompletedTasksOfAListFetchesThoseTheServerKeptApart) {
    QList<platform::ObjectID> fetched;
    TDLibraryManager::setTaskGetOperationMaker(
        [&fetched](TDLibraryManager*, TDLibrary*, const platform::ObjectID& container) {
            fetched.append(container);
            return std::make_shared<RecordedFetch>();
        });
    manager->setOption(QVariant(true), QStringLiteral("corvaneSyncEnabled"));
    struct Case {
        const char* what;
        QVariantMap localInfo;
        bool fetches;
    };
    const Case cases[] = {
        {"nothing fetched yet", {{QStringLiteral("downloadTasks"), true}}, true},
        {"more to fetch", {{QStringLiteral("lastFetchedTaskUID"), QStringLiteral("0000000000000A01")}}, true},
        {"all fetched", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fetched.clear();
        TDList* list = newList(QString::fromLatin1(c.what));
        list->setLocalInfoDictionary(c.localInfo);
        processChanges();
        controller->setGroup(list);
        controller->setHideOldCompletedTasks(true);
        EXPECT_TRUE(fetched.isEmpty()) << "hiding fetches nothing";
        controller->setHideOldCompletedTasks(false);
        EXPECT_EQ(fetched,
                  c.fetches ? QList<platform::ObjectID>{list->objectID()} : QList<platform::ObjectID>{});
    }
    manager->finishPendingOperations();
    TDLibraryManager::setTaskGetOperationMaker({});
}

TEST_F(FilteringTest, AGroupInTheArchiveAlwaysShowsItsCompletedTasks) {
    // Given a list in the archive whose saved options say to hide old completed tasks
    TDList* archived = newList(QStringLiteral("Old project"), library()->archiveGroup());
    clock->setNow(QDateTime(QDate(2025, 1, 1), QTime(9, 0)));
    addTask(archived, QStringLiteral("long done"))->setCompleted(true);
    clock->setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    processChanges();
    manager->setOption(
        QVariantMap{{archived->uid(), QVariantMap{{QStringLiteral("hideOldCompletedTasks"), true}}}},
        QStringLiteral("groupViewOptions"));

    controller->setGroup(archived);

    EXPECT_FALSE(controller->hideOldCompletedTasks());
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("header Old project"), QStringLiteral("task long done")}));
}

TEST_F(FilteringTest, ATabKeepsItsOwnOptionsWithItsFilters) {
    TDList* list = newList(QStringLiteral("Tabbed"));
    TDTag* phone = tag(QStringLiteral("phone"));
    addTask(list, QStringLiteral("ring Anna"))->addTags({phone});
    addTask(list, QStringLiteral("walk"));
    processChanges();
    controller->setGroup(list);
    controller->setFilterTags({phone});
    controller->setTitleFilterString(QStringLiteral("anna"));
    const QVariantMap tab = controller->tabViewOptions();
    EXPECT_EQ(tab.value(QStringLiteral("titleFilterString")).toString(), QStringLiteral("anna"));
    EXPECT_EQ(tab.value(QStringLiteral("filterTagUIDs")).toStringList(), QStringList{phone->uid()});

    // When the tab's options come back, unknown tag uids are skipped
    QVariantMap restored = tab;
    restored.insert(QStringLiteral("filterTagUIDs"),
                    QStringList{phone->uid(), QStringLiteral("0000000000000000")});
    window.tabGroupUID = list->uid();
    window.tabViewOptions = restored;
    controller->setGroup(library()->inboxGroup());
    controller->setGroup(list);
    EXPECT_EQ(controller->filterTags(), QSet<TDTag*>{phone});
    EXPECT_EQ(controller->titleFilterString(), QStringLiteral("anna"));
    EXPECT_EQ(rows(),
              (QStringList{QStringLiteral("header Tabbed"), QStringLiteral("task ring Anna /phone")}));
}

}  // namespace
}  // namespace taskviewstest
