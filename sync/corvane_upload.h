#pragma once

#include "platform/base/error.h"
#include "platform/objectstore/object_id.h"
#include "sync/corvane_change_set.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>

class TDLibrary;
class TDLibraryObject;

// A journal item as it was read when an upload was built. The commit deletes the item only when its
// added date is still this one: an object changed again meanwhile keeps its item for the next sync.
struct TDCorvaneJournalEntry {
    platform::ObjectID objectID;
    QString itemUID;
    QString entityType;
    QDateTime addedDate;
};

// Records by entity name, each by UID, as they travel ("changes").
using TDCorvaneRecords = QMap<QString, QMap<QString, QJsonObject>>;

// What one sync sends.
struct TDCorvaneUpload {
    // Every journal item read, sent or not: the items of entities that do not travel, of objects kept
    // out of sync and of objects too large to send are committed with the others.
    QList<TDCorvaneJournalEntry> syncSetItems;
    TDCorvaneRecords changes;
    qsizetype count = 0;
    // Objects left out because they are too large for the service.
    QList<platform::ObjectID> skippedItemIDs;
};

// The sync service refuses a title or notes over 30,000 characters; such objects are not sent.
bool TDIsTooLargeForCorvane(const TDLibraryObject* object);

// The journal items of the library's sync set, by item UID.
QList<TDCorvaneJournalEntry> TDCorvaneSyncSetItems(TDLibrary* library);

// An incremental upload: the journalled objects of the entities that travel, and a deletion record
// ({"deleted_time": now}) for each journalled UID whose object is gone.
Result<TDCorvaneUpload> TDCorvaneChangedObjects(TDLibrary* library,
                                                const QList<TDCorvaneJournalEntry>& items);
// A full upload: every object of the entities that travel; the journal items are read too, so that
// the commit clears them.
Result<TDCorvaneUpload> TDCorvaneAllObjects(TDLibrary* library);

// Cuts the records into the bodies of the PUT requests: each holds the parameters, "changes" with at
// most 500 records and "more": true while records remain, and its compact JSON stays within the
// service's largest body (a page ends early rather than pass it).
class TDCorvaneUploadPager {
public:
    static constexpr qsizetype kPageSize = 500;
    static constexpr qsizetype kLargestBody = 15'000'000;

    TDCorvaneUploadPager(TDCorvaneRecords records, QJsonObject parameters,
                         qsizetype largestBody = kLargestBody);

    bool atEnd() const { return m_sent >= m_total; }
    // Error 608 when a single record with the parameters does not fit in a body.
    Result<QJsonObject> nextPage();
    qsizetype sent() const { return m_sent; }
    qsizetype total() const { return m_total; }

private:
    TDCorvaneRecords m_records;
    QJsonObject m_parameters;
    qsizetype m_largestBody;
    qsizetype m_sent = 0;
    qsizetype m_total = 0;
};
