#include "platform/files/file_reference.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace platform {

namespace {

constexpr char kMagic[4] = {'O', 'D', 'L', 'R'};
constexpr quint16 kVersion = 1;
constexpr quint16 kRelativeFlag = 0x1;
constexpr int kMaximumDataSize = 64 * 1024;
constexpr quint32 kMaximumPathBytes = 16 * 1024;
// A folder this large is not searched item by item.
constexpr int kMaximumFolderScan = 100000;

struct Stat {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modificationTimeMSecs = 0;
};

std::optional<Stat> statPath(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return std::nullopt;
    return Stat{static_cast<quint64>(info.st_dev), static_cast<quint64>(info.st_ino),
                static_cast<qint64>(info.st_size),
                static_cast<qint64>(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000};
}

TDError dataError(const QString& why) {
    return TDError::make(TDErrorFileReferenceMalformed,
                         QStringLiteral("The file reference could not be read: %1.").arg(why));
}

void writeText(QDataStream& out, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    out << static_cast<quint32>(bytes.size());
    out.writeRawData(bytes.constData(), static_cast<int>(bytes.size()));
}

std::optional<QString> readText(QDataStream& in) {
    quint32 length = 0;
    in >> length;
    if (in.status() != QDataStream::Ok || length > kMaximumPathBytes) return std::nullopt;
    QByteArray bytes(static_cast<qsizetype>(length), Qt::Uninitialized);
    if (in.readRawData(bytes.data(), static_cast<int>(length)) != static_cast<int>(length))
        return std::nullopt;
    QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes) return std::nullopt;  // not valid UTF-8
    return text;
}

}  // namespace

std::optional<FileReference> FileReference::fromPath(const QString& path) {
    if (path.isEmpty()) return std::nullopt;
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const auto info = statPath(absolute);
    if (!info) return std::nullopt;
    FileReference reference;
    reference.m_path = absolute;
    reference.m_device = info->device;
    reference.m_inode = info->inode;
    reference.m_size = info->size;
    reference.m_modificationTimeMSecs = info->modificationTimeMSecs;
    return reference;
}

std::optional<FileReference> FileReference::fromPath(const QString& relativePath, const QString& basePath) {
    if (relativePath.isEmpty() || QDir::isAbsolutePath(relativePath) || !QFileInfo(basePath).isDir())
        return std::nullopt;
    auto reference = fromPath(QDir(basePath).filePath(relativePath));
    if (reference) reference->m_relativePath = QDir::cleanPath(relativePath);
    return reference;
}

QByteArray FileReference::data() const {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::BigEndian);
    out.writeRawData(kMagic, sizeof kMagic);
    out << kVersion << static_cast<quint16>(m_relativePath.isEmpty() ? 0 : kRelativeFlag);
    writeText(out, m_path);
    writeText(out, m_relativePath);
    out << m_device << m_inode << m_size << m_modificationTimeMSecs;
    return bytes;
}

Result<FileReference> FileReference::fromData(const QByteArray& data) {
    if (data.isEmpty()) return dataError(QStringLiteral("no data"));
    if (data.size() > kMaximumDataSize) return dataError(QStringLiteral("too large"));
    QDataStream in(data);
    in.setByteOrder(QDataStream::BigEndian);
    char magic[sizeof kMagic];
    if (in.readRawData(magic, sizeof magic) != sizeof magic ||
        !std::equal(magic, magic + sizeof magic, kMagic))
        return dataError(QStringLiteral("not a file reference"));
    quint16 version = 0, flags = 0;
    in >> version >> flags;
    if (in.status() != QDataStream::Ok) return dataError(QStringLiteral("truncated"));
    if (version > kVersion) return dataError(QStringLiteral("written by a newer version (%1)").arg(version));
    if (version == 0) return dataError(QStringLiteral("unknown version 0"));
    if ((flags & ~kRelativeFlag) != 0) return dataError(QStringLiteral("unknown flags"));

    FileReference reference;
    const auto path = readText(in);
    const auto relativePath = readText(in);
    in >> reference.m_device >> reference.m_inode >> reference.m_size >> reference.m_modificationTimeMSecs;
    if (!path || !relativePath || in.status() != QDataStream::Ok)
        return dataError(QStringLiteral("truncated"));
    if (!in.atEnd()) return dataError(QStringLiteral("unexpected data at its end"));
    if (!QDir::isAbsolutePath(*path) || path->contains(QChar(0)) || relativePath->contains(QChar(0)) ||
        QDir::isAbsolutePath(*relativePath) || ((flags & kRelativeFlag) != 0) == relativePath->isEmpty())
        return dataError(QStringLiteral("malformed paths"));
    reference.m_path = *path;
    reference.m_relativePath = *relativePath;
    return reference;
}

QString FileReference::fullPathRelativeToPath(const QString& basePath) const {
    if (basePath.isEmpty() || m_relativePath.isEmpty()) return p_resolve(m_path);
    if (!QFileInfo(basePath).isDir()) return {};
    return p_resolve(QDir::cleanPath(QDir(basePath).absoluteFilePath(m_relativePath)));
}

QString FileReference::p_resolve(const QString& candidate) const {
    if (QFileInfo::exists(candidate)) return candidate;

    const QFileInfo lost(candidate);
    QDir folder = lost.absoluteDir();
    if (!folder.exists()) return {};
    const QStringList names =
        folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    if (names.size() > kMaximumFolderScan) return {};
    QString sameContents;
    int sameContentsCount = 0;
    for (const QString& name : names) {
        const QString path = folder.filePath(name);
        const auto info = statPath(path);
        if (!info) continue;
        if (info->device == m_device && info->inode == m_inode) return path;
        if (info->size == m_size && info->modificationTimeMSecs == m_modificationTimeMSecs) {
            sameContents = path;
            ++sameContentsCount;
        }
    }
    return sameContentsCount == 1 ? sameContents : QString();
}

}  // namespace platform
