#include "sync/calendar_store_sync_memory.h"

#include "platform/defaults/host_defaults.h"
#include "platform/defaults/user_defaults.h"

#include <QVariantMap>

namespace {

const QString kMemoryKey = QStringLiteral("calendarStoreCalendarSyncMemory");
const QString kOwnStamps = QStringLiteral("ownStamps");
const QString kLinked = QStringLiteral("linked");
const QString kDeferred = QStringLiteral("deferred");

QSet<QString> setFrom(const QVariant& value) {
    const QStringList list = value.toStringList();
    return QSet<QString>(list.cbegin(), list.cend());
}

QStringList listFrom(const QSet<QString>& set) {
    QStringList list(set.cbegin(), set.cend());
    list.sort();
    return list;
}

}  // namespace

QHash<QString, TDCalendarStoreSyncMemory> TDCalendarStoreSyncMemory::load() {
    QHash<QString, TDCalendarStoreSyncMemory> memories;
    const QVariantMap stored = platform::hostUserDefaults().value(kMemoryKey).toMap();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        const QVariantMap entry = it.value().toMap();
        TDCalendarStoreSyncMemory memory;
        const QVariantMap stamps = entry.value(kOwnStamps).toMap();
        for (auto stamp = stamps.cbegin(); stamp != stamps.cend(); ++stamp)
            if (const QDateTime date = stamp.value().toDateTime(); date.isValid())
                memory.ownStamps.insert(stamp.key(), date);
        memory.linked = setFrom(entry.value(kLinked));
        memory.deferred = setFrom(entry.value(kDeferred));
        memories.insert(it.key(), memory);
    }
    return memories;
}

void TDCalendarStoreSyncMemory::save(const QHash<QString, TDCalendarStoreSyncMemory>& memories) {
    QVariantMap stored;
    for (auto it = memories.cbegin(); it != memories.cend(); ++it) {
        QVariantMap stamps;
        for (auto stamp = it->ownStamps.cbegin(); stamp != it->ownStamps.cend(); ++stamp)
            stamps.insert(stamp.key(), stamp.value());
        stored.insert(it.key(), QVariantMap{{kOwnStamps, stamps},
                                            {kLinked, listFrom(it->linked)},
                                            {kDeferred, listFrom(it->deferred)}});
    }
    platform::hostUserDefaults().setValue(kMemoryKey, stored);
}
