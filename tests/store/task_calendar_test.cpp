#include "model/calendar_store_sync_settings.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "model/task.h"
#include "model/task_notes_text.h"
#include "platform/calendarstore/calendar_store.h"
#include "platform/defaults/user_defaults.h"
#include "tests/store/library_manager_fixture.h"

#include <QDir>
#include <QTextDocument>

namespace {

// A library whose options map groups to calendars of a calendar store in a temporary folder.
class TaskCalendarTest : public storetest::LibraryManagerTest {
protected:
    void SetUp() override {
        LibraryManagerTest::SetUp();
        library = createLibrary();
        ASSERT_NE(library, nullptr);
        store =
            std::make_unique<platform::CalendarStore>(QDir(tempPath()).filePath(QStringLiteral("Calendars")));
        platform::CalendarStore::setDefaultStore(store.get());
        home = library->createList(QStringLiteral("Home"), library->foldersGroup());
    }

    void TearDown() override {
        platform::CalendarStore::setDefaultStore(nullptr);
        store.reset();
        LibraryManagerTest::TearDown();
    }

    void mapGroups(const QVariantMap& mapping) {
        manager->setOption(mapping, QStringLiteral("groupToCalendarStoreCalendarMapping"));
    }

    static platform::CalendarTask calTask(const QString& title,
                                          const QString& calendarUid = QStringLiteral("cal")) {
        platform::CalendarTask task;
        task.setTitle(title);
        task.setCalendarUid(calendarUid);
        return task;
    }

    TDTask* taskInHome(const QString& title) {
        TDTask* task = library->createOrphanTask();
        task->setTitle(title);
        EXPECT_TRUE(home->orderedTasks()->insertObject(task, 0).ok());
        return task;
    }

    TDLibrary* library = nullptr;
    TDList* home = nullptr;
    std::unique_ptr<platform::CalendarStore> store;
};

TEST_F(TaskCalendarTest, TheListPrefixIsTakenOffAsPlainText) {
    struct Case {
        QString listTitle;
        QString calendarTitle;
        bool prefixOn;
        QString title;
    };
    const QList<Case> cases = {
        {QStringLiteral("Home"), QStringLiteral("Home: Buy milk"), true, QStringLiteral("Buy milk")},
        {QStringLiteral("Home"), QStringLiteral("Home:Buy milk"), true, QStringLiteral("Buy milk")},
        {QStringLiteral("Home"), QStringLiteral("Buy milk"), true, QStringLiteral("Buy milk")},
        {QStringLiteral("Home"), QStringLiteral("Homework: Essay"), true, QStringLiteral("Homework: Essay")},
        {QStringLiteral("Home"), QStringLiteral("Home: Buy milk"), false, QStringLiteral("Home: Buy milk")},
        {QStringLiteral("C++ (work) [x]*"), QStringLiteral("C++ (work) [x]*: Fix build"), true,
         QStringLiteral("Fix build")},
        {QStringLiteral("a.b"), QStringLiteral("aXb: Title"), true, QStringLiteral("aXb: Title")},
        {QStringLiteral("(unclosed"), QStringLiteral("(unclosed: Works"), true, QStringLiteral("Works")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.calendarTitle.toStdString() + " in " + c.listTitle.toStdString());
        defaults().setValue(QStringLiteral("remindersSyncAddListPrefixToTaskTitle"), c.prefixOn);
        home->setTitle(c.listTitle);
        TDTask* task = taskInHome(QStringLiteral("old"));
        task->updateFromCalTask(calTask(c.calendarTitle));
        EXPECT_EQ(task->title(), c.title);
        EXPECT_EQ(task->titleForCalTask(),
                  c.prefixOn ? c.listTitle + QStringLiteral(": ") + c.title : c.title);
    }
}

TEST_F(TaskCalendarTest, UpdateTakesOverTheFieldsAndKeepsTheCompletionInstant) {
    TDTask* task = taskInHome(QStringLiteral("Old"));
    platform::CalendarTask source = calTask(QStringLiteral("New"));
    const QDateTime completed = clock->currentDateTime().addDays(-3).addSecs(17);
    const QDateTime due(QDate(2026, 12, 24), QTime(9, 0));
    source.setCompletedDate(completed);
    source.setDueDate(due);
    source.setPriority(5);
    source.setNotes(QStringLiteral("Two litres"));

    task->updateFromCalTask(source);
    EXPECT_EQ(task->title(), QStringLiteral("New"));
    EXPECT_TRUE(task->isCompleted());
    EXPECT_EQ(task->completedDate(), completed);
    EXPECT_EQ(task->dueDate(), due);
    EXPECT_EQ(task->priority(), 5);
    EXPECT_EQ(TDTaskNotesString(task), QStringLiteral("Two litres"));
    ASSERT_TRUE(manager->saveLibrary());

    // The store keeps whole seconds: the same task again, read back a fraction off, changes nothing.
    const QDateTime modified = task->primitiveValue(QStringLiteral("modifiedDate")).toDateTime();
    clock->advanceSeconds(60);
    platform::CalendarTask same = source;
    same.setCompletedDate(completed.addMSecs(400));
    task->updateFromCalTask(same);
    EXPECT_FALSE(task->hasChanges());
    EXPECT_EQ(task->primitiveValue(QStringLiteral("modifiedDate")).toDateTime(), modified);

    platform::CalendarTask reopened = source;
    reopened.setCompletedDate({});
    reopened.setNotes({});
    task->updateFromCalTask(reopened);
    EXPECT_TRUE(task->isIncomplete());
    EXPECT_TRUE(TDTaskNotesString(task).isEmpty());
}

TEST_F(TaskCalendarTest, OnlyOpenLeafTasksAreMirrored) {
    EXPECT_EQ(TDTask::calTaskPriorityFromPriority(5), 5);
    EXPECT_EQ(TDTask::priorityFromCalTaskPriority(5), 5);
    TDTask* open = taskInHome(QStringLiteral("Open"));
    EXPECT_TRUE(open->shouldSyncToCalendarStore());
    TDTask* canceled = taskInHome(QStringLiteral("Canceled"));
    canceled->setCanceled(true);
    EXPECT_FALSE(canceled->shouldSyncToCalendarStore());
    TDTask* archived = taskInHome(QStringLiteral("Archived"));
    archived->setArchived(true);
    EXPECT_FALSE(archived->shouldSyncToCalendarStore());
    TDTask* parent = taskInHome(QStringLiteral("Parent"));
    parent->addSubtasks({library->createOrphanTask()});
    EXPECT_FALSE(parent->shouldSyncToCalendarStore());

    open->setPriority(2);
    const QVariantMap form = open->propertyListRepresentationForCalendarStoreSyncing();
    EXPECT_EQ(form.value(QStringLiteral("titleForCalTask")).toString(), QStringLiteral("Open"));
    EXPECT_EQ(form.value(QStringLiteral("priority")).toInt(), 2);
    EXPECT_FALSE(form.contains(QStringLiteral("notes")));
    QTextDocument notes(QStringLiteral("Plain"));
    TDSetTaskNotes(open, &notes);
    EXPECT_EQ(
        open->propertyListRepresentationForCalendarStoreSyncing().value(QStringLiteral("notes")).toString(),
        QStringLiteral("Plain"));
}

TEST_F(TaskCalendarTest, SettingsAnswerTheGroupsMappedToACalendar) {
    TDTag* tag = library->createTagWithTitle(QStringLiteral("errand"));
    mapGroups({{home->uid(), QStringLiteral("cal")},
               {tag->uid(), QStringLiteral("cal")},
               {QStringLiteral("FFFFFFFFFFFFFFFF"), QStringLiteral("cal")},
               {library->inboxGroup()->uid(), QStringLiteral("other")}});
    const TDCalendarStoreSyncSettings settings = library->calendarStoreSyncSettings();
    const QList<TDGroup*> groups = settings.groupsSyncingToCalendar(QStringLiteral("cal"), library);
    EXPECT_EQ(groups.size(), 2);
    EXPECT_TRUE(groups.contains(home));
    EXPECT_TRUE(groups.contains(tag));
    EXPECT_TRUE(settings.groupsSyncingToCalendar(QStringLiteral("none"), library).isEmpty());

    const Result<platform::Calendar> calendar = store->createCalendar(QStringLiteral("Chores"));
    ASSERT_TRUE(calendar.ok());
    mapGroups({{home->uid(), calendar->uid()}});
    TDTask* task = taskInHome(QStringLiteral("Mirrored"));
    EXPECT_FALSE(settings.isSyncingEnabledForTask(task));
    manager->setOption(true, QStringLiteral("calendarStoreSyncEnabled"));
    EXPECT_FALSE(settings.isSyncingEnabledForTask(task));
    manager->setOption(QStringList{calendar->uid()}, QStringLiteral("syncEnabledCalendarUIDs"));
    EXPECT_TRUE(settings.isSyncingEnabledForTask(task));
    EXPECT_FALSE(settings.isSyncingEnabledForTask(library->createTask()));
    // The master switch still counts, though the calendar stays on.
    manager->setOption(false, QStringLiteral("calendarStoreSyncEnabled"));
    EXPECT_FALSE(settings.isSyncingEnabledForTask(task));
}

TEST_F(TaskCalendarTest, CalendarTasksArePlacedInTheirSynchronisedGroup) {
    EXPECT_EQ(library->createTaskFromCalTask(calTask(QStringLiteral("Unmapped"))), nullptr);

    TDList* work = library->createList(QStringLiteral("Work"), library->foldersGroup());
    mapGroups({{home->uid(), QStringLiteral("cal")}, {work->uid(), QStringLiteral("cal")}});
    TDTask* prefixed = library->createTaskFromCalTask(calTask(QStringLiteral("Home: Buy milk : 2 l")));
    ASSERT_NE(prefixed, nullptr);
    EXPECT_EQ(prefixed->title(), QStringLiteral("Buy milk : 2 l"));
    EXPECT_EQ(home->orderedTasks()->objectsAs<TDTask>().first(), prefixed);

    // Two groups and no matching prefix (letter case counts): the Inbox.
    TDTask* caseDiffers = library->createTaskFromCalTask(calTask(QStringLiteral("home: Sweep")));
    EXPECT_EQ(caseDiffers->title(), QStringLiteral("home: Sweep"));
    EXPECT_EQ(library->inboxGroup()->orderedTasks()->objectsAs<TDTask>().first(), caseDiffers);

    mapGroups({{home->uid(), QStringLiteral("cal")}});
    TDTask* single = library->createTaskFromCalTask(calTask(QStringLiteral("home: Dust")));
    EXPECT_EQ(home->orderedTasks()->objectsAs<TDTask>().first(), single);

    TDTag* tag = library->createTagWithTitle(QStringLiteral("errand"));
    mapGroups(
        {{tag->uid(), QStringLiteral("tags")}, {library->todayGroup()->uid(), QStringLiteral("today")}});
    TDTask* tagged = library->createTaskFromCalTask(calTask(QStringLiteral("Post"), QStringLiteral("tags")));
    EXPECT_TRUE(tagged->tags().contains(tag));
    EXPECT_EQ(library->inboxGroup()->orderedTasks()->objectsAs<TDTask>().first(), tagged);
    TDTask* today = library->createTaskFromCalTask(calTask(QStringLiteral("Now"), QStringLiteral("today")));
    EXPECT_EQ(today->startDate(), QDateTime(clock->currentDateTime().date(), QTime(0, 0)));
    EXPECT_TRUE(manager->saveLibrary());
}

TEST_F(TaskCalendarTest, DeletingAMirroredTaskRemovesItsCalendarTask) {
    const Result<platform::Calendar> calendar = store->createCalendar(QStringLiteral("Chores"));
    ASSERT_TRUE(calendar.ok());
    auto mirror = [&](const QString& title) {
        platform::CalendarTask calTask;
        calTask.setCalendarUid(calendar->uid());
        calTask.setTitle(title);
        EXPECT_TRUE(store->saveTask(calTask).ok());
        TDTask* task = taskInHome(title);
        task->updateFromCalTask(calTask);
        return std::make_pair(task, calTask.uid());
    };
    mapGroups({{home->uid(), calendar->uid()}});
    manager->setOption(QStringList{calendar->uid()}, QStringLiteral("syncEnabledCalendarUIDs"));

    // Syncing off: the calendar task stays.
    auto [kept, keptUid] = mirror(QStringLiteral("Kept"));
    kept->deleteObject();
    EXPECT_TRUE(store->taskWithUid(keptUid).has_value());

    manager->setOption(true, QStringLiteral("calendarStoreSyncEnabled"));
    auto [removed, removedUid] = mirror(QStringLiteral("Removed"));
    EXPECT_EQ(removed->primitiveValue(QStringLiteral("calendarStoreUID")).toString(), removedUid);
    removed->deleteObject();
    EXPECT_FALSE(store->taskWithUid(removedUid).has_value());
    EXPECT_TRUE(store->taskWithUid(keptUid).has_value());
    EXPECT_TRUE(manager->saveLibrary());
}

}  // namespace
