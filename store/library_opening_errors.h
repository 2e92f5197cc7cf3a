#pragma once

#include "platform/base/error.h"

#include <QStringList>

#include <optional>

// Codes of TDErrorDomain for opening a library, beside those of platform/base/error.h.
enum TDLibraryOpeningErrorCode : int {
    TDErrorLibraryInUse = 103,      // another Ordello process has the library open
    TDErrorLibraryLostSaves = 104,  // the store holds fewer saves than were recorded for it
    TDErrorLibraryFolderReadOnly = 105,
    TDErrorLibraryDiskFull = 106,
};

// Keys of the user information of the errors below.
// The copies of the store files made before anything else touched them (QStringList, main file first).
inline const QString TDKeptAsideFilesKey = QStringLiteral("TDKeptAsideFiles");
// The package's newest property-list backup that reads back whole (path), absent when none does: what a
// restore would use; and the time it was made (QDateTime), which is what it restores.
inline const QString TDNewestBackupKey = QStringLiteral("TDNewestBackup");
inline const QString TDNewestBackupDateKey = QStringLiteral("TDNewestBackupDate");
inline const QString TDLibraryPathKey = QStringLiteral("TDLibraryPath");

// The errors of opening and creating a library: "Cannot open library", a suggestion that names the
// cause, "Quit", and the application delegate as recovery attempter.
TDError TDLibraryOpeningError(int code, const QString& suggestion, const QStringList& options);
TDError TDCorruptLibraryError();
TDError TDLibraryPermissionError();
TDError TDLibraryInUseError(const QString& packagePath, qint64 holderProcessID);

// A store that failed to open or lost saves. `keptAside` is the result of copying its files aside
// (the copies, or why that failed); the package's newest backup that reads back goes with the error,
// and when it has backups but none reads back, the error says so.
TDError TDDamagedLibraryError(const QString& packagePath, const Result<QStringList>& keptAside);
// With no backup that reads back it offers TDOpenAsItIsOption() beside "Quit".
TDError TDLostSavesLibraryError(const QString& packagePath, qint64 storedSaves, qint64 recordedSaves,
                                const Result<QStringList>& keptAside);

// The answer to a store that lost saves and has no backup that reads back: open what it holds.
QString TDOpenAsItIsOption();

// When a failed open, creation or write in `folder` came from the folder or its disk rather than from
// the library: the read-only folder or the full disk, named with its path.
std::optional<TDError> TDLibraryEnvironmentError(const QString& folder, const TDError& underlying);
