#include "model/calendar_store_sync_settings.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/calendarstore/calendar_store.h"
#include "platform/defaults/host_defaults.h"
#include "platform/defaults/user_defaults.h"
#include "sync/calendar_store_sync_manager.h"
#include "tests/sync/merge_fixture.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <sys/stat.h>

namespace synctest {
namespace {

QHash<QString, qint64> modificationTimes(const QString& folder) {
    QHash<QString, qint64> times;
    QDirIterator it(folder, {QStringLiteral("*.ics")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info;
        if (::stat(QFile::encodeName(path).constData(), &info) == 0)
            times.insert(path, qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec);
    }
    return times;
}

TEST_F(MergeTest, ADownloadChangingALinkedTaskKeepsTheLinkAndRewritesOnlyThatCalendarTask) {
    SyncSide& a = addSide(QStringLiteral("A"));
    SyncSide& b = addSide(QStringLiteral("B"));
    platform::UserDefaults host(QDir(tempPath()).filePath(QStringLiteral("host.conf")));
    platform::setHostUserDefaults(&host);
    platform::CalendarStore store(QDir(tempPath()).filePath(QStringLiteral("Calendars")));
    platform::CalendarStore::setDefaultStore(&store);

    TDList* home = a.library->createList(QStringLiteral("Home"), a.library->foldersGroup());
    QStringList uids;
    for (const char* title : {"One", "Two", "Three"}) {
        TDTask* task = a.library->createOrphanTask();
        task->setTitle(QString::fromLatin1(title));
        ASSERT_TRUE(home->orderedTasks()->insertObject(task, 0).ok());
        uids.append(task->uid());
    }
    TDCalendarStoreSyncSettings settings = a.library->calendarStoreSyncSettings();
    settings.setSyncingEnabled(true, home->uid(), *store.createCalendar(QStringLiteral("Chores")));
    settings.setSyncingEnabled(true);
    {
        TDCalendarStoreSyncManager calendarSync(a.manager.get());
        const auto pass = [&] {
            a.context()->processPendingChanges();
            calendarSync.startSync();
            calendarSync.waitUntilIdle();
        };
        pass();
        ASSERT_TRUE(converge());
        pass();
        const QString link =
            a.library->taskWithUID(uids[0])->primitiveValue(QStringLiteral("calendarStoreUID")).toString();
        ASSERT_FALSE(link.isEmpty());
        const QHash<QString, qint64> before = modificationTimes(store.rootPath());
        ASSERT_EQ(before.size(), 3);

        b.library->taskWithUID(uids[0])->setTitle(QStringLiteral("One, changed on B"));
        b.context()->processPendingChanges();
        ASSERT_TRUE(sync(b).ok());
        ASSERT_TRUE(sync(a).ok());
        TDTask* downloaded = a.library->taskWithUID(uids[0]);
        EXPECT_EQ(downloaded->title(), QStringLiteral("One, changed on B"));
        EXPECT_EQ(downloaded->primitiveValue(QStringLiteral("calendarStoreUID")).toString(), link);
        pass();

        const QHash<QString, qint64> after = modificationTimes(store.rootPath());
        ASSERT_EQ(after.size(), 3);
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            if (it.key().endsWith(link + QStringLiteral(".ics")))
                EXPECT_NE(after.value(it.key()), it.value()) << "the changed task's file";
            else
                EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
        }
        EXPECT_EQ(store.taskWithUid(link)->title(), QStringLiteral("One, changed on B"));
    }
    platform::CalendarStore::setDefaultStore(nullptr);
    platform::setHostUserDefaults(nullptr);
}

}  // namespace
}  // namespace synctest
