#include "store/library_package_swap.h"

#include "platform/base/clock.h"
#include "platform/base/format.h"
#include "platform/base/log.h"
#include "platform/files/atomic_save.h"
#include "platform/files/trash.h"
#include "store/library_backup.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

#include <fcntl.h>

namespace {

bool renameItem(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Names beside the package: the new package while it is built ("."-hidden, named after the package so
// that no other library's is taken for it), and the old one once moved aside ("<name> (before restore
// <stamp>).<suffix>", named for the Trash, where it ends up).
QString restoreLeftoverPrefix(const QString& packagePath) {
    return QLatin1Char('.') + QFileInfo(packagePath).fileName() + QStringLiteral(".restore-");
}

QString asidePrefix(const QString& packagePath) {
    return QFileInfo(packagePath).completeBaseName() + QStringLiteral(" (before restore ");
}

bool exchangeItems(const QString& a, const QString& b) {
    return ::renameat2(AT_FDCWD, QFile::encodeName(a).constData(), AT_FDCWD, QFile::encodeName(b).constData(),
                       RENAME_EXCHANGE) == 0;
}

}  // namespace

QString TDReplacementPackagePath(const QString& packagePath) {
    const QString parent = QFileInfo(packagePath).absolutePath();
    const QString stamped = QDir(parent).filePath(formatString(
        "%@%@", restoreLeftoverPrefix(packagePath), TDBackupTimeStampString(TDClock::currentDateTime())));
    // Never a folder that exists: one left by a stopped replacement may hold a store already.
    QString temporaryPath = stamped;
    for (int n = 2; QFileInfo::exists(temporaryPath) || QFileInfo(temporaryPath).isSymLink(); ++n)
        temporaryPath = stamped + QLatin1Char('-') + QString::number(n);
    return temporaryPath;
}

Status TDSwapPackageIntoPlace(const QString& temporaryPath, const QString& packagePath) {
    const QFileInfo target(packagePath);
    const QString parent = target.absolutePath();
    const QString aside = QDir(parent).filePath(
        formatString("%@%@).%@", asidePrefix(packagePath),
                     TDBackupTimeStampString(TDClock::currentDateTime()), target.suffix()));
    const bool hadOld = target.exists() || target.isSymLink();
    // Where the file system can exchange two names, the package's name never stands empty: the new
    // library takes it in one step and the old one is left under the temporary name.
    if (hadOld && exchangeItems(temporaryPath, packagePath)) {
        platform::syncFolderLogged(parent);
        const QString old = renameItem(temporaryPath, aside) ? aside : temporaryPath;
        const Result<QString> trashed = platform::trashItem(old);
        if (!trashed.ok()) logWithLevel(TDLogError, "ERROR", "Could not trash '%@'", old);
        return {};
    }
    if (hadOld && !renameItem(packagePath, aside)) {
        QDir(temporaryPath).removeRecursively();
        logWithLevel(TDLogError, "ERROR", "Could not trash '%@'", packagePath);
        return TDError::make(TDErrorRestoreNotMovedIntoPlace,
                             QStringLiteral("The library \"%1\" could not be moved aside.").arg(packagePath));
    }
    if (!renameItem(temporaryPath, packagePath)) {
        logWithLevel(TDLogError, "ERROR", "Could not move temporary library to final location '%@': %@",
                     packagePath, temporaryPath);
        if (hadOld) renameItem(aside, packagePath);
        QDir(temporaryPath).removeRecursively();
        platform::syncFolderLogged(parent);
        return TDError::make(
            TDErrorRestoreNotMovedIntoPlace,
            QStringLiteral("The restored library could not be moved to \"%1\".").arg(packagePath));
    }
    platform::syncFolderLogged(parent);
    if (hadOld) {
        const Result<QString> trashed = platform::trashItem(aside);
        // The old library stays beside the new one rather than being lost.
        if (!trashed.ok()) logWithLevel(TDLogError, "ERROR", "Could not trash '%@'", aside);
    }
    return {};
}

void TDRecoverFromInterruptedRestore(const QString& packagePath) {
    const QFileInfo target(packagePath);
    const QDir parent = target.absoluteDir();
    const QString asideStart = asidePrefix(packagePath);
    const QString asideEnd = QStringLiteral(").") + target.suffix();
    QStringList asides;
    QStringList leftovers;
    for (const QString& name :
         parent.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        if (name.startsWith(asideStart) && name.endsWith(asideEnd))
            asides.append(name);
        else if (name.startsWith(restoreLeftoverPrefix(packagePath)))
            leftovers.append(name);
    }
    // Names hold UTC stamps, so the last one is the newest old library.
    if (!target.exists() && !target.isSymLink() && !asides.isEmpty()) {
        const QString newest = parent.filePath(asides.takeLast());
        if (renameItem(newest, packagePath))
            logWithLevel(TDLogInfo, "INFO", "Put '%@' back after an interrupted restore", newest);
        else
            logWithLevel(TDLogError, "ERROR", "Could not put '%@' back after an interrupted restore", newest);
    }
    for (const QString& name : asides + leftovers) {
        const QString path = parent.filePath(name);
        if (platform::trashItem(path).ok())
            logWithLevel(TDLogInfo, "INFO", "Moved '%@', left by an interrupted restore, to the Trash", path);
        else
            logWithLevel(TDLogError, "ERROR", "Could not trash '%@'", path);
    }
}
