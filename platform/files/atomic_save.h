#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <functional>

namespace platform {

// Writes a whole file through a temporary sibling that replaces the target only once everything was
// written and synced, then syncs the folder so the new name survives a crash. Every write, the sync
// and the close are checked: when `write` answers false or any step fails (a full disk), the old file
// stays as it was, the temporary file is removed and the answer is an error. The new file is readable
// and writable by its owner only, whatever the umask and the old file's mode.
// How sure a finished write is to outlive a crash. ContentsOnly skips the folder sync: after a crash the
// name may still point at the previous whole file, never at a partial one. For files that may safely
// lag behind (a record the next write replaces anyway), it saves a flush per write.
enum class WriteDurability { Full, ContentsOnly };

Status writeFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write,
                           WriteDurability durability = WriteDurability::Full);
Status writeFileAtomically(const QString& path, const QByteArray& data,
                           WriteDurability durability = WriteDurability::Full);

// The steps of writeFileAtomically a test can make fail: the contents reaching the temporary file,
// its flush to the disk, its rename into place.
enum class AtomicWriteStep { Write, Sync, Rename };

// While it lives, every writeFileAtomically whose path contains `pathPart` (every one when it is
// empty) fails at `step` with "no space left on device", on any thread. For tests; one at a time.
class AtomicWriteFailure final {
public:
    explicit AtomicWriteFailure(AtomicWriteStep step, const QString& pathPart = {});
    ~AtomicWriteFailure();
    AtomicWriteFailure(const AtomicWriteFailure&) = delete;
    AtomicWriteFailure& operator=(const AtomicWriteFailure&) = delete;

    // How many writes it made fail so far.
    int failures() const;
};

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
// After a step that has already taken place: a folder that could not be synced is logged as a warning,
// since the step stands and only its survival of a crash is in doubt.
void syncFolderLogged(const QString& folderPath);

}  // namespace platform
