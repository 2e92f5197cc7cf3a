#pragma once

#include <QDate>
#include <QString>

#include <functional>

class QObject;
class TDLibraryManager;

// The name the backup command proposes: "Ordello 2026-03-07.odlbackup" on 7 March 2026.
QString TDBackupNowFileName(const QDate& day);

// Saves the pending edits, then writes a backup of the saved library to `path` on the manager's export
// queue, off the main thread. `finished` runs on the main thread, while `receiver` lives, with whether
// the file was written. False, with nothing queued, when the save failed (the save reports why).
bool TDBackupLibraryNow(TDLibraryManager& manager, const QString& path, QObject* receiver,
                        std::function<void(bool written)> finished);
