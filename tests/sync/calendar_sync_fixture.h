#pragma once

#include "platform/base/clock.h"
#include "platform/calendarstore/calendar_store.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "sync/calendar_store_sync_manager.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/test_environment.h"

#include <QDateTime>
#include <QHash>

#include <memory>

class TDList;
class TDTask;

namespace synctest {

// A real library, a vdir calendar folder in the temporary folder installed as the default calendar
// store, per-host preferences of its own, and a calendar-sync manager following the library. The list
// "Home" is mapped to the calendar "Chores" and sync is on.
class CalendarSyncTest : public testsupport::TempFoldersTest {
public:
    void SetUp() override;
    void TearDown() override;

    // One pass, run to its end with the main thread turning.
    void runPass();
    TDTask* addTask(TDList* list, const QString& title);
    QString calendarFolder(const QString& calendarUid) const;
    QString calendarPath() const { return calendarFolder(chores.uid()); }
    // Writes a task file the way another program would (no Ordello involved), and returns its path.
    QString writeForeignFile(const QString& calendarUid, const QString& name, const QByteArray& content);
    // The readable tasks of a calendar by title.
    QHash<QString, platform::CalendarTask> calendarTasksByTitle(const QString& calendarUid);
    // Path -> modification time (ns) of every task file of the calendar.
    QHash<QString, qint64> modificationTimes(const QString& calendarUid) const;
    // Library tasks with the title (not deleted).
    QList<TDTask*> tasksTitled(const QString& title);
    // Moves the file clock on, so that later writes by other programs stamp later than the last pass.
    static void letTimePassForOthers();

    std::unique_ptr<TDTestClock> clock;
    testsupport::RecordingAppDelegate delegate;
    std::unique_ptr<TDLibraryManager> manager;
    std::unique_ptr<platform::UserDefaults> host;
    std::unique_ptr<platform::CalendarStore> store;
    std::unique_ptr<TDCalendarStoreSyncManager> syncManager;
    TDLibrary* library = nullptr;
    TDList* home = nullptr;
    platform::Calendar chores;
};

// An iCalendar file of one VTODO in the shape other programs write; `extra` lines go inside the VTODO.
QByteArray foreignTodo(const QString& uid, const QString& summary, const QByteArray& extra = {},
                       const QByteArray& lineEnd = "\r\n");

}  // namespace synctest
