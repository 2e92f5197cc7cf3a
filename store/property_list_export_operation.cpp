#include "store/property_list_export_operation.h"

#include "foundation/application_delegate.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "platform/base/log.h"
#include "store/library_backup.h"
#include "store/library_version.h"

TDPropertyListExportOperation::TDPropertyListExportOperation(const QString& libraryPath,
                                                             const QString& outputPath)
    : m_exportPath(outputPath) {
    (void)setupPersistentStoreCoordinatorWithLibraryPath(libraryPath);
}

void TDPropertyListExportOperation::main() {
    TDManagedObjectContext* context = managedObjectContext();
    if (!context) return;
    context->setSetupTransientProperties(false);
    exportLibrary(threadedLibrary(), m_exportPath);
}

bool TDPropertyListExportOperation::exportLibrary(TDLibrary* library, const QString& path) {
    TDManagedObjectContext* context = managedObjectContext();
    if (!context) return false;
    const double version = library ? library->version() : TDCurrentLibraryVersion;
    const Result<QVariantMap> backup =
        TDLibraryBackupDictionary(*context, version, [this] { return isCancelled(); });
    if (!backup.ok()) {
        logWithLevel(TDLogError, "ERROR", "Could not fetch objects to export");
        const TDError error = backup.error();
        TDPerformOnMainThreadAndWait(
            [error] { TDAppDelegate().handleError(error, QStringLiteral("Could not fetch objects to export")); });
        return false;
    }
    if (backup->isEmpty()) return false;
    const Status written = TDWriteLibraryBackup(*backup, path);
    if (!written.ok()) {
        logWithLevel(TDLogError, "ERROR", "Problem constructing plist: %@", written.error().detailedDescription());
        return false;
    }
    return true;
}
