#include "store/property_list_export_operation.h"

#include "foundation/application_delegate.h"
#include "foundation/data_additions.h"
#include "platform/base/log.h"
#include "platform/files/atomic_save.h"
#include "platform/objectstore/object_store_error.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "store/library_backup_from_store.h"

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
    m_exported.store(exportLibrary(m_exportPath));
}

// The text is made from the store's rows, with no object of the library awake, and only its
// compressed form reaches the disk when it is compressed.
bool TDPropertyListExportOperation::exportLibrary(const QString& path) {
    platform::PersistentStoreCoordinator* coordinator = persistentStoreCoordinator();
    if (!coordinator || !coordinator->hasStore()) return false;
    const auto cancelled = [this] { return isCancelled(); };
    Result<QByteArray> text = TDLibraryBackupTextFromStore(*coordinator, TDLibraryBackupHeader, cancelled);
    if (!text.ok() && text.error().domain == platform::ObjectStoreErrorDomain) {
        logWithLevel(TDLogError, "ERROR", "Could not fetch objects to export");
        const TDError error = text.error();
        TDPerformOnMainThreadAndWait([error] {
            TDAppDelegate().handleError(error, QStringLiteral("Could not fetch objects to export"));
        });
        return false;
    }
    if (isCancelled()) return false;
    Status written = text.ok() ? Status() : Status(text.error());
    if (written.ok() && m_compression == TDBackupCompression::Gzip) {
        const Result<QByteArray> compressed = gzipCompressedData(*text);
        *text = QByteArray();  // gone before the disk is waited for
        written =
            compressed.ok() ? platform::writeFileAtomically(path, *compressed) : Status(compressed.error());
    } else if (written.ok()) {
        written = platform::writeFileAtomically(path, *text);
    }
    if (!written.ok()) {
        logWithLevel(TDLogError, "ERROR", "Problem constructing plist: %@",
                     written.error().detailedDescription());
        return false;
    }
    return true;
}
