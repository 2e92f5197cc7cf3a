#include "store/property_list_export_operation.h"

#include "foundation/application_delegate.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "platform/base/log.h"
#include "store/library_version.h"

TDPropertyListExportOperation::TDPropertyListExportOperation(const QString& libraryPath,
                                                             const QString& outputPath,
                                                             TDBackupCompression compression)
    : m_exportPath(outputPath), m_compression(compression) {
    // Without a store main() has no context and exports nothing.
    if (const Status opened = setupPersistentStoreCoordinatorWithLibraryPath(libraryPath); !opened.ok())
        logWithLevel(TDLogError, "ERROR", "Could not open the library to export it: %@",
                     opened.error().detailedDescription());
}

void TDPropertyListExportOperation::main() {
    TDManagedObjectContext* context = managedObjectContext();
    if (!context) return;
    context->setSetupTransientProperties(false);
    m_exported.store(exportLibrary(threadedLibrary(), m_exportPath));
}

bool TDPropertyListExportOperation::exportLibrary(TDLibrary* library, const QString& path) {
    TDManagedObjectContext* context = managedObjectContext();
    if (!context) return false;
    const double version = library ? library->version() : TDCurrentLibraryVersion;
    const auto cancelled = [this] { return isCancelled(); };
    const Result<TDLibraryBackupObjects> objects = TDLibraryBackupObjectsOf(*context, cancelled);
    if (!objects.ok()) {
        logWithLevel(TDLogError, "ERROR", "Could not fetch objects to export");
        const TDError error = objects.error();
        TDPerformOnMainThreadAndWait([error] {
            TDAppDelegate().handleError(error, QStringLiteral("Could not fetch objects to export"));
        });
        return false;
    }
    if (isCancelled()) return false;
    const Status written =
        TDWriteLibraryBackup(TDLibraryBackupHeader(version), *objects, path, cancelled, m_compression);
    if (!written.ok()) {
        if (!isCancelled())
            logWithLevel(TDLogError, "ERROR", "Problem constructing plist: %@",
                         written.error().detailedDescription());
        return false;
    }
    return true;
}
