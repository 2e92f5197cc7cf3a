#include "model/calendar_store_sync_settings.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "model/task.h"
#include "model/task_notes_text.h"
#include "platform/defaults/host_defaults.h"
#include "platform/operations/operation_queue.h"
#include "tests/sync/calendar_sync_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace synctest {
namespace {

using Step = TDCalendarStoreSyncManager::PassStep;

QString linkOf(TDTask* task) {
    return task->primitiveValue(QStringLiteral("calendarStoreUID")).toString();
}

void editAsOtherProgramInPlace(CalendarSyncTest& test, const QString& uid, const QString& title) {
    CalendarSyncTest::letTimePassForOthers();
    platform::CalendarStore other(test.store->rootPath());
    std::optional<platform::CalendarTask> task = other.taskWithUid(uid);
    ASSERT_TRUE(task.has_value());
    task->setTitle(title);
    ASSERT_TRUE(other.saveTask(*task).ok());
}

TEST_F(CalendarSyncTest, SettingsOrderEditableCalendarsAndRefuseReadOnlyOnes) {
    const platform::Calendar zulu = *store->createCalendar(QStringLiteral("zulu"));
    const platform::Calendar alpha = *store->createCalendar(QStringLiteral("Alpha"));
    TDCalendarStoreSyncSettings settings = library->calendarStoreSyncSettings();
    const auto titles = [&](const QList<platform::Calendar>& calendars) {
        QStringList result;
        for (const platform::Calendar& c : calendars) result.append(c.title());
        return result.join(QLatin1Char(','));
    };
    // The user's order first (a calendar gone from the store is passed over), then by title.
    EXPECT_EQ(titles(settings.orderedCalendars()), QStringLiteral("Alpha,Chores,zulu"));
    settings.setOrderedCalendars({chores, platform::Calendar(QStringLiteral("gone"), {}, {}, true), alpha});
    EXPECT_EQ(titles(settings.orderedCalendars()), QStringLiteral("Chores,Alpha,zulu"));

    // A read-only calendar is never turned on, nor mapped.
    const platform::Calendar readOnly(QStringLiteral("shared"), QStringLiteral("Shared"), {}, false);
    settings.setSyncingEnabled(true, readOnly);
    EXPECT_FALSE(settings.isSyncingEnabledForCalendar(readOnly.uid()));
    settings.setSyncingEnabled(true, home->uid(), readOnly);
    EXPECT_FALSE(settings.isSyncingEnabledForCalendar(readOnly.uid()));
    EXPECT_TRUE(settings.groupsSyncingToCalendar(readOnly.uid(), library).isEmpty());
    EXPECT_TRUE(settings.groupsSyncingToCalendar(chores.uid(), library).isEmpty()) << "the mapping went";
    settings.setSyncingEnabled(true, home->uid(), chores);

    // The first group turns the calendar on, the last one leaving turns it off.
    TDList* work = library->createList(QStringLiteral("Work"), library->foldersGroup());
    settings.setSyncingEnabled(true, work->uid(), alpha);
    EXPECT_TRUE(settings.isSyncingEnabledForCalendar(alpha.uid()));
    EXPECT_EQ(settings.calendarSyncingWithGroup(work)->uid(), alpha.uid());
    settings.removeGroup(work);
    EXPECT_FALSE(settings.isSyncingEnabledForCalendar(alpha.uid()));
    EXPECT_FALSE(settings.calendarSyncingWithGroup(work).has_value());

    // A task in the trees of two calendars belongs to the first in the user's order.
    TDTask* task = addTask(home, QStringLiteral("Both"));
    TDTag* tag = library->createTagWithTitle(QStringLiteral("errand"));
    tag->addObjects(QStringLiteral("tasks"), {task});
    settings.setSyncingEnabled(true, tag->uid(), zulu);
    settings.setOrderedCalendars({zulu, chores});
    EXPECT_EQ(settings.calendarSyncingWithTask(task)->uid(), zulu.uid());
    settings.setOrderedCalendars({chores, zulu});
    EXPECT_EQ(settings.calendarSyncingWithTask(task)->uid(), chores.uid());
    EXPECT_TRUE(settings.isSyncingEnabledForTask(task));
    settings.setSyncingEnabled(false);
    EXPECT_FALSE(settings.isSyncingEnabledForTask(task)) << "the master switch counts";
}

TEST_F(CalendarSyncTest, OldSingleSyncDateIsSpreadOverTheEnabledCalendarsOnce) {
    const QDateTime old(QDate(2020, 1, 2), QTime(3, 4), Qt::UTC);
    host->setValue(QStringLiteral("calendarStoreLastSyncDate"), old);
    library->calendarStoreSyncSettings().upgradeDefaultsIfNecessary();
    EXPECT_EQ(TDCalendarStoreSyncSettings::calendarSyncDates(),
              (QHash<QString, QDateTime>{{chores.uid(), old}}));
    EXPECT_FALSE(host->hasStoredValue(QStringLiteral("calendarStoreLastSyncDate")));
}

TEST_F(CalendarSyncTest, ChangesByAnotherProgramDuringAndRightAfterAPassAreImportedNotUndone) {
    TDTask* edited = addTask(home, QStringLiteral("Edited"));
    TDTask* mine = addTask(home, QStringLiteral("Mine"));
    runPass();
    mine->setTitle(QStringLiteral("Mine changed"));
    syncManager->setPassObserver([&](Step step, const QString&) {
        if (step != Step::Fetched) return;
        // After the fetch, before the pass writes: another program adds one task and edits another.
        letTimePassForOthers();
        writeForeignFile(chores.uid(), QStringLiteral("during.ics"),
                         foreignTodo(QStringLiteral("X-DURING"), QStringLiteral("During")));
        platform::CalendarStore other(store->rootPath());
        std::optional<platform::CalendarTask> task = other.taskWithUid(linkOf(edited));
        task->setTitle(QStringLiteral("Edited elsewhere"));
        ASSERT_TRUE(other.saveTask(*task).ok());
    });
    runPass();
    syncManager->setPassObserver({});
    // Right after the pass.
    writeForeignFile(chores.uid(), QStringLiteral("after.ics"),
                     foreignTodo(QStringLiteral("X-AFTER"), QStringLiteral("After")));
    runPass();
    runPass();
    const auto tasks = calendarTasksByTitle(chores.uid());
    for (const char* title : {"During", "After", "Edited elsewhere", "Mine changed"}) {
        EXPECT_TRUE(tasks.contains(QLatin1String(title))) << title;
        EXPECT_EQ(tasksTitled(QLatin1String(title)).size(), 1) << title;
    }
}

TEST_F(CalendarSyncTest, ATaskChangedAfterGatheringIsNotOverwrittenByTheCalendar) {
    TDTask* task = addTask(home, QStringLiteral("Plan"));
    runPass();
    platform::CalendarStore other(store->rootPath());
    letTimePassForOthers();
    std::optional<platform::CalendarTask> calTask = other.taskWithUid(linkOf(task));
    calTask->setNotes(QStringLiteral("from the calendar"));
    ASSERT_TRUE(other.saveTask(*calTask).ok());
    syncManager->setPassObserver([&](Step step, const QString&) {
        if (step == Step::Fetched) task->setTitle(QStringLiteral("Plan typed meanwhile"));
    });
    runPass();
    syncManager->setPassObserver({});
    EXPECT_EQ(task->title(), QStringLiteral("Plan typed meanwhile"));
    EXPECT_EQ(TDTaskNotesString(task), QStringLiteral("from the calendar"));
    runPass();
    runPass();
    EXPECT_EQ(task->title(), QStringLiteral("Plan typed meanwhile"));
    const auto tasks = calendarTasksByTitle(chores.uid());
    ASSERT_TRUE(tasks.contains(QStringLiteral("Plan typed meanwhile")));
    EXPECT_EQ(tasks[QStringLiteral("Plan typed meanwhile")].notes(), QStringLiteral("from the calendar"));
}

TEST_F(CalendarSyncTest, AChangeDuringAPassQueuesOneMorePass) {
    TDTask* task = addTask(home, QStringLiteral("First"));
    runPass();
    int starts = 0;
    syncManager->setPassObserver([&](Step step, const QString&) {
        if (step != Step::Gathered || starts++ > 0) return;
        task->setTitle(QStringLiteral("Second"));
        // The timer of that change fires while the pass still runs.
        syncManager->startSync();
        syncManager->startSync();
        EXPECT_EQ(syncManager->syncQueue()->operationCount(), 2) << "one running, one waiting";
    });
    runPass();
    EXPECT_EQ(starts, 2);
    EXPECT_TRUE(calendarTasksByTitle(chores.uid()).contains(QStringLiteral("Second")));
}

TEST_F(CalendarSyncTest, ALibrarySwitchInMidPassEndsThePassAndWritesNothingToTheNewLibrary) {
    addTask(home, QStringLiteral("Before"));
    TDLibrary* second = nullptr;
    syncManager->setPassObserver([&](Step step, const QString&) {
        if (step != Step::Gathered || second) return;
        ASSERT_TRUE(manager->close().ok());
        manager->setLibraryPath(QDir(tempPath()).filePath(QStringLiteral("Second.odllibrary")));
        second = *manager->createLibrary();
    });
    runPass();
    ASSERT_NE(second, nullptr);
    for (TDTask* task : second->allTasks()) EXPECT_TRUE(linkOf(task).isEmpty());
    EXPECT_TRUE(calendarTasksByTitle(chores.uid()).isEmpty());
    EXPECT_TRUE(TDCalendarStoreSyncSettings::calendarSyncDates().isEmpty());
}

TEST_F(CalendarSyncTest, OtherToolsShapesAreReadAndAOneFieldChangeKeepsEveryOtherLine) {
    const QByteArray extra =
        "DUE;VALUE=DATE:20261215\nDTSTART;TZID=Europe/Berlin:20261210T090000\n"
        "DESCRIPTION:A long description that goes on and on so that the writer had to fold i\n t over two "
        "lines\n"
        "X-OTHER-TOOL-FLAG:kept\nRRULE:FREQ=WEEKLY;BYDAY=MO\nPRIORITY:5\n"
        "BEGIN:VALARM\nACTION:DISPLAY\nDESCRIPTION:Reminder\nTRIGGER:-PT15M\nEND:VALARM";
    for (const QByteArray& lineEnd : {QByteArray("\r\n"), QByteArray("\n")}) {
        SCOPED_TRACE(lineEnd == "\n" ? "LF" : "CRLF");
        const QString uid = lineEnd == "\n" ? QStringLiteral("X-LF") : QStringLiteral("X-CRLF");
        const QString path =
            writeForeignFile(chores.uid(), uid + QStringLiteral(".ics"),
                             foreignTodo(uid, QStringLiteral("Shaped ") + uid, extra, lineEnd));
        runPass();
        const QList<TDTask*> found = tasksTitled(QStringLiteral("Shaped ") + uid);
        ASSERT_EQ(found.size(), 1);
        EXPECT_EQ(found[0]->priority(), 5);
        EXPECT_EQ(found[0]->dueDate(), QDate(2026, 12, 15).startOfDay());
        EXPECT_TRUE(TDTaskNotesString(found[0]).contains(QStringLiteral("fold it over")));

        const auto unfoldedLines = [&] {
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            QByteArray text = file.readAll();
            text.replace("\r\n", "\n").replace("\n ", "");
            QByteArrayList lines = text.split('\n');
            lines.removeIf([](const QByteArray& l) {
                return l.startsWith("DTSTAMP") || l.startsWith("LAST-MODIFIED") || l.startsWith("SUMMARY") ||
                       l.isEmpty();
            });
            return lines;
        };
        const QByteArrayList before = unfoldedLines();
        found[0]->setTitle(QStringLiteral("Renamed ") + uid);
        runPass();
        EXPECT_EQ(unfoldedLines(), before);
        EXPECT_TRUE(calendarTasksByTitle(chores.uid()).contains(QStringLiteral("Renamed ") + uid));
    }
}

TEST_F(CalendarSyncTest, APassOverUnchangedTasksWritesNothing) {
    for (int index = 0; index < 5; ++index) {
        TDTask* task = addTask(home, QStringLiteral("Task %1").arg(index));
        task->setPriority(index);
        task->setDueDate(QDateTime(QDate(2026, 12, 20), QTime(index, 30)));
    }
    writeForeignFile(
        chores.uid(), QStringLiteral("shaped.ics"),
        foreignTodo(QStringLiteral("X-SHAPED"), QStringLiteral("Shaped"),
                    "DUE;TZID=America/New_York:20261220T083000\nDESCRIPTION:line one\\nline two"));
    runPass();
    runPass();
    const QHash<QString, qint64> before = modificationTimes(chores.uid());
    ASSERT_EQ(before.size(), 6);
    letTimePassForOthers();
    runPass();
    runPass();
    EXPECT_EQ(modificationTimes(chores.uid()), before);
}

TEST_F(CalendarSyncTest, ExternalChangesWhileNoPassRunsAreAppliedAtOnce) {
    const platform::Calendar errands = *store->createCalendar(QStringLiteral("Errands"));
    TDTask* edited = addTask(home, QStringLiteral("Edit me"));
    TDTask* deleted = addTask(home, QStringLiteral("Delete me"));
    TDTask* moved = addTask(home, QStringLiteral("Move me"));
    runPass();
    store->checkForExternalChanges();

    writeForeignFile(chores.uid(), QStringLiteral("added.ics"),
                     foreignTodo(QStringLiteral("X-ADDED"), QStringLiteral("Added outside")));
    editAsOtherProgramInPlace(*this, linkOf(edited), QStringLiteral("Edited outside"));
    ASSERT_TRUE(QFile::remove(calendarPath() + QLatin1Char('/') + linkOf(deleted) + QStringLiteral(".ics")));
    const QString movedName = linkOf(moved) + QStringLiteral(".ics");
    ASSERT_TRUE(QFile::rename(calendarPath() + QLatin1Char('/') + movedName,
                              calendarFolder(errands.uid()) + QLatin1Char('/') + movedName));
    store->checkForExternalChanges();

    EXPECT_EQ(tasksTitled(QStringLiteral("Added outside")).size(), 1);
    EXPECT_EQ(edited->title(), QStringLiteral("Edited outside"));
    EXPECT_TRUE(deleted->isCanceled());
    EXPECT_TRUE(linkOf(deleted).isEmpty());
    EXPECT_FALSE(moved->isCanceled());
    EXPECT_FALSE(linkOf(moved).isEmpty());
}

TEST_F(CalendarSyncTest, AnItemNamedTwiceInOneBatchOfOutsideChangesMakesOneTask) {
    runPass();
    writeForeignFile(chores.uid(), QStringLiteral("twice.ics"),
                     foreignTodo(QStringLiteral("X-TWICE"), QStringLiteral("Named twice")));
    syncManager->tasksChangedExternally({QStringLiteral("X-TWICE")}, {QStringLiteral("X-TWICE")}, {});

    ASSERT_EQ(tasksTitled(QStringLiteral("Named twice")).size(), 1);
    syncManager->tasksChangedExternally({}, {}, {QStringLiteral("X-TWICE"), QStringLiteral("X-TWICE")});
    EXPECT_TRUE(tasksTitled(QStringLiteral("Named twice")).constFirst()->isCanceled());
}

}  // namespace
}  // namespace synctest
