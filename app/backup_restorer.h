#pragma once

#include <QString>

class TDImportProgress;

// Starts restoring the open library's package from a backup, with the restore window showing its
// progress. The restore ends when the progress is no longer shown.
class TDBackupRestorer {
public:
    virtual ~TDBackupRestorer() = default;
    // Null when the file is of a kind no restore reads (nothing started).
    virtual TDImportProgress* restoreLibraryFromBackupAtPath(const QString& path) = 0;
};
