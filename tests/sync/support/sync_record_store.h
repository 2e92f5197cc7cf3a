#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

#include <optional>

namespace synctest {

// One account's library as the loopback service keeps it: records by entity and UID, each stamped with
// the counter of the upload that last wrote it and the node that sent it. Plain data, so tests can
// seed it, copy it and compare it.
//
// Its rules (the service's own choices):
// - Every applied upload raises the counter by one; the token is "<library id>-<counter>".
// - The last upload wins: a record replaces whatever the library held under its UID, a deletion
//   record ({"deleted_time": n}) stays as a tombstone so other nodes learn of it.
// - A full put empties the library and gives it a new library id before the upload is applied, so
//   every older token is one of another library.
// - Completed tasks (records with "completed_time") and their notes are left out of full downloads;
//   they are fetched per list or task.
class SyncRecordStore {
public:
    struct Entry {
        QString entity;
        QString uid;
        QJsonObject record;
        qint64 counter = 0;
        QString node;
    };

    explicit SyncRecordStore(QString libraryID = QStringLiteral("LIB1"));

    QString libraryID() const { return m_libraryID; }
    qint64 counter() const { return m_counter; }
    QString token() const;
    // The counter of a token of this library; nullopt for a malformed token or one of another library.
    std::optional<qint64> counterOfToken(const QString& token) const;

    // Applies a "changes" object as one upload of the node.
    void apply(const QJsonObject& changes, const QString& node);
    // Empties the library under a new id.
    void replaceLibrary(const QString& newLibraryID);

    // Changed after the counter, by other nodes than the given one, in entity then UID order.
    QList<Entry> changesSince(qint64 counter, const QString& exceptNode) const;
    // Every live record but completed tasks and their notes.
    QList<Entry> fullDownload() const;
    // Records by UID, with "uid" added, of any entity.
    QJsonArray objectsWithUIDs(const QStringList& uids) const;
    // Completed tasks under the list or task (through their parent tasks too), newest completion first, after
    // (completedStart, lastUID) when given; at most limit of them, and whether none remain after them.
    QJsonArray completedTasks(const QString& parentUID, std::optional<double> completedStart,
                              const QString& lastUID, int limit, bool* noMore) const;

    std::optional<QJsonObject> record(const QString& entity, const QString& uid) const;
    int liveRecordCount() const;
    const QMap<QString, QMap<QString, Entry>>& entries() const { return m_entries; }

private:
    // Whether the task's record has the list or task among its parents, followed through this library.
    bool p_isUnder(const QJsonObject& taskRecord, const QString& parentUID) const;

    QString m_libraryID;
    qint64 m_counter = 0;
    QMap<QString, QMap<QString, Entry>> m_entries;
};

// The "changes" object of a list of entries.
QJsonObject changesObject(const QList<SyncRecordStore::Entry>& entries);

}  // namespace synctest
