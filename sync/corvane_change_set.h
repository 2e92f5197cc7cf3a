#pragma once

#include "platform/base/error.h"

#include <QHash>
#include <QJsonObject>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

// The entities that travel to and from the sync service, in the order a merge takes them.
const QStringList& TDCorvaneSyncedEntityNames();

// The kinds of exchange with the sync service.
enum class TDCorvaneSyncType : int { Incremental = 1, FullMerge = 2, FullGet = 4, FullPut = 8, TaskGet = 16 };

// An answer of the sync service that is not what the protocol says: error 600, naming what is wrong.
TDError TDCorvaneMalformedAnswerError(const QString& what);

// The server's changes of one sync, gathered over its download pages: by entity, records by UID (a
// later page's record replacing an earlier one of the same UID).
class ODLCorvaneChangeSet {
public:
    // One page's "changes". A page of the wrong shape (an entity that is not an object, a record that
    // is not an object, a key that is not a UID) is refused whole.
    Status addChangesFromDictionary(const QJsonObject& changes);
    // One download answer: its "changes" (optional) and its "bookmark", which must not come twice, for
    // a server that hands the same page again would never end the download.
    Status addDownloadPage(const QJsonObject& answer);

    // The records of one entity, sorted by UID.
    const QMap<QString, QJsonObject>& changes(const QString& entityName) const;
    const QMap<QString, QJsonObject>& changedFolders() const { return changes(QStringLiteral("Folder")); }
    const QMap<QString, QJsonObject>& changedLists() const { return changes(QStringLiteral("List")); }
    const QMap<QString, QJsonObject>& changedSmartFolders() const {
        return changes(QStringLiteral("SmartFolder"));
    }
    const QMap<QString, QJsonObject>& changedTags() const { return changes(QStringLiteral("Tag")); }
    const QMap<QString, QJsonObject>& changedTasks() const { return changes(QStringLiteral("Task")); }
    const QMap<QString, QJsonObject>& changedTaskNotes() const {
        return changes(QStringLiteral("TaskNotes"));
    }
    // Records of every entity received, known or not.
    quint64 totalNumberOfObjects() const { return m_total; }
    bool isEmpty() const;
    void logInfo() const;

private:
    QHash<QString, QMap<QString, QJsonObject>> m_changes;
    QSet<QByteArray> m_bookmarks;
    quint64 m_total = 0;
};
