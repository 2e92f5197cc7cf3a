#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/operations/operation_queue.h"
#include "store/library_backup.h"
#include "store/library_backup_organize_operation.h"
#include "store/library_manager.h"
#include "store/property_list_export_operation.h"

#include <QDir>

void TDLibraryManager::savePropertyListBackup() {
    platform::OperationQueue* queue = exportOperationQueue();
    const QString folder = QDir(m_packagePath).filePath(TDBackupFolderName);
    if (!QDir().mkpath(folder)) {
        logWithLevel(TDLogError, "ERROR", "Could not create backup directory: %@", folder);
        return;
    }
    // Nothing queued, or only the pruning of the previous backup.
    if (queue->operationCount() >= 2) return;
    const QString path =
        QDir(folder).filePath(TDBackupFileName(TDClock::currentDateTime()) + QStringLiteral(".gz"));
    auto exporter =
        std::make_shared<TDPropertyListExportOperation>(m_packagePath, path, TDBackupCompression::Gzip);
    auto organizer = std::make_shared<TDLibraryBackupOrganizeOperation>(m_packagePath);
    organizer->addDependency(exporter);
    queue->addOperation(exporter);
    queue->addOperation(organizer);
}
