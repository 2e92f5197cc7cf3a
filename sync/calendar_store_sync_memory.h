#pragma once

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>

// What a pass remembers of each calendar beside its sync date, in the per-host preferences
// ("calendarStoreCalendarSyncMemory"), so that the next pass can tell its own writes from other
// programs' changes:
// - `ownStamps`: the date stamps of the calendar tasks the pass wrote after it fetched them; a task
//   still carrying such a stamp is not newer than the sync date, however late it was written;
// - `linked`: calendar tasks this engine linked to a task of a mapped group; only these may be removed
//   when no local task claims them any more;
// - `deferred`: calendar tasks whose change waited because their local task changed meanwhile; they
//   count as newer next time.
struct TDCalendarStoreSyncMemory {
    QHash<QString, QDateTime> ownStamps;
    QSet<QString> linked;
    QSet<QString> deferred;

    // Calendar uid -> memory. Main thread.
    static QHash<QString, TDCalendarStoreSyncMemory> load();
    static void save(const QHash<QString, TDCalendarStoreSyncMemory>& memories);
};
