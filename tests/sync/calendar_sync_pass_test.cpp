#include "model/calendar_store_sync_settings.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/operations/operation_queue.h"
#include "tests/sync/calendar_sync_fixture.h"

#include <QDir>
#include <QFile>

namespace synctest {
namespace {

QString linkOf(TDTask* task) {
    return task->primitiveValue(QStringLiteral("calendarStoreUID")).toString();
}

// Another program's change: read with a store of its own, one field set, saved.
void editAsOtherProgram(const QString& root, const QString& uid,
                        const std::function<void(platform::CalendarTask&)>& edit) {
    CalendarSyncTest::letTimePassForOthers();
    platform::CalendarStore other(root);
    std::optional<platform::CalendarTask> task = other.taskWithUid(uid);
    ASSERT_TRUE(task.has_value());
    edit(*task);
    ASSERT_TRUE(other.saveTask(*task).ok());
}

struct PassCase {
    const char* name;
    std::function<void(CalendarSyncTest&)> given;
    std::function<void(CalendarSyncTest&)> when;
    std::function<void(CalendarSyncTest&)> then;
};

class CalendarPassCaseTest : public CalendarSyncTest, public ::testing::WithParamInterface<PassCase> {};

// Each row: Given (a state reached through passes), When (what the user or another program does,
// then a pass), Then (library and calendar folder).
const PassCase kCases[] = {
    {"ANewTaskOfAMappedListGetsACalendarTask", nullptr,
     [](CalendarSyncTest& t) {
         t.addTask(t.home, QStringLiteral("Mop"));
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         const auto tasks = t.calendarTasksByTitle(t.chores.uid());
         ASSERT_TRUE(tasks.contains(QStringLiteral("Mop")));
         EXPECT_EQ(linkOf(t.tasksTitled(QStringLiteral("Mop")).value(0)), tasks[QStringLiteral("Mop")].uid());
     }},
    {"ALocalEditRewritesTheCalendarTask",
     [](CalendarSyncTest& t) {
         t.addTask(t.home, QStringLiteral("Sweep"));
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         t.tasksTitled(QStringLiteral("Sweep")).value(0)->setTitle(QStringLiteral("Sweep floor"));
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         const auto tasks = t.calendarTasksByTitle(t.chores.uid());
         EXPECT_EQ(tasks.keys(), QList<QString>{QStringLiteral("Sweep floor")});
     }},
    {"ACalendarEditOverwritesTheTask",
     [](CalendarSyncTest& t) {
         t.addTask(t.home, QStringLiteral("Dust"));
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         editAsOtherProgram(t.store->rootPath(), linkOf(t.tasksTitled(QStringLiteral("Dust")).value(0)),
                            [](platform::CalendarTask& c) { c.setTitle(QStringLiteral("Dust shelves")); });
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         EXPECT_TRUE(t.tasksTitled(QStringLiteral("Dust")).isEmpty());
         EXPECT_EQ(t.tasksTitled(QStringLiteral("Dust shelves")).size(), 1);
     }},
    {"AForeignCalendarTaskIsImportedIntoTheMappedList", nullptr,
     [](CalendarSyncTest& t) {
         t.writeForeignFile(t.chores.uid(), QStringLiteral("plants.ics"),
                            foreignTodo(QStringLiteral("X-PLANTS"), QStringLiteral("Water plants")));
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         const QList<TDTask*> found = t.tasksTitled(QStringLiteral("Water plants"));
         ASSERT_EQ(found.size(), 1);
         EXPECT_EQ(found[0]->list(), t.home);
         EXPECT_EQ(linkOf(found[0]), QStringLiteral("X-PLANTS"));
     }},
    {"ACanceledTaskLeavesTheCalendarAndIsUnlinked",
     [](CalendarSyncTest& t) {
         t.addTask(t.home, QStringLiteral("Call"));
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         t.tasksTitled(QStringLiteral("Call")).value(0)->setCanceled(true);
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         EXPECT_TRUE(t.calendarTasksByTitle(t.chores.uid()).isEmpty());
         EXPECT_TRUE(linkOf(t.tasksTitled(QStringLiteral("Call")).value(0)).isEmpty());
     }},
    {"TheMasterSwitchOffTakesSyncedTasksOutButStillImports",
     [](CalendarSyncTest& t) {
         t.addTask(t.home, QStringLiteral("Iron"));
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         t.library->calendarStoreSyncSettings().setSyncingEnabled(false);
         CalendarSyncTest::letTimePassForOthers();
         t.writeForeignFile(t.chores.uid(), QStringLiteral("late.ics"),
                            foreignTodo(QStringLiteral("X-LATE"), QStringLiteral("Late")));
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         EXPECT_EQ(t.calendarTasksByTitle(t.chores.uid()).keys(), QList<QString>{QStringLiteral("Late")});
         EXPECT_TRUE(linkOf(t.tasksTitled(QStringLiteral("Iron")).value(0)).isEmpty());
         EXPECT_EQ(t.tasksTitled(QStringLiteral("Late")).size(), 1);
     }},
    {"AVanishedCalendarTaskIsMadeAnew",
     [](CalendarSyncTest& t) {
         t.addTask(t.home, QStringLiteral("Fold"));
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         const QString uid = linkOf(t.tasksTitled(QStringLiteral("Fold")).value(0));
         ASSERT_TRUE(QFile::remove(t.calendarPath() + QLatin1Char('/') + uid + QStringLiteral(".ics")));
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         const auto tasks = t.calendarTasksByTitle(t.chores.uid());
         ASSERT_TRUE(tasks.contains(QStringLiteral("Fold")));
         EXPECT_EQ(linkOf(t.tasksTitled(QStringLiteral("Fold")).value(0)),
                   tasks[QStringLiteral("Fold")].uid());
     }},
    {"AnUnreadableFileKeepsAMissingCalendarTaskFromBeingDuplicated",
     [](CalendarSyncTest& t) {
         t.addTask(t.home, QStringLiteral("Cook"));
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         // Another program is halfway through rewriting the task's file under a new name.
         const QString uid = linkOf(t.tasksTitled(QStringLiteral("Cook")).value(0));
         QFile::remove(t.calendarPath() + QLatin1Char('/') + uid + QStringLiteral(".ics"));
         t.writeForeignFile(t.chores.uid(), QStringLiteral("cook-new.ics"),
                            "BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nUID:" + uid.toUtf8() + "\r\nSUMM");
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         EXPECT_FALSE(t.calendarTasksByTitle(t.chores.uid()).contains(QStringLiteral("Cook")));
         QDir dir(t.calendarPath());
         EXPECT_EQ(dir.entryList({QStringLiteral("*.ics")}, QDir::Files).size(), 1)
             << "only the half-written file";
     }},
    {"AForeignTaskLandingOutsideTheMappedGroupsStaysInTheCalendar",
     [](CalendarSyncTest& t) {
         TDList* work = t.library->createList(QStringLiteral("Work"), t.library->foldersGroup());
         t.library->calendarStoreSyncSettings().setSyncingEnabled(true, work->uid(), t.chores);
         t.writeForeignFile(t.chores.uid(), QStringLiteral("post.ics"),
                            foreignTodo(QStringLiteral("X-POST"), QStringLiteral("Post letter")));
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         CalendarSyncTest::letTimePassForOthers();
         t.runPass();
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         ASSERT_EQ(t.tasksTitled(QStringLiteral("Post letter")).size(), 1);
         EXPECT_EQ(t.tasksTitled(QStringLiteral("Post letter"))[0]->list(), t.library->inboxGroup());
         EXPECT_TRUE(t.calendarTasksByTitle(t.chores.uid()).contains(QStringLiteral("Post letter")));
     }},
    {"ATaskLeavingTheMappedGroupsTakesItsCalendarTaskAlong",
     [](CalendarSyncTest& t) {
         t.addTask(t.home, QStringLiteral("Wash"));
         t.runPass();
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         TDTask* task = t.tasksTitled(QStringLiteral("Wash")).value(0);
         ASSERT_TRUE(t.library->inboxGroup()->orderedTasks()->insertObject(task, 0).ok());
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         EXPECT_FALSE(t.calendarTasksByTitle(t.chores.uid()).contains(QStringLiteral("Wash")));
     }},
    {"AnArchivedGroupLosesItsCalendarAfterOneLastPass",
     [](CalendarSyncTest& t) {
         t.addTask(t.home, QStringLiteral("Old"));
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         (void)t.library->archiveGroup()->orderedSubgroups()->insertObject(t.home, 0);
         t.runPass();
     },
     [](CalendarSyncTest& t) {
         EXPECT_TRUE(t.calendarTasksByTitle(t.chores.uid()).isEmpty());
         EXPECT_FALSE(t.library->calendarStoreSyncSettings().calendarSyncingWithGroup(t.home).has_value());
     }},
};

TEST_P(CalendarPassCaseTest, GivenWhenThen) {
    const PassCase& c = GetParam();
    if (c.given) c.given(*this);
    c.when(*this);
    c.then(*this);
}

INSTANTIATE_TEST_SUITE_P(Cases, CalendarPassCaseTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<PassCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace synctest
