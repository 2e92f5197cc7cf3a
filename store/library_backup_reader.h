#pragma once

#include "platform/base/error.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

namespace platform {
class ObjectModel;
}

// Reading a backup (library_backup.h) as a stream: gunzipped a piece at a time when the path ends with
// ".gz" and parsed a value at a time, so that only one object's dictionary is held at once. A restore
// reads it twice: first what it holds, then its objects.

// Backups from outside are refused beyond these: the compressed file, the property list it holds and
// the number of objects.
struct TDLibraryBackupLimits {
    qsizetype maxCompressedSize = 64 * 1024 * 1024;
    qsizetype maxPropertyListSize = 512 * 1024 * 1024;
    qsizetype maxObjectCount = 2'000'000;
};

// What a backup holds, read and checked without keeping its objects' dictionaries: the root keys and
// their types, a positive version, exactly one Library object, entities of the model that backups hold,
// UID keys that agree with the objects' own "uid" and are used once, dictionaries throughout.
struct TDLibraryBackupSummary {
    QVariantMap header;  // the root keys other than the objects
    // 0 when the backup has none that can be read. Read even past other problems, so that a backup of a
    // newer version is told apart from a broken one.
    double libraryVersion = 0.0;
    QString libraryIdentifier;
    QVariantMap library;  // the one Library object's dictionary form
    // The UIDs of every other object, by entity, in the order the backup lists them.
    QList<QPair<QString, QStringList>> identifiers;
    qsizetype objectCount = 0;
    // The first thing found wrong with the backup, if any.
    Status problem;
};

TDLibraryBackupSummary TDReadLibraryBackupSummary(const QString& path, const platform::ObjectModel& model,
                                                  const TDLibraryBackupLimits& limits = {});

// Hands each object of the backup other than the Library object to `take` (entity name, UID, dictionary
// form) as it is read, in the order of the summary's identifiers. Stops at the first error, of the
// file or of `take`.
using TDLibraryBackupObjectHandler =
    std::function<Status(const QString& entity, const QString& uid, const QVariantMap& form)>;
Status TDReadLibraryBackupObjects(const QString& path, const TDLibraryBackupLimits& limits,
                                  const TDLibraryBackupObjectHandler& take);
