#pragma once

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>

// What a pass remembers of each calendar beside its sync date, in the per-host preferences
// ("calendarStoreCalendarSyncMemory"), so that the next pass can tell its own writes from other
// programs' changes:
// - `knownStamps`: the date stamps of calendar tasks the pass wrote, or read and took in, around or
//   after its fetch; a task still carrying such a stamp is not newer than the sync date, however late
//   it was stamped;
// - `linked`: calendar tasks this engine linked to a task of a mapped group; only these may be removed
//   when no local task claims them any more;
struct TDCalendarStoreSyncMemory {
    QHash<QString, QDateTime> knownStamps;
    QSet<QString> linked;

    // Calendar uid -> memory. Main thread.
    static QHash<QString, TDCalendarStoreSyncMemory> load();
    static void save(const QHash<QString, TDCalendarStoreSyncMemory>& memories);
};
