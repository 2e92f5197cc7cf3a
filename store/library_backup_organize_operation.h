#pragma once

#include "platform/operations/operation.h"

#include <QDir>
#include <QString>
#include <QStringList>

// Prunes the package's "Backup" folder to the rolling set and points the Latest link at the newest
// backup. Only names beginning with "backup-" are ever removed. A backup that does not read back
// whole (empty, cut short, unreadable) is never kept and never linked.
class TDLibraryBackupOrganizeOperation final : public platform::Operation {
public:
    explicit TDLibraryBackupOrganizeOperation(const QString& libraryPath) : m_libraryPath(libraryPath) {}
    QString libraryPath() const { return m_libraryPath; }

    // Of the backup names given, those to keep: the 5 newest, and the newest of each of the 7 latest
    // days with backups before the newest day. Names order by their UTC stamps.
    static QStringList backupNamesToKeep(QStringList names);

protected:
    void main() override;

private:
    // The rolling set made of the backups that read back, oldest first; the others are left out.
    static QStringList p_readableBackupsToKeep(const QDir& folder, QStringList names);
    // Replaces the Latest link by one to `newest`, or removes it when there is none.
    static void p_pointLatestLinkAt(const QDir& folder, const QString& newest);

    QString m_libraryPath;
};
