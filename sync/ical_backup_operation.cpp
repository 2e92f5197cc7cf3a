#include "sync/ical_backup_operation.h"

#include "language/date_additions.h"
#include "platform/base/clock.h"
#include "platform/calendarstore/calendar_store.h"
#include "platform/files/atomic_save.h"
#include "platform/plist/property_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

constexpr int kBackupFailed = 620;

TDError backupError(const QString& description) {
    return TDError::make(kBackupFailed, description);
}

// Caches, sync state, mail and earlier backups are not the user's calendars.
bool isExcluded(const QString& name) {
    for (const char* prefix : {"Calendar Cache", "Calendar Sync", ".DS_Store", "Email Cache", "Incoming"})
        if (name.startsWith(QLatin1String(prefix))) return true;
    return name.endsWith(QLatin1String(".icbu"));
}

// Copies the folder's content; symbolic links stay links, pointing where they pointed.
Status copyFolder(const QString& source, const QString& target) {
    if (!QDir().mkpath(target))
        return backupError(QStringLiteral("Could not make the folder \"%1\".").arg(target));
    const QFileInfoList entries =
        QDir(source).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (isExcluded(entry.fileName())) continue;
        const QString to = target + QLatin1Char('/') + entry.fileName();
        if (entry.isSymLink()) {
            char link[4096];
            const ssize_t length =
                ::readlink(QFile::encodeName(entry.filePath()).constData(), link, sizeof link);
            if (length < 0 || length == ssize_t(sizeof link) ||
                ::symlink(QByteArray(link, length).constData(), QFile::encodeName(to).constData()) != 0)
                return backupError(QStringLiteral("Could not copy the link \"%1\".").arg(entry.filePath()));
        } else if (entry.isDir()) {
            if (const Status copied = copyFolder(entry.filePath(), to); !copied) return copied;
        } else if (entry.isFile()) {
            if (!QFile::copy(entry.filePath(), to))
                return backupError(QStringLiteral("Could not copy \"%1\".").arg(entry.filePath()));
        }
    }
    return {};
}

bool isInside(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// The folder as it will be once made: its existing part with links resolved, the rest as given.
QString resolvedFolder(const QString& folder) {
    QString existing = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    QString rest;
    while (!QFileInfo::exists(existing)) {
        rest.prepend(QLatin1Char('/') + QFileInfo(existing).fileName());
        existing = QFileInfo(existing).absolutePath();
    }
    return QFileInfo(existing).canonicalFilePath() + rest;
}

}  // namespace

QString TDiCalBackupOperation::proposedBackupFilename(bool withTimestamp) {
    const QDateTime now = TDClock::currentDateTime();
    return QStringLiteral("Calendars Backup %1.icbu")
        .arg(withTimestamp ? dates::timeStampString(now) : dates::dateStampString(now));
}

void TDiCalBackupOperation::main() {
    const Status status = p_backup();
    if (status) {
        m_error.reset();
    } else {
        m_error = status.error();
    }
}

Status TDiCalBackupOperation::p_backup() {
    const QString source = QFileInfo(platform::CalendarStore::defaultStore().rootPath()).canonicalFilePath();
    if (source.isEmpty()) return backupError(QStringLiteral("There is no calendar folder to back up."));
    QString folder;
    QString name;
    if (m_backupPath.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                 QStringLiteral("/Calendar Backups");
        name = proposedBackupFilename(true);
    } else {
        folder = QFileInfo(m_backupPath).absolutePath();
        name = QFileInfo(m_backupPath).fileName();
    }
    // A backup inside what it copies would copy itself.
    if (isInside(resolvedFolder(folder), source))
        return backupError(QStringLiteral("A calendar backup cannot be kept inside the calendar folder."));

    // The first folder that does not exist yet goes again when the backup fails.
    QString created;
    for (QString missing = QDir::cleanPath(QFileInfo(folder).absoluteFilePath()); !QFileInfo::exists(missing);
         missing = QFileInfo(missing).absolutePath())
        created = missing;
    const auto fail = [&](const TDError& error) -> Status {
        if (!created.isEmpty()) QDir(created).removeRecursively();
        return error;
    };
    if (!QDir().mkpath(folder))
        return fail(backupError(QStringLiteral("Could not make the folder \"%1\".").arg(folder)));
    QTemporaryDir temporary(folder + QStringLiteral("/.icbu-XXXXXX"));
    if (!temporary.isValid())
        return fail(backupError(QStringLiteral("Could not make a temporary folder in \"%1\".").arg(folder)));
    const QString package = temporary.filePath(name);
    if (const Status copied = copyFolder(source, package + QStringLiteral("/Calendars")); !copied)
        return fail(copied.error());
    const QVariantMap info{{QStringLiteral("date"), TDClock::currentDateTime()},
                           {QStringLiteral("version"), QStringLiteral("2.0")}};
    if (const Status written = platform::writePropertyListFile(package + QStringLiteral("/Info.plist"), info);
        !written)
        return fail(backupError(
            QStringLiteral("Could not write the backup's Info.plist: %1").arg(written.error().description)));

    const QString target = folder + QLatin1Char('/') + name;
    // An older package of the same name is set aside first, and removed once the new one is in place.
    const QString aside = temporary.filePath(QStringLiteral("replaced"));
    const bool replacing = QFileInfo::exists(target);
    if (replacing && !QDir().rename(target, aside))
        return fail(backupError(QStringLiteral("Could not replace \"%1\".").arg(target)));
    if (!QDir().rename(package, target)) {
        if (replacing) QDir().rename(aside, target);
        return fail(backupError(QStringLiteral("Could not move the backup to \"%1\".").arg(target)));
    }
    platform::syncFolderLogged(folder);
    m_backupPath = target;
    return {};
}
