#include "store/library_backup_organize_operation.h"

#include "platform/base/log.h"
#include "store/library_backup.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSet>

#include <algorithm>

#include <cerrno>
#include <cstring>
#include <unistd.h>

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

    const QString link = folder.filePath(TDLatestBackupLinkName);
    QFile::remove(link);
    if (!names.isEmpty() &&
        ::symlink(QFile::encodeName(names.last()).constData(), QFile::encodeName(link).constData()) != 0)
        logWithLevel(TDLogError, "ERROR", "Could not create symbolic link '%@' to destination '%@': %@", link,
                     names.last(), QString::fromLocal8Bit(std::strerror(errno)));

    const QStringList kept = backupNamesToKeep(names);
    for (const QString& name : names)
        if (!kept.contains(name)) QFile::remove(folder.filePath(name));
}
