#include "sync/corvane_upload.h"

#include "model/group.h"
#include "model/json_friendly.h"
#include "model/library.h"
#include "model/sync_set.h"
#include "model/task.h"
#include "model/task_notes.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/objectstore/managed_object_context.h"
#include "sync/corvane_errors.h"

#include <QJsonDocument>

#include <algorithm>
#include <cmath>

namespace {

constexpr qsizetype kLargestText = 30'000;

qsizetype compactSize(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Compact).size();
}

// The objects of one entity that travel, by UID; sub-entities have their own names on the wire.
Result<QHash<QString, TDLibraryObject*>> objectsByUID(TDLibrary* library, const QString& entityName) {
    platform::FetchRequest request(entityName);
    request.includesSubentities = false;
    const Result<QList<platform::ManagedObject*>> fetched = library->managedObjectContext()->execute(request);
    if (!fetched) return fetched.error();
    QHash<QString, TDLibraryObject*> byUID;
    byUID.reserve(fetched->size());
    for (platform::ManagedObject* object : *fetched)
        if (auto* libraryObject = dynamic_cast<TDLibraryObject*>(object))
            byUID.insert(libraryObject->uid(), libraryObject);
    return byUID;
}

// The object of exactly this entity with the UID (the last of the table's, if several), by the UID index.
Result<TDLibraryObject*> objectWithUID(TDLibrary* library, const QString& entityName, const QString& uid) {
    const Result<QList<platform::ManagedObject*>> found =
        library->managedObjectContext()->objectsWithIndexedValue(entityName, uid);
    if (!found) return found.error();
    TDLibraryObject* object = nullptr;
    for (platform::ManagedObject* candidate : *found)
        if (candidate->entity()->name() == entityName)
            if (auto* libraryObject = dynamic_cast<TDLibraryObject*>(candidate)) object = libraryObject;
    return object;
}

void addRecord(TDCorvaneUpload& upload, const QString& entityName, TDLibraryObject* object) {
    if (object->isExcludedFromSync()) return;
    if (TDIsTooLargeForCorvane(object)) {
        upload.skippedItemIDs.append(object->objectID());
        return;
    }
    upload.changes[entityName].insert(object->uid(),
                                      QJsonObject::fromVariantMap(object->syncDictionaryRepresentation()));
    ++upload.count;
}

}  // namespace

bool TDIsTooLargeForCorvane(const TDLibraryObject* object) {
    if (const auto* notes = dynamic_cast<const TDTaskNotes*>(object))
        return notes->string().size() + notes->webArchiveData().size() > kLargestText;
    if (dynamic_cast<const TDTask*>(object) || dynamic_cast<const TDGroup*>(object))
        return object->primitiveValue(QStringLiteral("title")).toString().size() > kLargestText;
    return false;
}

QList<TDCorvaneJournalEntry> TDCorvaneSyncSetItems(TDLibrary* library) {
    QList<TDCorvaneJournalEntry> entries;
    TDSyncSet* syncSet = library->corvaneSyncSet();
    if (!syncSet) return entries;
    for (TDSyncSetItem* item : syncSet->items()) {
        if (item->isDeleted()) continue;
        entries.append({item->objectID(), item->itemUID(), item->entityType(), item->addedDate()});
    }
    std::sort(
        entries.begin(), entries.end(),
        [](const TDCorvaneJournalEntry& a, const TDCorvaneJournalEntry& b) { return a.itemUID < b.itemUID; });
    return entries;
}

Result<TDCorvaneUpload> TDCorvaneChangedObjects(TDLibrary* library,
                                                const QList<TDCorvaneJournalEntry>& items) {
    TDCorvaneUpload upload;
    upload.syncSetItems = items;
    QMap<QString, QStringList> uidsByEntity;
    for (const TDCorvaneJournalEntry& item : items)
        if (TDCorvaneSyncedEntityNames().contains(item.entityType))
            uidsByEntity[item.entityType].append(item.itemUID);
    const QJsonObject deletion{
        {QStringLiteral("deleted_time"),
         double(std::floor(TDTimeIntervalSinceReferenceDate(TDClock::currentDateTime())))}};
    for (auto entity = uidsByEntity.cbegin(); entity != uidsByEntity.cend(); ++entity) {
        for (const QString& uid : entity.value()) {
            const Result<TDLibraryObject*> object = objectWithUID(library, entity.key(), uid);
            if (!object) return object.error();
            if (*object && !(*object)->isDeleted()) {
                addRecord(upload, entity.key(), *object);
            } else {
                upload.changes[entity.key()].insert(uid, deletion);
                ++upload.count;
            }
        }
    }
    return upload;
}

Result<TDCorvaneUpload> TDCorvaneAllObjects(TDLibrary* library) {
    TDCorvaneUpload upload;
    upload.syncSetItems = TDCorvaneSyncSetItems(library);
    for (const QString& entityName : TDCorvaneSyncedEntityNames()) {
        const Result<QHash<QString, TDLibraryObject*>> objects = objectsByUID(library, entityName);
        if (!objects) {
            logWithLevel(TDLogError, "ERROR", "Could not fetch objects to export: %@",
                         objects.error().detailedDescription());
            return objects.error();
        }
        for (TDLibraryObject* object : *objects)
            if (!object->isDeleted()) addRecord(upload, entityName, object);
    }
    return upload;
}

TDCorvaneUploadPager::TDCorvaneUploadPager(TDCorvaneRecords records, QJsonObject parameters,
                                           qsizetype largestBody)
    : m_records(std::move(records)), m_parameters(std::move(parameters)), m_largestBody(largestBody) {
    for (const QMap<QString, QJsonObject>& byUID : std::as_const(m_records)) m_total += byUID.size();
}

Result<QJsonObject> TDCorvaneUploadPager::nextPage() {
    QJsonObject frame = m_parameters;
    frame.insert(QStringLiteral("changes"), QJsonObject());
    frame.insert(QStringLiteral("more"), true);
    // Sizes add up from the frame: each entity adds its key and braces, each record its key and value,
    // and every member a comma, so the sum is never below the body's real length.
    qsizetype size = compactSize(frame);
    QJsonObject page;
    qsizetype taken = 0;
    bool full = false;
    for (const QString& entityName : TDCorvaneSyncedEntityNames()) {
        auto entity = m_records.find(entityName);
        if (entity == m_records.end()) continue;
        QJsonObject byUID;
        qsizetype entitySize = entityName.toUtf8().size() + 6;
        auto record = entity->begin();
        while (record != entity->end()) {
            const qsizetype recordSize = record.key().toUtf8().size() + 4 + compactSize(record.value());
            if (taken >= kPageSize || size + entitySize + recordSize > m_largestBody) {
                full = true;
                break;
            }
            entitySize += recordSize;
            byUID.insert(record.key(), record.value());
            record = entity->erase(record);
            ++taken;
        }
        if (!byUID.isEmpty()) {
            page.insert(entityName, byUID);
            size += entitySize;
        }
        if (entity->isEmpty()) m_records.erase(entity);
        if (full) break;
    }
    if (taken == 0 && !atEnd()) {
        return TDError::make(TDCorvaneErrorRequestTooBig, QStringLiteral("Request is too big."));
    }
    m_sent += taken;
    QJsonObject body = m_parameters;
    body.insert(QStringLiteral("changes"), page);
    if (!atEnd()) body.insert(QStringLiteral("more"), true);
    return body;
}
