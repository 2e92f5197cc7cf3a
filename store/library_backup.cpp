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
#include "platform/plist/xml_property_list_writer.h"

#include <QBuffer>
#include <QFile>
#include <QTimeZone>

#include <algorithm>
#include <vector>

namespace {

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

QDateTime TDBackupDateFromFileName(const QString& fileName) {
    if (!fileName.startsWith(TDBackupFilePrefix)) return {};
    const QString stamp = fileName.mid(TDBackupFilePrefix.size(), 21);
    QDateTime date = QDateTime::fromString(stamp, QStringLiteral("yyyy-MM-dd-HHmmss.zzz"));
    if (!date.isValid()) return {};
    date.setTimeZone(QTimeZone::utc());
    return date;
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
        if (cancelled && cancelled())
            return TDError::make(TDErrorBackupCancelled, QStringLiteral("The backup was cancelled."));
        if (Status s = writer.key(entity.name); !s.ok()) return s;
        if (Status s = writer.beginDictionary(); !s.ok()) return s;
        for (const auto& [identifier, object] : entity.objects) {
            if (Status s = writer.key(identifier); !s.ok()) return s;
            if (Status s = writer.value(object->propertyListRepresentation()); !s.ok()) return s;
        }
        if (Status s = writer.endDictionary(); !s.ok()) return s;
    }
    return writer.endDictionary();
}

}  // namespace

namespace {

// The whole document: the root's keys in order, the objects in their place among them.
Status writeBackupDocument(platform::XmlPropertyListStreamWriter& writer, const QVariantMap& header,
                           const TDLibraryBackupObjects& objects, const std::function<bool()>& cancelled) {
    if (Status s = writer.beginDictionary(); !s.ok()) return s;
    bool entitiesWritten = false;
    for (auto it = header.cbegin(); it != header.cend(); ++it) {
        if (!entitiesWritten && TDBackupEntitiesKey < it.key()) {
            if (Status s = writer.key(TDBackupEntitiesKey); !s.ok()) return s;
            if (Status s = writeEntities(writer, objects, cancelled); !s.ok()) return s;
            entitiesWritten = true;
        }
        if (Status s = writer.key(it.key()); !s.ok()) return s;
        if (Status s = writer.value(it.value()); !s.ok()) return s;
    }
    if (!entitiesWritten) {
        if (Status s = writer.key(TDBackupEntitiesKey); !s.ok()) return s;
        if (Status s = writeEntities(writer, objects, cancelled); !s.ok()) return s;
    }
    if (Status s = writer.endDictionary(); !s.ok()) return s;
    return writer.finish();
}

Status writeGzippedBackup(const QVariantMap& header, const TDLibraryBackupObjects& objects,
                          const QString& path, const std::function<bool()>& cancelled) {
    QByteArray text;
    {
        QBuffer buffer(&text);
        buffer.open(QIODevice::WriteOnly);
        platform::XmlPropertyListStreamWriter writer(buffer);
        if (Status s = writeBackupDocument(writer, header, objects, cancelled); !s.ok()) return s;
    }
    const Result<QByteArray> compressed = gzipCompressedData(text);
    if (!compressed.ok()) return compressed.error();
    text = QByteArray();  // gone before the disk is waited for
    return platform::writeFileAtomically(path, *compressed);
}

}  // namespace

Status TDWriteLibraryBackup(const QVariantMap& header, const TDLibraryBackupObjects& objects,
                            const QString& path, const std::function<bool()>& cancelled,
                            TDBackupCompression compression) {
    if (compression == TDBackupCompression::Gzip) return writeGzippedBackup(header, objects, path, cancelled);
    Status serialised;
    const Status written = platform::writeFileAtomically(path, [&](QIODevice& device) {
        platform::XmlPropertyListStreamWriter writer(device);
        serialised = writeBackupDocument(writer, header, objects, cancelled);
        return serialised.ok();
    });
    // A device that failed (a full disk) says more than the writer it failed.
    if (!written.ok() && written.error().domain == platform::TDPosixErrorDomain) return written;
    if (!serialised.ok()) return serialised;
    return written;
}
