#include "store/library_files_aside.h"

#include "language/date_additions.h"
#include "platform/base/clock.h"
#include "platform/files/atomic_save.h"
#include "platform/files/file_error.h"
#include "store/library_backup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace {

const QString kStoreFileName = QStringLiteral("library.sqlite3");
const QStringList kStoreSideSuffixes{QStringLiteral("-wal"), QStringLiteral("-shm")};

bool sameBytes(const QString& a, const QString& b) {
    QFile first(a), second(b);
    if (first.exists() != second.exists()) return false;
    if (!first.exists()) return true;
    if (first.size() != second.size()) return false;
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly)) return false;
    constexpr qint64 kChunk = 1024 * 1024;
    while (!first.atEnd())
        if (first.read(kChunk) != second.read(kChunk)) return false;
    return true;
}

Status syncFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int error = errno;
        if (fd >= 0) ::close(fd);
        return platform::posixError(error, QStringLiteral("Could not sync \"%1\".").arg(path));
    }
    ::close(fd);
    return {};
}

Status copyFile(const QString& from, const QString& to) {
    QFile source(from);
    if (!source.copy(to)) {
        TDError error = TDError::make(
            source.error(),
            QStringLiteral("Could not copy \"%1\" to \"%2\": %3").arg(from, to, source.errorString()));
        error.domain = platform::TDFileErrorDomain;
        return error;
    }
    return syncFile(to);
}

// "<base>-<stamp><extra>.<suffix>": names sort by the time they were made.
QString keptName(const QString& base, const QString& suffix, int attempt) {
    const QString stamp = dates::timeStampString(TDClock::currentDateTime());
    const QString extra = attempt > 1 ? QStringLiteral("_%1").arg(attempt) : QString();
    return QStringLiteral("%1-%2%3.%4").arg(base, stamp, extra, suffix);
}

// The newest file of the folder whose name is "<base>-….<suffix>".
QString newestKept(const QDir& folder, const QString& base, const QString& suffix) {
    const QStringList names =
        folder.entryList({base + QStringLiteral("-*.") + suffix}, QDir::Files, QDir::Name);
    return names.isEmpty() ? QString() : folder.filePath(names.last());
}

}  // namespace

Result<QStringList> TDKeepStoreFilesAside(const QString& packagePath) {
    const QDir package(packagePath);
    const QString store = package.filePath(kStoreFileName);
    const QString base = QFileInfo(kStoreFileName).completeBaseName();
    const QString suffix = QFileInfo(kStoreFileName).suffix();
    const auto withSides = [](const QString& main) {
        QStringList paths{main};
        for (const QString& side : kStoreSideSuffixes) paths << main + side;
        return paths;
    };
    // A library that fails at every start keeps one copy, not one per start. The "-shm" is only an
    // index SQLite rebuilds from the other two.
    const QString previous = newestKept(package, base, suffix);
    if (!previous.isEmpty() && sameBytes(store, previous) &&
        sameBytes(store + kStoreSideSuffixes.first(), previous + kStoreSideSuffixes.first())) {
        QStringList kept;
        for (const QString& path : withSides(previous))
            if (QFileInfo::exists(path)) kept << path;
        return kept;
    }
    QString target;
    for (int attempt = 1; target.isEmpty() || QFileInfo::exists(target); ++attempt)
        target = package.filePath(keptName(base, suffix, attempt));
    const QStringList sources = withSides(store);
    const QStringList targets = withSides(target);
    QStringList kept;
    for (qsizetype i = 0; i < sources.size(); ++i) {
        if (!QFileInfo::exists(sources[i])) continue;
        if (Status copied = copyFile(sources[i], targets[i]); !copied) {
            for (const QString& path : kept) QFile::remove(path);
            QFile::remove(targets[i]);
            return copied.error();
        }
        kept << targets[i];
    }
    if (Status synced = platform::syncFolder(packagePath); !synced) return synced.error();
    return kept;
}

Result<QString> TDKeepFileAside(const QString& path, bool keepOriginal) {
    const QFileInfo info(path);
    const QDir folder = info.absoluteDir();
    const QString previous = newestKept(folder, info.completeBaseName(), info.suffix());
    if (!previous.isEmpty() && sameBytes(path, previous)) {
        if (!keepOriginal) QFile::remove(path);
        return previous;
    }
    QString target;
    for (int attempt = 1; target.isEmpty() || QFileInfo::exists(target); ++attempt)
        target = folder.filePath(keptName(info.completeBaseName(), info.suffix(), attempt));
    if (keepOriginal) {
        if (Status copied = copyFile(path, target); !copied) return copied.error();
    } else if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(target).constData()) != 0) {
        return platform::posixError(errno,
                                    QStringLiteral("Could not move \"%1\" to \"%2\".").arg(path, target));
    }
    platform::syncFolderLogged(folder.absolutePath());
    return target;
}

QStringList TDLibraryBackupPathsNewestFirst(const QString& packagePath) {
    const QDir folder(QDir(packagePath).filePath(TDBackupFolderName));
    // Names hold UTC stamps, so they sort newest last.
    const QStringList names = folder.entryList({TDBackupFilePrefix + QLatin1Char('*')},
                                               QDir::Files | QDir::NoSymLinks, QDir::Name | QDir::Reversed);
    QStringList paths;
    for (const QString& name : names) paths.append(folder.filePath(name));
    return paths;
}

QString TDNewestLibraryBackupPath(const QString& packagePath) {
    return TDLibraryBackupPathsNewestFirst(packagePath).value(0);
}
