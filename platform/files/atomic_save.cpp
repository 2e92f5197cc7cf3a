#include "platform/files/atomic_save.h"

#include "platform/base/log.h"
#include "platform/files/file_error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>

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
    TDError error =
        TDError::make(QFileDevice::RemoveError, QStringLiteral("Could not remove \"%1\".").arg(path));
    error.domain = TDFileErrorDomain;
    return error;
}

// For leftovers of a step that has already succeeded or failed: an item that stays behind takes up room
// but loses nothing, so it is noted rather than reported.
void removeItemLogged(const QString& path) {
    if (Status removed = removeItem(path); !removed)
        logWithLevel(TDLogWarning, "WARNING", "%@", removed.error().description);
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

// Copies a file's contents through the checked writer, so that a full disk fails the copy.
Status copyFile(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        TDError error = TDError::make(
            source.error(), QStringLiteral("Could not read \"%1\": %2").arg(from, source.errorString()));
        error.domain = TDFileErrorDomain;
        return error;
    }
    return writeFileAtomically(to, [&source](QIODevice& device) {
        constexpr qint64 kChunk = 1 << 20;
        while (!source.atEnd()) {
            const QByteArray chunk = source.read(kChunk);
            if (chunk.isEmpty() || device.write(chunk) != chunk.size()) return false;
        }
        return source.error() == QFileDevice::NoError;
    });
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
    if (S_ISREG(info.st_mode)) return copyFile(from, to);
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
        removeItemLogged(to);
        return copied;
    }
    removeItemLogged(from);
    return {};
}

bool exchangeItems(const QString& a, const QString& b) {
    return ::renameat2(AT_FDCWD, nativePath(a).constData(), AT_FDCWD, nativePath(b).constData(),
                       RENAME_EXCHANGE) == 0;
}

// The failure a test armed through AtomicWriteFailure.
struct InjectedFailure {
    std::mutex mutex;
    bool armed = false;
    AtomicWriteStep step = AtomicWriteStep::Write;
    QString pathPart;
    int failures = 0;
};
InjectedFailure g_injection;

bool injectedFailure(AtomicWriteStep step, const QString& path) {
    const std::lock_guard lock(g_injection.mutex);
    if (!g_injection.armed || g_injection.step != step || !path.contains(g_injection.pathPart)) return false;
    ++g_injection.failures;
    return true;
}

// The temporary file as a device. It does not buffer, so a failing write (a full disk) shows at once,
// and it remembers the failure, whatever the caller's writer makes of the answer.
class TemporaryFileDevice final : public QIODevice {
public:
    TemporaryFileDevice(int fd, const QString& path) : m_fd(fd), m_path(path) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    // The errno of the first failed write, 0 when every write went through.
    int failure() const { return m_failure; }
    void fail(int code) {
        if (!m_failure) m_failure = code;
        setErrorString(QString::fromLocal8Bit(std::strerror(m_failure)));
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (!m_failure && injectedFailure(AtomicWriteStep::Write, m_path)) fail(ENOSPC);
        if (m_failure) return -1;
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::write(m_fd, data + done, static_cast<size_t>(size - done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                fail(errno);
                return -1;
            }
            done += n;
        }
        return done;
    }

private:
    int m_fd;
    QString m_path;
    int m_failure = 0;
};

// Writes the contents and flushes them to the disk; the first failure is the answer.
Status fillTemporaryFile(int fd, const QString& path, const std::function<bool(QIODevice&)>& write) {
    TemporaryFileDevice device(fd, path);
    const bool made = write(device);
    // Empty contents never reach writeData, yet an armed write failure must still show.
    if (!device.failure() && injectedFailure(AtomicWriteStep::Write, path)) device.fail(ENOSPC);
    if (device.failure())
        return posixError(device.failure(), QStringLiteral("Could not write \"%1\".").arg(path));
    if (!made)
        return TDError::make(
            TDErrorFileContentsNotMade,
            QStringLiteral("Could not write \"%1\": the contents could not be made.").arg(path));
    if (injectedFailure(AtomicWriteStep::Sync, path))
        return posixError(ENOSPC, QStringLiteral("Could not sync \"%1\".").arg(path));
    // The data and the size are all a new file needs on the disk before its rename.
    if (::fdatasync(fd) != 0) return posixError(errno, QStringLiteral("Could not sync \"%1\".").arg(path));
    return {};
}

}  // namespace

void syncFolderLogged(const QString& folder) {
    if (Status synced = syncFolder(folder); !synced)
        logWithLevel(TDLogWarning, "WARNING", "%@", synced.error().description);
}

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

Status writeFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write,
                           WriteDurability durability) {
    QByteArray temporary = nativePath(path) + ".XXXXXX";
    // mkostemp makes the file readable and writable by its owner only, whatever the umask.
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return posixError(errno, QStringLiteral("Could not write \"%1\".").arg(path));
    Status written = fillTemporaryFile(fd, path, write);
    const int closed = ::close(fd);
    if (written.ok() && closed != 0 && errno != EINTR)
        written = posixError(errno, QStringLiteral("Could not write \"%1\".").arg(path));
    if (written.ok()) {
        if (injectedFailure(AtomicWriteStep::Rename, path))
            written =
                posixError(ENOSPC, QStringLiteral("Could not move the new \"%1\" into place.").arg(path));
        else if (::rename(temporary.constData(), nativePath(path).constData()) != 0)
            written =
                posixError(errno, QStringLiteral("Could not move the new \"%1\" into place.").arg(path));
    }
    if (!written.ok()) {
        ::unlink(temporary.constData());
        return written;
    }
    if (durability == WriteDurability::ContentsOnly) return {};
    return syncFolder(parentFolder(path));
}

Status writeFileAtomically(const QString& path, const QByteArray& data, WriteDurability durability) {
    return writeFileAtomically(
        path, [&data](QIODevice& device) { return device.write(data) == data.size(); }, durability);
}

AtomicWriteFailure::AtomicWriteFailure(AtomicWriteStep step, const QString& pathPart) {
    const std::lock_guard lock(g_injection.mutex);
    g_injection.armed = true;
    g_injection.step = step;
    g_injection.pathPart = pathPart;
    g_injection.failures = 0;
}

AtomicWriteFailure::~AtomicWriteFailure() {
    const std::lock_guard lock(g_injection.mutex);
    g_injection.armed = false;
}

int AtomicWriteFailure::failures() const {
    const std::lock_guard lock(g_injection.mutex);
    return g_injection.failures;
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
        removeItemLogged(tempPath);
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
        removeItemLogged(targetPath);
        if (Status restored = renameItem(backup, targetPath); !restored)
            logWithLevel(TDLogError, "ERROR", "%@", restored.error().description);
        return copied;
    }
    syncFolderLogged(parentFolder(targetPath));
    removeItemLogged(tempPath);
    removeItemLogged(backup);
    return {};
}

}  // namespace platform
