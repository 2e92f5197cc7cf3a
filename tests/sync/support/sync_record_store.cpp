#include "tests/sync/support/sync_record_store.h"

#include <QSet>

#include <algorithm>

namespace synctest {

namespace {
bool isDeletion(const QJsonObject& record) {
    return record.contains(QStringLiteral("deleted_time"));
}
bool isCompleted(const SyncRecordStore::Entry& entry) {
    return (entry.entity == QStringLiteral("Task") || entry.entity == QStringLiteral("TaskNotes")) &&
           entry.record.contains(QStringLiteral("completed_time"));
}
}  // namespace

SyncRecordStore::SyncRecordStore(QString libraryID) : m_libraryID(std::move(libraryID)) {
}

QString SyncRecordStore::token() const {
    return QStringLiteral("%1-%2").arg(m_libraryID).arg(m_counter);
}

std::optional<qint64> SyncRecordStore::counterOfToken(const QString& token) const {
    const QStringList parts = token.split(QLatin1Char('-'));
    if (parts.size() != 2 || parts[0] != m_libraryID) return std::nullopt;
    bool ok = false;
    const qint64 counter = parts[1].toLongLong(&ok);
    if (!ok || counter < 0) return std::nullopt;
    return counter;
}

void SyncRecordStore::apply(const QJsonObject& changes, const QString& node) {
    ++m_counter;
    for (auto entity = changes.begin(); entity != changes.end(); ++entity) {
        const QJsonObject records = entity.value().toObject();
        for (auto it = records.begin(); it != records.end(); ++it)
            m_entries[entity.key()][it.key()] =
                Entry{entity.key(), it.key(), it.value().toObject(), m_counter, node};
    }
}

void SyncRecordStore::replaceLibrary(const QString& newLibraryID) {
    m_libraryID = newLibraryID;
    m_counter = 0;
    m_entries.clear();
}

QList<SyncRecordStore::Entry> SyncRecordStore::changesSince(qint64 counter, const QString& exceptNode) const {
    QList<Entry> result;
    for (const auto& byUID : m_entries)
        for (const Entry& entry : byUID)
            if (entry.counter > counter && entry.node != exceptNode) result.append(entry);
    return result;
}

QList<SyncRecordStore::Entry> SyncRecordStore::fullDownload() const {
    QList<Entry> result;
    for (const auto& byUID : m_entries)
        for (const Entry& entry : byUID)
            if (!isDeletion(entry.record) && !isCompleted(entry)) result.append(entry);
    return result;
}

QJsonArray SyncRecordStore::objectsWithUIDs(const QStringList& uids) const {
    QJsonArray result;
    for (const auto& byUID : m_entries) {
        for (const QString& uid : uids) {
            const auto it = byUID.constFind(uid);
            if (it == byUID.cend() || isDeletion(it->record)) continue;
            QJsonObject record = it->record;
            record.insert(QStringLiteral("uid"), uid);
            result.append(record);
        }
    }
    return result;
}

QJsonArray SyncRecordStore::completedTasks(const QString& parentUID, std::optional<double> completedStart,
                                           const QString& lastUID, int limit, bool* noMore) const {
    QList<Entry> found;
    for (const Entry& entry : m_entries.value(QStringLiteral("Task"))) {
        if (!isCompleted(entry) || isDeletion(entry.record)) continue;
        if (p_isUnder(entry.record, parentUID)) found.append(entry);
    }
    const auto completed = [](const Entry& e) {
        return e.record.value(QStringLiteral("completed_time")).toDouble();
    };
    // Newest first; among equal times the greatest UID first, so "after the last one" is well defined.
    std::sort(found.begin(), found.end(), [&](const Entry& a, const Entry& b) {
        if (completed(a) != completed(b)) return completed(a) > completed(b);
        return a.uid > b.uid;
    });
    if (completedStart) {
        found.erase(std::remove_if(found.begin(), found.end(),
                                   [&](const Entry& e) {
                                       return completed(e) > *completedStart ||
                                              (completed(e) == *completedStart && e.uid >= lastUID);
                                   }),
                    found.end());
    }
    QJsonArray result;
    for (int i = 0; i < found.size() && i < limit; ++i) {
        QJsonObject record = found[i].record;
        record.insert(QStringLiteral("uid"), found[i].uid);
        result.append(record);
    }
    if (noMore) *noMore = found.size() <= limit;
    return result;
}

bool SyncRecordStore::p_isUnder(const QJsonObject& taskRecord, const QString& parentUID) const {
    const QMap<QString, Entry> tasks = m_entries.value(QStringLiteral("Task"));
    QSet<QString> passed;
    QJsonObject contents = taskRecord.value(QStringLiteral("contents")).toObject();
    while (true) {
        const QString parentTask = contents.value(QStringLiteral("parentTask")).toString();
        if (contents.value(QStringLiteral("parentList")).toString() == parentUID || parentTask == parentUID)
            return true;
        const auto parent = tasks.constFind(parentTask);
        if (parentTask.isEmpty() || passed.contains(parentTask) || parent == tasks.cend() ||
            isDeletion(parent->record))
            return false;
        passed.insert(parentTask);
        contents = parent->record.value(QStringLiteral("contents")).toObject();
    }
}

std::optional<QJsonObject> SyncRecordStore::record(const QString& entity, const QString& uid) const {
    const auto byUID = m_entries.constFind(entity);
    if (byUID == m_entries.cend()) return std::nullopt;
    const auto it = byUID->constFind(uid);
    if (it == byUID->cend()) return std::nullopt;
    return it->record;
}

int SyncRecordStore::liveRecordCount() const {
    int count = 0;
    for (const auto& byUID : m_entries)
        for (const Entry& entry : byUID) count += isDeletion(entry.record) ? 0 : 1;
    return count;
}

QJsonObject changesObject(const QList<SyncRecordStore::Entry>& entries) {
    QJsonObject changes;
    for (const auto& entry : entries) {
        QJsonObject records = changes.value(entry.entity).toObject();
        records.insert(entry.uid, entry.record);
        changes.insert(entry.entity, records);
    }
    return changes;
}

}  // namespace synctest
