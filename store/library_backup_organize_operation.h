#pragma once

#include "platform/operations/operation.h"

#include <QString>
#include <QStringList>

// Prunes the package's "Backup" folder to the rolling set and points the Latest link at the newest
// backup. Only names beginning with "backup-" are ever removed.
class TDLibraryBackupOrganizeOperation : public platform::Operation {
public:
    explicit TDLibraryBackupOrganizeOperation(const QString& libraryPath) : m_libraryPath(libraryPath) {}
    QString libraryPath() const { return m_libraryPath; }

    // Of the backup names given, those to keep: the 5 newest, and the newest of each of the 7 latest
    // days with backups before the newest day. Names order by their UTC stamps.
    static QStringList backupNamesToKeep(QStringList names);

protected:
    void main() override;

private:
    QString m_libraryPath;
};
