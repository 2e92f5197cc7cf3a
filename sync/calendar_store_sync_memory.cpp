#include "sync/calendar_store_sync_memory.h"

#include "platform/defaults/host_defaults.h"
#include "platform/defaults/user_defaults.h"

#include <QVariantMap>

namespace {

const QString kMemoryKey = QStringLiteral("calendarStoreCalendarSyncMemory");
const QString kKnownStamps = QStringLiteral("knownStamps");
const QString kLinked = QStringLiteral("linked");

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
        const QVariantMap stamps = entry.value(kKnownStamps).toMap();
        for (auto stamp = stamps.cbegin(); stamp != stamps.cend(); ++stamp)
            if (const QDateTime date = stamp.value().toDateTime(); date.isValid())
                memory.knownStamps.insert(stamp.key(), date);
        memory.linked = setFrom(entry.value(kLinked));
        memories.insert(it.key(), memory);
    }
    return memories;
}

void TDCalendarStoreSyncMemory::save(const QHash<QString, TDCalendarStoreSyncMemory>& memories) {
    QVariantMap stored;
    for (auto it = memories.cbegin(); it != memories.cend(); ++it) {
        QVariantMap stamps;
        for (auto stamp = it->knownStamps.cbegin(); stamp != it->knownStamps.cend(); ++stamp)
            stamps.insert(stamp.key(), stamp.value());
        stored.insert(it.key(), QVariantMap{{kKnownStamps, stamps}, {kLinked, listFrom(it->linked)}});
    }
    platform::hostUserDefaults().setValue(kMemoryKey, stored);
}
