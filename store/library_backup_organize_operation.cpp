#include "store/library_backup_organize_operation.h"

#include "platform/base/log.h"
#include "platform/files/atomic_save.h"
#include "store/library_backup.h"
#include "store/library_backup_check.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <array>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstring>

namespace {

constexpr int kNewestKept = 5;
constexpr int kDaysKept = 7;

bool isFinishedBackupName(const QString& name) {
    const QString extension = QLatin1Char('.') + TDBackupExtension;
    return name.startsWith(TDBackupFilePrefix) &&
           (name.endsWith(extension) || name.endsWith(extension + QStringLiteral(".gz")));
}

QString dayOf(const QString& name) {
    return name.mid(TDBackupFilePrefix.size(), 10);
}

// The backups this process already read back whole, by where they lie on disk. A backup is written
// once under a new name and never changed in place, so one reading is enough: without this, pruning
// would inflate up to twelve large backups after every save.
class WholeBackups final {
public:
    bool readsBack(const QString& path) {
        struct stat info {};
        if (::stat(QFile::encodeName(path).constData(), &info) != 0) return false;
        const Identity identity{static_cast<qint64>(info.st_dev), static_cast<qint64>(info.st_ino),
                                static_cast<qint64>(info.st_size), static_cast<qint64>(info.st_mtim.tv_sec),
                                static_cast<qint64>(info.st_mtim.tv_nsec)};
        {
            const std::lock_guard lock(m_mutex);
            if (m_whole.value(path) == identity) return true;
        }
        if (!TDBackupFileReadsBack(path)) return false;
        const std::lock_guard lock(m_mutex);
        m_whole.insert(path, identity);
        return true;
    }
    void forget(const QString& path) {
        const std::lock_guard lock(m_mutex);
        m_whole.remove(path);
    }

private:
    using Identity = std::array<qint64, 5>;
    std::mutex m_mutex;
    QHash<QString, Identity> m_whole;
};

WholeBackups& wholeBackups() {
    static WholeBackups backups;
    return backups;
}

}  // namespace

QStringList TDLibraryBackupOrganizeOperation::backupNamesToKeep(QStringList names) {
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    QMap<QString, QString> newestOfDay;  // sorted by day
    for (const QString& name : names) newestOfDay.insert(dayOf(name), name);
    QStringList days = newestOfDay.keys();
    if (!days.isEmpty()) days.removeLast();
    if (days.size() > kDaysKept) days = days.mid(days.size() - kDaysKept);
    QSet<QString> keep;
    for (const QString& day : days) keep.insert(newestOfDay.value(day));
    for (qsizetype i = std::max<qsizetype>(0, names.size() - kNewestKept); i < names.size(); ++i)
        keep.insert(names.at(i));
    QStringList kept;
    for (const QString& name : names)
        if (keep.contains(name)) kept.append(name);
    return kept;
}

void TDLibraryBackupOrganizeOperation::main() {
    const QDir folder(QDir(m_libraryPath).filePath(TDBackupFolderName));
    QStringList names;
    for (const QString& name : folder.entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::System)) {
        if (!name.startsWith(TDBackupFilePrefix)) continue;
        if (isFinishedBackupName(name)) {
            names.append(name);
            continue;
        }
        // A temporary file of a backup killed while it was written: the export queue runs one
        // operation at a time, so no backup is being written now.
        if (QFile::remove(folder.filePath(name)))
            logWithLevel(TDLogInfo, "INFO", "Removed '%@', left by an unfinished backup", name);
    }
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });

    const QStringList kept = p_readableBackupsToKeep(folder, names);
    // A backup whose compression failed stays uncompressed; the link's name promises a compressed one.
    const auto newestCompressed = std::find_if(kept.crbegin(), kept.crend(), [](const QString& name) {
        return name.endsWith(QStringLiteral(".gz"));
    });
    p_pointLatestLinkAt(folder, newestCompressed == kept.crend() ? QString() : *newestCompressed);
    for (const QString& name : names) {
        if (kept.contains(name)) continue;
        QFile::remove(folder.filePath(name));
        wholeBackups().forget(folder.filePath(name));
    }
}

QStringList TDLibraryBackupOrganizeOperation::p_readableBackupsToKeep(const QDir& folder, QStringList names) {
    // Only the backups that would be kept are read, each at most once: an unreadable one leaves the
    // set, and an older backup may take its place.
    QSet<QString> readable;
    for (;;) {
        const QStringList kept = backupNamesToKeep(names);
        const auto unreadable = std::find_if(kept.crbegin(), kept.crend(), [&](const QString& name) {
            if (readable.contains(name)) return false;
            if (!wholeBackups().readsBack(folder.filePath(name))) return true;
            readable.insert(name);
            return false;
        });
        if (unreadable == kept.crend()) return kept;
        logWithLevel(TDLogWarning, "WARNING", "Removing the unreadable backup '%@'", *unreadable);
        names.removeOne(*unreadable);
    }
}

void TDLibraryBackupOrganizeOperation::p_pointLatestLinkAt(const QDir& folder, const QString& newest) {
    const QString link = folder.filePath(TDLatestBackupLinkName);
    if (newest.isEmpty()) {
        QFile::remove(link);
        return;
    }
    const QByteArray destination = QFile::encodeName(newest);
    const QByteArray nativeLink = QFile::encodeName(link);
    char current[PATH_MAX];
    const ssize_t length = ::readlink(nativeLink.constData(), current, sizeof current);
    if (length >= 0 && QByteArray(current, length) == destination) return;
    // The new link is made under a name of its own and renamed over the old one, so that a pruning
    // killed at any moment leaves the old link or the new one, never none.
    const QString made = folder.filePath(QLatin1Char('.') + TDLatestBackupLinkName + QStringLiteral(".new"));
    QFile::remove(made);
    const QByteArray nativeMade = QFile::encodeName(made);
    if (::symlink(destination.constData(), nativeMade.constData()) != 0 ||
        ::rename(nativeMade.constData(), nativeLink.constData()) != 0) {
        logWithLevel(TDLogError, "ERROR", "Could not create symbolic link '%@' to destination '%@': %@", link,
                     newest, QString::fromLocal8Bit(std::strerror(errno)));
        QFile::remove(made);
        return;
    }
    if (const Status synced = platform::syncFolder(folder.path()); !synced.ok())
        logWithLevel(TDLogWarning, "WARNING", "%@", synced.error().description);
}
