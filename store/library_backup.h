#pragma once

#include "model/library_object.h"
#include "platform/base/error.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariantMap>

#include <functional>

class TDManagedObjectContext;

namespace platform {
class ObjectModel;
}

// The library as one XML property list, keyed by UID: the backups written after every save and the
// file a restore rebuilds a library from (read by library_backup_reader.h).

inline const QString TDBackupFolderName = QStringLiteral("Backup");
inline const QString TDBackupExtension = QStringLiteral("odlbackup");
inline const QString TDBackupFilePrefix = QStringLiteral("backup-");
// A symbolic link to the newest backup, relative so that it survives moving the package.
inline const QString TDLatestBackupLinkName = QStringLiteral("Latest.odlbackup.gz");
inline const QString TDBackupEntitiesKey = QStringLiteral("TDEntities");
inline const QString TDBackupLibraryVersionKey = QStringLiteral("TDLibraryVersion");
inline const QString TDBackupSavedDateKey = QStringLiteral("TDSavedDate");
inline const QString TDBackupSaveIdentifierKey = QStringLiteral("TDSaveIdentifier");
inline const QString TDBackupApplicationShortVersionKey = QStringLiteral("TDApplicationShortVersion");
inline const QString TDBackupApplicationVersionKey = QStringLiteral("TDApplicationVersion");

// "2026-12-09-215300.125" in UTC, so that names sort in the order they were made, also across the
// repeated hour at the end of summer time. The first ten characters are the backup's day.
QString TDBackupTimeStampString(const QDateTime& date);
// "backup-<stamp>.odlbackup".
QString TDBackupFileName(const QDateTime& date);
// The time a backup's file name was stamped with; invalid for a name of another form.
QDateTime TDBackupDateFromFileName(const QString& fileName);

// Every object a backup holds, in the order it lists them: entities not marked excluded that have
// objects, by name, each object under its own entity only, by UID.
struct TDLibraryBackupEntity {
    QString name;
    QList<QPair<QString, const TDLibraryObject*>> objects;
};
using TDLibraryBackupObjects = QList<TDLibraryBackupEntity>;

// The objects of everything the context's store holds; empty when `cancelled` answers true between
// entities; a failed fetch is an error.
Result<TDLibraryBackupObjects> TDLibraryBackupObjectsOf(TDManagedObjectContext& context,
                                                        const std::function<bool()>& cancelled);
// The root keys of a backup other than its objects: versions, the time and an identifier of this save.
QVariantMap TDLibraryBackupHeader(double libraryVersion);

// How a backup file is written: the property list as it is, or its gzip form (the rolling backups,
// named "….odlbackup.gz").
enum class TDBackupCompression { None, Gzip };

// Writes the backup atomically: the file is replaced whole or stays as it was, and no temporary file
// is left behind. Plain, it goes to the file one object at a time, so that no large library is ever
// held twice; gzipped, the text is made in memory and compressed in one go, so that only the small
// compressed form reaches the disk. An error when `cancelled` answers true between entities.
Status TDWriteLibraryBackup(const QVariantMap& header, const TDLibraryBackupObjects& objects,
                            const QString& path, const std::function<bool()>& cancelled,
                            TDBackupCompression compression = TDBackupCompression::None);
