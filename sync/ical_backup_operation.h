#pragma once

#include "platform/base/error.h"
#include "platform/operations/operation.h"

#include <QString>

#include <optional>

// Copies the calendar store's folder into a backup package "Calendars Backup <stamp>.icbu" holding
// "Calendars" and an XML "Info.plist" ("date", "version" "2.0"). The package is built in a temporary
// folder beside the target and moved in whole, so a failed or refused backup leaves nothing behind.
class TDiCalBackupOperation final : public platform::Operation {
public:
    // With the time of day in the name when the operation chooses it itself, the day alone when offered
    // to the user.
    static QString proposedBackupFilename(bool withTimestamp);

    // The package to write; empty: "Calendar Backups" in the Documents folder under a name of its own.
    // After a successful run, the package written.
    QString backupPath() const { return m_backupPath; }
    void setBackupPath(const QString& path) { m_backupPath = path; }
    // Why the last run failed, if it did.
    const std::optional<TDError>& error() const { return m_error; }

protected:
    void main() override;

private:
    Status p_backup();

    QString m_backupPath;
    std::optional<TDError> m_error;
};
