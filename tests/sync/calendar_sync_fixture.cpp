#include "tests/sync/calendar_sync_fixture.h"

#include "model/calendar_store_sync_settings.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/defaults/host_defaults.h"
#include "platform/operations/operation_queue.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QThread>

#include <sys/stat.h>
#include <time.h>

namespace synctest {

void CalendarSyncTest::SetUp() {
    TempFoldersTest::SetUp();
    clock = std::make_unique<TDTestClock>(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    TDClock::setShared(clock.get());
    TDSetAppDelegate(&delegate);
    // Saves only where a test asks for them.
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), 24 * 60 * 60);
    host = std::make_unique<platform::UserDefaults>(QDir(tempPath()).filePath(QStringLiteral("host.conf")));
    platform::setHostUserDefaults(host.get());
    store = std::make_unique<platform::CalendarStore>(QDir(tempPath()).filePath(QStringLiteral("Calendars")));
    platform::CalendarStore::setDefaultStore(store.get());
    manager = std::make_unique<TDLibraryManager>(
        QDir(tempPath()).filePath(QStringLiteral("Ordello Library.odllibrary")));
    TDLibraryManager::setSharedManager(manager.get());
    const Result<TDLibrary*> created = manager->createLibrary();
    ASSERT_TRUE(created.ok());
    library = *created;
    home = library->createList(QStringLiteral("Home"), library->foldersGroup());
    const Result<platform::Calendar> calendar = store->createCalendar(QStringLiteral("Chores"));
    ASSERT_TRUE(calendar.ok());
    chores = *calendar;
    TDCalendarStoreSyncSettings settings = library->calendarStoreSyncSettings();
    settings.setSyncingEnabled(true, home->uid(), chores);
    settings.setSyncingEnabled(true);
    syncManager = std::make_unique<TDCalendarStoreSyncManager>(manager.get());
}

void CalendarSyncTest::TearDown() {
    syncManager.reset();
    platform::CalendarStore::setDefaultStore(nullptr);
    store.reset();
    manager.reset();
    TDLibraryManager::setSharedManager(nullptr);
    TDSetAppDelegate(nullptr);
    TDClock::setShared(nullptr);
    clock.reset();
    platform::setHostUserDefaults(nullptr);
    host.reset();
    TempFoldersTest::TearDown();
}

void CalendarSyncTest::runPass() {
    library->managedObjectContext()->processPendingChanges();
    syncManager->startSync();
    syncManager->waitUntilIdle();
}

TDTask* CalendarSyncTest::addTask(TDList* list, const QString& title) {
    TDTask* task = library->createOrphanTask();
    task->setTitle(title);
    EXPECT_TRUE(list->orderedTasks()->insertObject(task, 0).ok());
    return task;
}

QString CalendarSyncTest::calendarFolder(const QString& calendarUid) const {
    return store->rootPath() + QLatin1Char('/') + calendarUid;
}

QString CalendarSyncTest::writeForeignFile(const QString& calendarUid, const QString& name,
                                           const QByteArray& content) {
    const QString path = calendarFolder(calendarUid) + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.close();
    return path;
}

QHash<QString, platform::CalendarTask> CalendarSyncTest::calendarTasksByTitle(const QString& calendarUid) {
    platform::CalendarStore reader(store->rootPath());
    QHash<QString, platform::CalendarTask> result;
    const std::optional<platform::Calendar> calendar = reader.calendarWithUid(calendarUid);
    if (!calendar) return result;
    const Result<QList<platform::CalendarTask>> tasks = reader.tasksInCalendar(*calendar);
    EXPECT_TRUE(tasks.ok());
    if (!tasks) return result;
    for (const platform::CalendarTask& task : *tasks) {
        EXPECT_FALSE(result.contains(task.title())) << "duplicate " << task.title().toStdString();
        result.insert(task.title(), task);
    }
    return result;
}

QHash<QString, qint64> CalendarSyncTest::modificationTimes(const QString& calendarUid) const {
    QHash<QString, qint64> times;
    QDirIterator it(calendarFolder(calendarUid), {QStringLiteral("*.ics")}, QDir::Files);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat info;
        if (::stat(QFile::encodeName(path).constData(), &info) == 0)
            times.insert(path, qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec);
    }
    return times;
}

QList<TDTask*> CalendarSyncTest::tasksTitled(const QString& title) {
    QList<TDTask*> found;
    for (TDTask* task : library->allTasks())
        if (!task->isDeleted() && task->title() == title) found.append(task);
    return found;
}

void CalendarSyncTest::letTimePassForOthers() {
    // Past the coarse clock's tick, so a file written next is stamped after the last fetch.
    QThread::msleep(20);
}

QByteArray foreignTodo(const QString& uid, const QString& summary, const QByteArray& extra,
                       const QByteArray& lineEnd) {
    QByteArrayList lines{"BEGIN:VCALENDAR",
                         "VERSION:2.0",
                         "PRODID:-//Other Tool//EN",
                         "BEGIN:VTODO",
                         "UID:" + uid.toUtf8(),
                         "DTSTAMP:20261201T090000Z",
                         "SUMMARY:" + summary.toUtf8()};
    if (!extra.isEmpty()) lines += extra.split('\n');
    lines += QByteArrayList{"END:VTODO", "END:VCALENDAR"};
    return lines.join(lineEnd) + lineEnd;
}

}  // namespace synctest
