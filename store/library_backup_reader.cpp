#include "store/library_backup_reader.h"

#include "foundation/data_additions.h"
#include "foundation/gzip_input_device.h"
#include "model/library_object.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/object_model.h"
#include "platform/plist/xml_property_list_reader.h"
#include "store/library_backup.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <cmath>
#include <memory>
#include <optional>

namespace {

const QString kLibraryEntity = QStringLiteral("Library");
const QString kUIDKey = QStringLiteral("uid");

TDError backupError(const QString& path, const QString& why) {
    return TDError::make(TDErrorBackupUnreadable,
                         QStringLiteral("The backup \"%1\" cannot be restored: %2.").arg(path, why));
}

bool isExcluded(const platform::EntityDescription* entity) {
    return entity->userInfoValue(TDExcludeFromPlistKey) == QLatin1String("YES");
}

// The backup file opened for one reading, through the decompressor when it is compressed.
class BackupStream final {
public:
    BackupStream(const QString& path, const TDLibraryBackupLimits& limits) : m_path(path), m_file(path) {
        if (!m_file.open(QIODevice::ReadOnly)) {
            m_status = backupError(path, m_file.errorString());
            return;
        }
        const bool compressed = path.endsWith(QLatin1String(".gz"));
        const qsizetype cap = compressed ? limits.maxCompressedSize : limits.maxPropertyListSize;
        if (m_file.size() > cap) {
            m_status = backupError(path, QStringLiteral("the file is larger than %1 bytes").arg(cap));
            return;
        }
        if (compressed) m_gzip = std::make_unique<TDGzipInputDevice>(&m_file, limits.maxPropertyListSize);
        m_reader.emplace(m_gzip ? static_cast<QIODevice*>(m_gzip.get()) : &m_file);
    }

    Status status() const { return m_status; }
    platform::XmlPropertyListStreamReader& reader() { return *m_reader; }

    // The error to report for a reading that failed: the decompressor's when it stopped the reading.
    TDError explained(const TDError& error) const {
        if (!m_gzip || m_gzip->status().ok()) return error;
        const TDError stopped = m_gzip->status().error();
        if (stopped.code == TDDataErrorTooLarge) return backupError(m_path, stopped.description);
        return backupError(m_path, QStringLiteral("the compressed data is corrupt or cut short"));
    }

private:
    QString m_path;
    QFile m_file;
    std::unique_ptr<TDGzipInputDevice> m_gzip;
    std::optional<platform::XmlPropertyListStreamReader> m_reader;
    Status m_status;
};

class SummaryReader final {
public:
    SummaryReader(const QString& path, const platform::ObjectModel& model,
                  const TDLibraryBackupLimits& limits)
        : m_path(path), m_model(model), m_limits(limits), m_stream(path, limits) {}

    TDLibraryBackupSummary read() {
        const Status read = p_read();
        if (!read.ok()) p_note(read.error());
        return std::move(m_summary);
    }

private:
    // Problems of content are noted and the reading goes on, so that the version is still found;
    // problems of the file end it.
    void p_note(const TDError& error) {
        if (m_summary.problem.ok()) m_summary.problem = error;
    }
    void p_note(const QString& why) { p_note(backupError(m_path, why)); }

    Status p_read() {
        if (!m_stream.status().ok()) return m_stream.status();
        platform::XmlPropertyListStreamReader& xml = m_stream.reader();
        if (Status s = xml.begin(); !s.ok()) return m_stream.explained(s.error());
        if (!xml.atDictionary()) return backupError(m_path, QStringLiteral("its root is not a dictionary"));
        if (Status s = xml.enterDictionary(); !s.ok()) return s;
        const QHash<QString, int> rootTypes{
            {TDBackupApplicationShortVersionKey, QMetaType::QString},
            {TDBackupApplicationVersionKey, QMetaType::QString},
            {TDBackupLibraryVersionKey, QMetaType::Double},
            {TDBackupSavedDateKey, QMetaType::QDateTime},
            {TDBackupSaveIdentifierKey, QMetaType::QString},
        };
        bool sawEntities = false;
        while (true) {
            Result<std::optional<QString>> key = xml.nextKey();
            if (!key) return m_stream.explained(key.error());
            if (!*key) break;
            if (**key == TDBackupEntitiesKey && xml.atDictionary()) {
                sawEntities = true;
                if (Status s = p_readEntities(); !s.ok()) return s;
                continue;
            }
            Result<QVariant> value = xml.readValue();
            if (!value) return m_stream.explained(value.error());
            if (**key == TDBackupEntitiesKey) {
                p_note(QStringLiteral("\"%1\" has the wrong type").arg(**key));
                continue;
            }
            if (!rootTypes.contains(**key)) {
                p_note(QStringLiteral("unknown key \"%1\"").arg(**key));
                continue;
            }
            int type = value->metaType().id();
            // A version written as a whole number is still a version.
            if (**key == TDBackupLibraryVersionKey && type == QMetaType::LongLong) type = QMetaType::Double;
            if (type != rootTypes.value(**key)) {
                p_note(QStringLiteral("\"%1\" has the wrong type").arg(**key));
                continue;
            }
            m_summary.header.insert(**key, *value);
        }
        if (Status s = xml.end(); !s.ok()) return m_stream.explained(s.error());

        const QVariant version = m_summary.header.value(TDBackupLibraryVersionKey);
        if (!version.isValid() || !sawEntities) {
            p_note(QStringLiteral("the version or the objects are missing"));
        } else if (const double number = version.toDouble(); !std::isfinite(number) || number <= 0.0) {
            p_note(QStringLiteral("the version is not a positive number"));
        } else {
            m_summary.libraryVersion = number;
        }
        if (m_libraries == 0) p_note(QStringLiteral("it holds no library"));
        return {};
    }

    Status p_readEntities() {
        platform::XmlPropertyListStreamReader& xml = m_stream.reader();
        if (Status s = xml.enterDictionary(); !s.ok()) return s;
        while (true) {
            Result<std::optional<QString>> name = xml.nextKey();
            if (!name) return m_stream.explained(name.error());
            if (!*name) return {};
            const platform::EntityDescription* entity = m_model.entity(**name);
            const bool known = entity && !isExcluded(entity);
            if (!known) p_note(QStringLiteral("unknown entity \"%1\"").arg(**name));
            if (!xml.atDictionary()) {
                p_note(QStringLiteral("the objects of \"%1\" are not a dictionary").arg(**name));
                if (Result<QVariant> skipped = xml.readValue(); !skipped)
                    return m_stream.explained(skipped.error());
                continue;
            }
            if (Status s = xml.enterDictionary(); !s.ok()) return s;
            const bool isLibrary = **name == kLibraryEntity;
            QStringList identifiers;
            while (true) {
                Result<std::optional<QString>> identifier = xml.nextKey();
                if (!identifier) return m_stream.explained(identifier.error());
                if (!*identifier) break;
                if (++m_objects > m_limits.maxObjectCount)
                    return backupError(
                        m_path, QStringLiteral("it holds more than %1 objects").arg(m_limits.maxObjectCount));
                if (isLibrary) {
                    Result<QVariant> form = xml.readValue();
                    if (!form) return m_stream.explained(form.error());
                    p_checkObject(**name, **identifier, *form);
                    if (++m_libraries > 1) p_note(QStringLiteral("it holds %1 libraries").arg(m_libraries));
                    m_summary.libraryIdentifier = **identifier;
                    m_summary.library = form->toMap();
                    continue;
                }
                // Only the object's own UID is read: its values are read and checked when it is filled.
                Result<QVariant> uid = p_readUID();
                if (!uid) return m_stream.explained(uid.error());
                p_checkObject(**name, **identifier, *uid);
                identifiers.append(**identifier);
            }
            if (known && !identifiers.isEmpty()) {
                m_summary.objectCount += identifiers.size();
                m_summary.identifiers.append({**name, std::move(identifiers)});
            }
        }
    }

    // The "uid" value of the object dictionary the reader stands at: none when it has no such key, an
    // invalid variant (not a dictionary) when it is something else.
    Result<QVariant> p_readUID() {
        platform::XmlPropertyListStreamReader& xml = m_stream.reader();
        if (!xml.atDictionary()) {
            if (Status s = xml.skipValue(); !s.ok()) return s.error();
            return QVariant();
        }
        if (Status s = xml.enterDictionary(); !s.ok()) return s.error();
        QVariantMap found;
        while (true) {
            Result<std::optional<QString>> key = xml.nextKey();
            if (!key) return key.error();
            if (!*key) return QVariant(found);
            if (**key != kUIDKey) {
                if (Status s = xml.skipValue(); !s.ok()) return s.error();
                continue;
            }
            Result<QVariant> uid = xml.readValue();
            if (!uid) return uid;
            found.insert(kUIDKey, *uid);
        }
    }

    // `form` holds at least the object's "uid", when it has one.
    void p_checkObject(const QString& entity, const QString& identifier, const QVariant& form) {
        if (form.metaType().id() != QMetaType::QVariantMap) {
            p_note(QStringLiteral("an object of \"%1\" is not a dictionary").arg(entity));
            return;
        }
        const QVariant uid = form.toMap().value(kUIDKey);
        if (identifier.isEmpty() || (uid.isValid() && uid != QVariant(identifier)))
            p_note(QStringLiteral("an object of \"%1\" has a bad UID").arg(entity));
        if (m_seen.contains(identifier))
            p_note(QStringLiteral("the UID \"%1\" is used twice").arg(identifier));
        m_seen.insert(identifier);
    }

    const QString m_path;
    const platform::ObjectModel& m_model;
    const TDLibraryBackupLimits m_limits;
    BackupStream m_stream;
    TDLibraryBackupSummary m_summary;
    QSet<QString> m_seen;
    qsizetype m_objects = 0;
    qsizetype m_libraries = 0;
};

}  // namespace

TDLibraryBackupSummary TDReadLibraryBackupSummary(const QString& path, const platform::ObjectModel& model,
                                                  const TDLibraryBackupLimits& limits) {
    return SummaryReader(path, model, limits).read();
}

Status TDReadLibraryBackupObjects(const QString& path, const TDLibraryBackupLimits& limits,
                                  const TDLibraryBackupObjectHandler& take) {
    BackupStream stream(path, limits);
    if (!stream.status().ok()) return stream.status();
    platform::XmlPropertyListStreamReader& xml = stream.reader();
    const auto failed = [&](const TDError& error) { return Status(stream.explained(error)); };
    const TDError notDictionary =
        backupError(path, QStringLiteral("it is not the backup it was a moment ago"));
    if (Status s = xml.begin(); !s.ok()) return failed(s.error());
    if (Status s = xml.enterDictionary(); !s.ok()) return notDictionary;
    while (true) {
        Result<std::optional<QString>> key = xml.nextKey();
        if (!key) return failed(key.error());
        if (!*key) break;
        if (**key != TDBackupEntitiesKey) {
            if (Result<QVariant> skipped = xml.readValue(); !skipped) return failed(skipped.error());
            continue;
        }
        if (Status s = xml.enterDictionary(); !s.ok()) return notDictionary;
        while (true) {
            Result<std::optional<QString>> entity = xml.nextKey();
            if (!entity) return failed(entity.error());
            if (!*entity) break;
            if (Status s = xml.enterDictionary(); !s.ok()) return notDictionary;
            while (true) {
                Result<std::optional<QString>> uid = xml.nextKey();
                if (!uid) return failed(uid.error());
                if (!*uid) break;
                Result<QVariant> form = xml.readValue();
                if (!form) return failed(form.error());
                if (**entity == kLibraryEntity) continue;
                if (form->metaType().id() != QMetaType::QVariantMap) return notDictionary;
                if (Status taken = take(**entity, **uid, form->toMap()); !taken.ok()) return taken;
            }
        }
    }
    if (Status s = xml.end(); !s.ok()) return failed(s.error());
    return {};
}
