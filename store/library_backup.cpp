#include "store/library_backup.h"

#include "foundation/data_additions.h"
#include "foundation/version.h"
#include "model/library_object.h"
#include "model/managed_object_context.h"
#include "model/uid.h"
#include "platform/base/clock.h"
#include "platform/base/format.h"
#include "platform/files/atomic_save.h"
#include "platform/files/file_error.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/object_model.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/plist/property_list.h"
#include "platform/plist/xml_property_list_writer.h"

#include <QFile>
#include <QSet>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

TDError backupError(const QString& path, const QString& why) {
    return TDError::make(0, QStringLiteral("The backup \"%1\" cannot be restored: %2.").arg(path, why));
}

bool isExcluded(const platform::EntityDescription* entity) {
    return entity->userInfoValue(TDExcludeFromPlistKey) == QLatin1String("YES");
}

}  // namespace

QString TDBackupTimeStampString(const QDateTime& date) {
    const QDateTime utc = date.toTimeZone(QTimeZone::utc());
    const QDate d = utc.date();
    const QTime t = utc.time();
    return formatString("%04ld-%02ld-%02ld-%02ld%02ld%02ld.%03ld", d.year(), d.month(), d.day(), t.hour(),
                        t.minute(), t.second(), t.msec());
}

QString TDBackupFileName(const QDateTime& date) {
    return formatString("backup-%@.%@", TDBackupTimeStampString(date), TDBackupExtension);
}

Result<TDLibraryBackupObjects> TDLibraryBackupObjectsOf(TDManagedObjectContext& context,
                                                        const std::function<bool()>& cancelled) {
    TDLibraryBackupObjects entities;
    for (const platform::EntityDescription* entity : context.coordinator()->model().entities()) {
        if (cancelled && cancelled()) return TDLibraryBackupObjects();
        if (isExcluded(entity)) continue;
        platform::FetchRequest request(entity->name());
        request.includesSubentities = false;
        const auto fetched = context.execute(request);
        if (!fetched.ok()) return fetched.error();
        TDLibraryBackupEntity objects{entity->name(), {}};
        objects.objects.reserve(fetched->size());
        for (platform::ManagedObject* object : *fetched) {
            if (const auto* libraryObject = dynamic_cast<const TDLibraryObject*>(object))
                objects.objects.append({libraryObject->propertyListIdentifier(), libraryObject});
        }
        if (objects.objects.isEmpty()) continue;
        // Stable, so that of two objects claiming one UID the later one is kept, as in a dictionary.
        TDStableSortByUID(objects.objects, [](const auto& entry) -> const QString& { return entry.first; });
        entities.append(std::move(objects));
    }
    std::sort(entities.begin(), entities.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return entities;
}

QVariantMap TDLibraryBackupHeader(double libraryVersion) {
    return QVariantMap{
        {TDBackupApplicationShortVersionKey, QStringLiteral(ORDELLO_VERSION)},
        {TDBackupApplicationVersionKey, QStringLiteral(ORDELLO_BUILD_NUMBER)},
        {TDBackupLibraryVersionKey, libraryVersion},
        {TDBackupSavedDateKey, TDClock::currentDateTime().toUTC()},
        {TDBackupSaveIdentifierKey, TDNewUID()},
    };
}

namespace {

Status writeEntities(platform::XmlPropertyListStreamWriter& writer, const TDLibraryBackupObjects& objects,
                     const std::function<bool()>& cancelled) {
    if (Status s = writer.beginDictionary(); !s.ok()) return s;
    for (const TDLibraryBackupEntity& entity : objects) {
        if (cancelled && cancelled()) return TDError::make(0, QStringLiteral("The backup was cancelled."));
        writer.key(entity.name);
        writer.beginDictionary();
        for (const auto& [identifier, object] : entity.objects) {
            writer.key(identifier);
            if (Status s = writer.value(object->propertyListRepresentation()); !s.ok()) return s;
        }
        if (Status s = writer.endDictionary(); !s.ok()) return s;
    }
    return writer.endDictionary();
}

}  // namespace

Status TDWriteLibraryBackup(const QVariantMap& header, const TDLibraryBackupObjects& objects, const QString& path,
                            const std::function<bool()>& cancelled) {
    Status serialised;
    const Status written = platform::writeFileAtomically(path, [&](QIODevice& device) {
        platform::XmlPropertyListStreamWriter writer(device);
        serialised = [&]() -> Status {
            if (Status s = writer.beginDictionary(); !s.ok()) return s;
            // The root's keys in order, the objects in their place among them.
            bool entitiesWritten = false;
            for (auto it = header.cbegin(); it != header.cend(); ++it) {
                if (!entitiesWritten && TDBackupEntitiesKey < it.key()) {
                    writer.key(TDBackupEntitiesKey);
                    if (Status s = writeEntities(writer, objects, cancelled); !s.ok()) return s;
                    entitiesWritten = true;
                }
                writer.key(it.key());
                if (Status s = writer.value(it.value()); !s.ok()) return s;
            }
            if (!entitiesWritten) {
                writer.key(TDBackupEntitiesKey);
                if (Status s = writeEntities(writer, objects, cancelled); !s.ok()) return s;
            }
            if (Status s = writer.endDictionary(); !s.ok()) return s;
            return writer.finish();
        }();
        return serialised.ok();
    });
    // A device that failed (a full disk) says more than the writer it failed.
    if (!written.ok() && written.error().domain == platform::TDPosixErrorDomain) return written;
    if (!serialised.ok()) return serialised;
    return written;
}

Result<TDLibraryBackupContents> TDReadLibraryBackup(const QString& path, const platform::ObjectModel& model,
                                                    const TDLibraryBackupLimits& limits) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return backupError(path, file.errorString());
    const bool compressed = path.endsWith(QLatin1String(".gz"));
    const qsizetype cap = compressed ? limits.maxCompressedSize : limits.maxPropertyListSize;
    if (file.size() > cap) return backupError(path, QStringLiteral("the file is larger than %1 bytes").arg(cap));
    QByteArray data = file.read(cap + 1);
    if (data.size() > cap) return backupError(path, QStringLiteral("the file is larger than %1 bytes").arg(cap));
    if (compressed) {
        Result<QByteArray> inflated = gzipDecompressedData(data, limits.maxPropertyListSize);
        if (!inflated) return backupError(path, inflated.error().description);
        data = std::move(inflated).value();
    }
    Result<QVariant> parsed = platform::readPropertyList(data, limits.maxPropertyListSize);
    data.clear();
    if (!parsed) return parsed.error();
    if (parsed->metaType().id() != QMetaType::QVariantMap)
        return backupError(path, QStringLiteral("its root is not a dictionary"));

    TDLibraryBackupContents contents;
    contents.root = parsed->toMap();
    const QHash<QString, int> rootTypes{
        {TDBackupApplicationShortVersionKey, QMetaType::QString},
        {TDBackupApplicationVersionKey, QMetaType::QString},
        {TDBackupLibraryVersionKey, QMetaType::Double},
        {TDBackupSavedDateKey, QMetaType::QDateTime},
        {TDBackupSaveIdentifierKey, QMetaType::QString},
        {TDBackupEntitiesKey, QMetaType::QVariantMap},
    };
    for (auto it = contents.root.cbegin(); it != contents.root.cend(); ++it) {
        if (!rootTypes.contains(it.key())) return backupError(path, QStringLiteral("unknown key \"%1\"").arg(it.key()));
        int type = it.value().metaType().id();
        // A version written as a whole number is still a version.
        if (it.key() == TDBackupLibraryVersionKey && type == QMetaType::LongLong) type = QMetaType::Double;
        if (type != rootTypes.value(it.key()))
            return backupError(path, QStringLiteral("\"%1\" has the wrong type").arg(it.key()));
    }
    if (!contents.root.contains(TDBackupLibraryVersionKey) || !contents.root.contains(TDBackupEntitiesKey))
        return backupError(path, QStringLiteral("the version or the objects are missing"));
    contents.libraryVersion = contents.root.value(TDBackupLibraryVersionKey).toDouble();
    if (!std::isfinite(contents.libraryVersion) || contents.libraryVersion <= 0.0)
        return backupError(path, QStringLiteral("the version is not a positive number"));

    const QVariantMap entities = contents.root.value(TDBackupEntitiesKey).toMap();
    QSet<QString> seen;
    for (auto it = entities.cbegin(); it != entities.cend(); ++it) {
        const platform::EntityDescription* entity = model.entity(it.key());
        if (!entity || isExcluded(entity))
            return backupError(path, QStringLiteral("unknown entity \"%1\"").arg(it.key()));
        if (it.value().metaType().id() != QMetaType::QVariantMap)
            return backupError(path, QStringLiteral("the objects of \"%1\" are not a dictionary").arg(it.key()));
        const QVariantMap objects = it.value().toMap();
        for (auto object = objects.cbegin(); object != objects.cend(); ++object) {
            if (object.value().metaType().id() != QMetaType::QVariantMap)
                return backupError(path, QStringLiteral("an object of \"%1\" is not a dictionary").arg(it.key()));
            const QVariant uid = object.value().toMap().value(QStringLiteral("uid"));
            if (object.key().isEmpty() || (uid.isValid() && uid != QVariant(object.key())))
                return backupError(path, QStringLiteral("an object of \"%1\" has a bad UID").arg(it.key()));
            if (seen.contains(object.key()))
                return backupError(path, QStringLiteral("the UID \"%1\" is used twice").arg(object.key()));
            seen.insert(object.key());
        }
        if (it.key() == QLatin1String("Library")) {
            if (objects.size() != 1)
                return backupError(path, QStringLiteral("it holds %1 libraries").arg(objects.size()));
            contents.libraryIdentifier = objects.firstKey();
            contents.library = objects.first().toMap();
        } else if (!objects.isEmpty()) {
            contents.entities.append({it.key(), objects});
            contents.objectCount += objects.size();
        }
    }
    if (contents.library.isEmpty() && contents.libraryIdentifier.isEmpty())
        return backupError(path, QStringLiteral("it holds no library"));
    return contents;
}
