#include "platform/files/atomic_save.h"

#include "platform/base/log.h"
#include "platform/files/file_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdio>

namespace platform {

namespace {

QByteArray nativePath(const QString& path) {
    return QFile::encodeName(path);
}

bool lstatPath(const QString& path, struct stat* info) {
    return ::lstat(nativePath(path).constData(), info) == 0;
}

QString parentFolder(const QString& path) {
    return QFileInfo(path).absolutePath();
}

Status removeItem(const QString& path) {
    struct stat info {};
    if (!lstatPath(path, &info))
        return errno == ENOENT ? Status()
                               : posixError(errno, QStringLiteral("Could not look at \"%1\".").arg(path));
    const bool removed = S_ISDIR(info.st_mode) ? QDir(path).removeRecursively() : QFile::remove(path);
    if (removed) return {};
    return TDError::make(0, QStringLiteral("Could not remove \"%1\".").arg(path));
}

Status renameItem(const QString& from, const QString& to) {
    if (::rename(nativePath(from).constData(), nativePath(to).constData()) == 0) return {};
    return posixError(errno, QStringLiteral("Could not move \"%1\" to \"%2\".").arg(from, to));
}

// Flushes a file's contents to the disk, so that a name it is given next never points at lost data.
Status syncFile(const QString& path) {
    const int fd = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return posixError(errno, QStringLiteral("Could not open \"%1\" to sync it.").arg(path));
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (result != 0) return posixError(error, QStringLiteral("Could not sync \"%1\".").arg(path));
    return {};
}

// Copies a file, a symbolic link or a folder tree. Anything else (sockets, pipes, devices) is refused,
// since a package never holds one and reading a pipe could block.
Status copyItem(const QString& from, const QString& to) {
    struct stat info {};
    if (!lstatPath(from, &info))
        return posixError(errno, QStringLiteral("Could not look at \"%1\".").arg(from));
    if (S_ISLNK(info.st_mode)) {
        char link[PATH_MAX];
        const ssize_t length = ::readlink(nativePath(from).constData(), link, sizeof link);
        if (length == static_cast<ssize_t>(sizeof link)) errno = ENAMETOOLONG;
        if (length < 0 || length == static_cast<ssize_t>(sizeof link) ||
            ::symlink(QByteArray(link, static_cast<int>(length)).constData(), nativePath(to).constData()) !=
                0)
            return posixError(errno,
                              QStringLiteral("Could not copy the link \"%1\" to \"%2\".").arg(from, to));
        return {};
    }
    if (S_ISREG(info.st_mode)) {
        QFile source(from);
        if (!source.copy(to))
            return TDError::make(
                0, QStringLiteral("Could not copy \"%1\" to \"%2\": %3").arg(from, to, source.errorString()));
        return syncFile(to);
    }
    if (!S_ISDIR(info.st_mode))
        return posixError(ENOTSUP, QStringLiteral("Could not copy the special file \"%1\".").arg(from));
    if (::mkdir(nativePath(to).constData(), info.st_mode & 07777) != 0)
        return posixError(errno, QStringLiteral("Could not make the folder \"%1\".").arg(to));
    const QStringList names =
        QDir(from).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (Status copied = copyItem(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name); !copied)
            return copied;
    }
    return syncFolder(to);
}

// Moves an item, copying it where the rename would cross volumes.
Status moveItem(const QString& from, const QString& to) {
    if (::rename(nativePath(from).constData(), nativePath(to).constData()) == 0) return {};
    if (errno != EXDEV)
        return posixError(errno, QStringLiteral("Could not move \"%1\" to \"%2\".").arg(from, to));
    if (Status copied = copyItem(from, to); !copied) {
        removeItem(to);
        return copied;
    }
    removeItem(from);
    return {};
}

bool exchangeItems(const QString& a, const QString& b) {
    return ::renameat2(AT_FDCWD, nativePath(a).constData(), AT_FDCWD, nativePath(b).constData(),
                       RENAME_EXCHANGE) == 0;
}

void syncFolderLogged(const QString& folder) {
    if (Status synced = syncFolder(folder); !synced)
        logWithLevel(TDLogWarning, "WARNING", "%@", synced.error().description);
}

}  // namespace

Status syncFolder(const QString& folderPath) {
    const int fd = ::open(nativePath(folderPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return posixError(errno,
                          QStringLiteral("Could not open the folder \"%1\" to sync it.").arg(folderPath));
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (result != 0)
        return posixError(error, QStringLiteral("Could not sync the folder \"%1\".").arg(folderPath));
    return {};
}

Status writeFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return TDError::make(0, QStringLiteral("Could not write \"%1\": %2").arg(path, file.errorString()));
    if (!write(file)) {
        file.cancelWriting();
        return TDError::make(
            0, QStringLiteral("Could not write \"%1\": the contents could not be made.").arg(path));
    }
    if (!file.commit())
        return TDError::make(0, QStringLiteral("Could not write \"%1\": %2").arg(path, file.errorString()));
    return syncFolder(parentFolder(path));
}

Status writeFileAtomically(const QString& path, const QByteArray& data) {
    return writeFileAtomically(path,
                               [&data](QIODevice& device) { return device.write(data) == data.size(); });
}

Status atomicallySaveTempFile(const QString& tempPath, const QString& targetPath) {
    struct stat temp {};
    struct stat target {};
    if (!lstatPath(tempPath, &temp))
        return posixError(errno, QStringLiteral("The temporary item \"%1\" is missing.").arg(tempPath));
    // The data first, then the name: a crash must not leave the name on an empty file.
    if (S_ISREG(temp.st_mode)) {
        if (Status synced = syncFile(tempPath); !synced) return synced;
    }
    if (!lstatPath(targetPath, &target)) {
        if (errno != ENOENT)
            return posixError(errno, QStringLiteral("Could not look at \"%1\".").arg(targetPath));
        if (Status moved = moveItem(tempPath, targetPath); !moved) return moved;
        syncFolderLogged(parentFolder(targetPath));
        return {};
    }
    if (!S_ISDIR(temp.st_mode) && !S_ISDIR(target.st_mode) &&
        ::rename(nativePath(tempPath).constData(), nativePath(targetPath).constData()) == 0) {
        syncFolderLogged(parentFolder(targetPath));
        return {};
    }
    if (exchangeItems(tempPath, targetPath)) {
        syncFolderLogged(parentFolder(targetPath));
        // The temporary name now holds the old item; failing to remove it loses nothing.
        if (Status removed = removeItem(tempPath); !removed)
            logWithLevel(TDLogWarning, "WARNING", "%@", removed.error().description);
        return {};
    }
    return replaceItemThroughBackup(tempPath, targetPath);
}

Status replaceItemThroughBackup(const QString& tempPath, const QString& targetPath) {
    if (!QFileInfo::exists(tempPath) && !QFileInfo(tempPath).isSymLink())
        return posixError(ENOENT, QStringLiteral("The temporary item \"%1\" is missing.").arg(tempPath));
    QString backup = targetPath + QStringLiteral(".old");
    for (long n = 1; QFileInfo::exists(backup) || QFileInfo(backup).isSymLink(); ++n)
        backup = targetPath + QStringLiteral(".old%1").arg(n);

    if (Status moved = renameItem(targetPath, backup); !moved) return moved;
    if (Status copied = copyItem(tempPath, targetPath); !copied) {
        removeItem(targetPath);
        if (Status restored = renameItem(backup, targetPath); !restored)
            logWithLevel(TDLogError, "ERROR", "%@", restored.error().description);
        return copied;
    }
    syncFolderLogged(parentFolder(targetPath));
    removeItem(tempPath);
    removeItem(backup);
    return {};
}

}  // namespace platform
