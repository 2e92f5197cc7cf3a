#pragma once

#include "store/library_backup_reader.h"
#include "store/library_operation.h"
#include "store/library_package_swap.h"

#include <QString>

#include <functional>

// Rebuilds a library from a backup file (plain or gzip-compressed) over a package. The backup is read
// twice as a stream, first to learn its version and check it, then to fill the objects, and the new
// package is built, repaired and saved completely beside the old one before the open library is touched; only
// then is the open library closed, the old package renamed aside, the new one moved in and the old one put in
// the Trash. Any failure leaves the old package in place and reports error 200 (101 for a backup of a newer
// version); finishing is reported only after the swap.
class TDPropertyListLibraryRestoreOperation final : public TDLibraryOperation {
public:
    TDPropertyListLibraryRestoreOperation(const QString& backupPath, const QString& packagePath);

    QString readPath() const { return m_readPath; }
    QString writePath() const { return m_writePath; }
    // True from creation: the package is the open library, which is closed before the swap and
    // announced with the active-library notifications.
    bool restoringActiveLibrary() const { return m_restoringActiveLibrary; }
    void setRestoringActiveLibrary(bool restoring) { m_restoringActiveLibrary = restoring; }

    // Called on the operation's thread while objects are built: (objects done, objects in all).
    void setProgressHandler(std::function<void(qint64, qint64)> handler) { m_progress = std::move(handler); }
    // What one backup may hold; larger ones are refused before anything is built.
    void setLimits(const TDLibraryBackupLimits& limits) { m_limits = limits; }

protected:
    void main() override;

private:
    Status p_buildPackage(const TDLibraryBackupSummary& backup, const QString& packagePath);
    void p_fail(const TDError& error);

    QString m_readPath;
    QString m_writePath;
    bool m_restoringActiveLibrary = true;
    std::function<void(qint64, qint64)> m_progress;
    TDLibraryBackupLimits m_limits;
};
