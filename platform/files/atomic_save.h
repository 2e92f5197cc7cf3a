#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>

namespace platform {

// Writes a whole file through a temporary sibling that replaces the target only once everything was
// written and synced, then syncs the folder so the new name survives a crash. When `write` answers
// false (or the disk fails), the old file stays as it was.
Status writeFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write);
Status writeFileAtomically(const QString& path, const QByteArray& data);

// Puts the finished temporary item (a file or a package folder) in the target's place. A file
// replaces the target by one rename; a package is swapped with the old one in a single step where the
// file system can exchange two names, and the old one is then removed; elsewhere the old one is kept
// aside under a backup name until the new one is in place (replaceItemThroughBackup). The temporary
// item must be on the target's volume for the one-step paths (see temporaryDirectoryForAtomicWrite).
Status atomicallySaveTempFile(const QString& tempPath, const QString& targetPath);

// The path taken where no exchange is possible: the target moves to "<target>.old" (or ".old1",
// ".old2", ... when taken), the temporary item is copied to the target, then both the temporary item
// and the backup are removed. When the copy fails, the backup moves back, so the target is whole.
Status replaceItemThroughBackup(const QString& tempPath, const QString& targetPath);

// Flushes a folder's entries (new, renamed and removed names) to the disk.
Status syncFolder(const QString& folderPath);

}  // namespace platform
