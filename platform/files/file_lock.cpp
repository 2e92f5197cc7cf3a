#include "platform/files/file_lock.h"

#include "platform/files/file_error.h"

#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <utility>

namespace platform {

FileLock::FileLock(QString path) : m_path(std::move(path)) {
}

FileLock::~FileLock() {
    unlock();
}

Status FileLock::tryLock() {
    if (m_fd >= 0) return {};
    // Close-on-exec: a program started from here must not inherit the lock.
    const int fd = ::open(QFile::encodeName(m_path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return posixError(errno, QStringLiteral("Could not open the lock file \"%1\".").arg(m_path));
    // flock locks belong to the open file, so a second FileLock in this process is refused as well.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        TDError refused = posixError(error, QStringLiteral("The lock \"%1\" is held.").arg(m_path));
        if (const qint64 holder = recordedHolder(m_path); holder > 0)
            refused.userInfo.insert(QStringLiteral("holderProcessID"), holder);
        return refused;
    }
    const QByteArray pid = QByteArray::number(static_cast<qint64>(::getpid())) + '\n';
    // The process ID only serves messages: a lock whose file cannot take it still holds.
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written =
            ::pwrite(fd, pid.constData(), static_cast<size_t>(pid.size()), 0);
    }
    m_fd = fd;
    return {};
}

void FileLock::unlock() {
    if (m_fd < 0) return;
    // The file stays: removing it would let a process that opened it just before lock a name no one
    // else can see.
    ::close(m_fd);
    m_fd = -1;
}

qint64 FileLock::recordedHolder(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return 0;
    return file.read(32).trimmed().toLongLong();
}

}  // namespace platform
