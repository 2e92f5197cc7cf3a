#pragma once

#include "platform/base/error.h"

#include <QStringList>

// Copies "library.sqlite3" and, when present, its "-wal" and "-shm" to "library-<time stamp>.sqlite3"
// and its side files in the package, byte for byte and without opening them, so that the copy reads as
// the same store. When the newest earlier copy holds the same bytes, that one is answered instead of
// another. The paths of the copies, main file first.
Result<QStringList> TDKeepStoreFilesAside(const QString& packagePath);

// Puts a file that could not be read aside as "<base>-<time stamp>.<suffix>" in its folder: moved, or
// copied when `keepOriginal`. Nothing new is made when the newest earlier one holds the same bytes.
// The path of the kept file.
Result<QString> TDKeepFileAside(const QString& path, bool keepOriginal);

// The backups in the package's "Backup" folder, newest first.
QStringList TDLibraryBackupPathsNewestFirst(const QString& packagePath);
// The newest backup in the package's "Backup" folder; empty when there is none.
QString TDNewestLibraryBackupPath(const QString& packagePath);
