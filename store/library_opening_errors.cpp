#include "store/library_opening_errors.h"

#include "foundation/application_delegate.h"
#include "platform/files/file_error.h"
#include "platform/objectstore/object_store_error.h"
#include "store/library_backup.h"
#include "store/library_backup_check.h"
#include "store/library_files_aside.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <cerrno>

namespace {

class AppDelegateRecoveryAttempter final : public TDErrorRecoveryAttempter {
public:
    bool attemptRecovery(const TDError& error, int optionIndex) override {
        return TDAppDelegate().attemptRecoveryFromError(error, optionIndex);
    }
};

QString tr(const char* text) {
    return QCoreApplication::translate("TDLibraryManager", text);
}

QStringList quitOnly() {
    return {tr("Quit")};
}

// Below this much room a failed write is taken for a full disk.
constexpr qint64 kNearlyFullBytes = 1024 * 1024;

// The folder itself, or the nearest folder above it that exists (a library not made yet).
QString existingFolder(const QString& folder) {
    QFileInfo info(folder);
    while (!info.exists() && !info.isRoot() && info.absolutePath() != info.absoluteFilePath())
        info = QFileInfo(info.absolutePath());
    return info.absoluteFilePath();
}

bool saysDiskFull(const TDError& error) {
    if (error.userInfo.value(platform::ObjectStoreSQLiteCodeKey).toInt() == SQLITE_FULL) return true;
    return error.domain == platform::TDPosixErrorDomain && (error.code == ENOSPC || error.code == EDQUOT);
}

// A failure to read or write a file, which a full disk explains, as opposed to contents found wrong.
bool isInputOutputFailure(const TDError& error) {
    const int sqliteCode = error.userInfo.value(platform::ObjectStoreSQLiteCodeKey).toInt();
    return sqliteCode == SQLITE_IOERR || sqliteCode == SQLITE_CANTOPEN ||
           error.domain == platform::TDPosixErrorDomain || error.domain == platform::TDFileErrorDomain;
}

qint64 bytesAvailable(const QString& folder) {
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(folder).constData(), &info) != 0) return -1;
    return static_cast<qint64>(info.f_bavail) * static_cast<qint64>(info.f_frsize);
}

// What follows the first sentence when the store's files were, or could not be, copied aside.
QString keptAsideSentence(const Result<QStringList>& keptAside) {
    if (keptAside.ok()) return tr("Its files were copied, unchanged, to \"%1\".").arg(keptAside->value(0));
    return tr("Its files could not be copied aside (%1); nothing in them was changed.")
        .arg(keptAside.error().description);
}

void addRecoveryInformation(TDError& error, const QString& packagePath,
                            const Result<QStringList>& keptAside) {
    error.userInfo.insert(TDLibraryPathKey, packagePath);
    if (keptAside.ok()) error.userInfo.insert(TDKeptAsideFilesKey, *keptAside);
    // A backup cut short would fail the restore and be offered again: only one that reads back is offered.
    const QStringList backups = TDLibraryBackupPathsNewestFirst(packagePath);
    for (const QString& backup : backups) {
        if (!TDBackupFileReadsBack(backup)) continue;
        QDateTime made = TDBackupDateFromFileName(QFileInfo(backup).fileName());
        if (!made.isValid()) made = QFileInfo(backup).lastModified();
        error.userInfo.insert(TDNewestBackupKey, backup);
        error.userInfo.insert(TDNewestBackupDateKey, made);
        return;
    }
    if (!backups.isEmpty())
        error.recoverySuggestion +=
            QLatin1Char(' ') +
            tr("No backup of it reads back whole (%1 tried), so it cannot be restored from one.")
                .arg(backups.size());
}

}  // namespace

TDError TDLibraryOpeningError(int code, const QString& suggestion, const QStringList& options) {
    TDError error = TDError::make(code, tr("Cannot open library"), suggestion);
    error.recoveryOptions = options;
    error.recoveryAttempter = std::make_shared<AppDelegateRecoveryAttempter>();
    return error;
}

TDError TDCorruptLibraryError() {
    return TDLibraryOpeningError(TDErrorLibraryCannotOpen,
                                 tr("The library you're trying to open is corrupted or invalid. "
                                    "Contact Vantorel support if you need help."),
                                 quitOnly());
}

TDError TDLibraryPermissionError() {
    return TDLibraryOpeningError(TDErrorLibraryCannotOpen,
                                 tr("Ordello does not have permission to access your library."), quitOnly());
}

TDError TDLibraryInUseError(const QString& packagePath, qint64 holderProcessID) {
    const QString suggestion =
        holderProcessID > 0
            ? tr("The library \"%1\" is open in another Ordello (process %2). Quit that Ordello, then open "
                 "the library again.")
                  .arg(packagePath)
                  .arg(holderProcessID)
            : tr("The library \"%1\" is open in another Ordello. Quit that Ordello, then open the library "
                 "again.")
                  .arg(packagePath);
    TDError error = TDLibraryOpeningError(TDErrorLibraryInUse, suggestion, quitOnly());
    error.userInfo.insert(TDLibraryPathKey, packagePath);
    return error;
}

TDError TDDamagedLibraryError(const QString& packagePath, const Result<QStringList>& keptAside) {
    TDError error = TDLibraryOpeningError(
        TDErrorLibraryCannotOpen,
        tr("The library you're trying to open is corrupted or invalid. %1 Contact Vantorel support if you "
           "need help.")
            .arg(keptAsideSentence(keptAside)),
        quitOnly());
    addRecoveryInformation(error, packagePath, keptAside);
    return error;
}

TDError TDLostSavesLibraryError(const QString& packagePath, qint64 storedSaves, qint64 recordedSaves,
                                const Result<QStringList>& keptAside) {
    TDError error = TDLibraryOpeningError(
        TDErrorLibraryLostSaves,
        tr("The library has lost its most recent changes: %1 of the %2 saves made to it are missing from its "
           "store. %3 Contact Vantorel support if you need help.")
            .arg(recordedSaves - storedSaves)
            .arg(recordedSaves)
            .arg(keptAsideSentence(keptAside)),
        quitOnly());
    addRecoveryInformation(error, packagePath, keptAside);
    // Without a backup to go back to, what the store still holds is the best there is.
    if (!error.userInfo.contains(TDNewestBackupKey)) {
        error.recoveryOptions.append(TDOpenAsItIsOption());
        error.recoverySuggestion += QLatin1Char(' ') + tr("You may open the library as it is.");
    }
    return error;
}

QString TDOpenAsItIsOption() {
    return tr("Open as it is");
}

std::optional<TDError> TDLibraryEnvironmentError(const QString& folder, const TDError& underlying) {
    const QString existing = existingFolder(folder);
    std::optional<TDError> error;
    if (::access(QFile::encodeName(existing).constData(), W_OK) != 0) {
        const QString suggestion =
            errno == EROFS
                ? tr("Ordello cannot write in the folder \"%1\": the disk holding it is read-only.")
                : tr("Ordello cannot write in the folder \"%1\": it is read-only.");
        error = TDLibraryOpeningError(TDErrorLibraryFolderReadOnly, suggestion.arg(existing), quitOnly());
    } else if (saysDiskFull(underlying) ||
               (isInputOutputFailure(underlying) && bytesAvailable(existing) >= 0 &&
                bytesAvailable(existing) < kNearlyFullBytes)) {
        error = TDLibraryOpeningError(
            TDErrorLibraryDiskFull,
            tr("The disk holding \"%1\" is full. Make room on it, then open Ordello again.").arg(existing),
            quitOnly());
    }
    if (error) {
        error->userInfo.insert(TDLibraryPathKey, folder);
        error->userInfo.insert(QStringLiteral("underlyingError"), underlying.detailedDescription());
    }
    return error;
}
