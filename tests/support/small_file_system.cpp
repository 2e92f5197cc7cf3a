#include "tests/support/small_file_system.h"

#include <QByteArray>
#include <QFile>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace {

const QString kFillerName = QStringLiteral(".filler");

}  // namespace

SmallFileSystem::SmallFileSystem(qint64 bytes) {
    if (::geteuid() != 0) {
        m_skipReason = QStringLiteral("mounting a small tmpfs to fill needs root");
        return;
    }
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
    if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.constData()) != 0) {
        m_skipReason = QStringLiteral("could not mount a small tmpfs: %1")
                           .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    m_mounted = true;
}

SmallFileSystem::~SmallFileSystem() {
    if (m_mounted) ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

void SmallFileSystem::fill() {
    const int fd = ::open(QFile::encodeName(filePath(kFillerName)).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const QByteArray page(4096, 'f');
    // Whole pages first, then single bytes for whatever a partly used page leaves.
    for (qsizetype size : {page.size(), qsizetype(1)})
        while (::write(fd, page.constData(), static_cast<size_t>(size)) == size) {
        }
    ::close(fd);
}

void SmallFileSystem::drain() {
    QFile::remove(filePath(kFillerName));
}
