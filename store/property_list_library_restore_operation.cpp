#include "store/property_list_library_restore_operation.h"

#include "model/library.h"
#include "model/library_model.h"
#include "model/managed_object_context.h"
#include "model/task_lsm_classifier.h"
#include "platform/base/format.h"
#include "platform/base/log.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/object_model.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/plist/property_list.h"
#include "store/library_backup.h"
#include "store/library_maintenance.h"
#include "store/library_manager.h"
#include "store/library_version.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kUIDKey = QStringLiteral("uid");

TDError restoreError(const TDError& underlying) {
    TDError error = TDError::make(200, QStringLiteral("Could not restore from backup"),
                                  QStringLiteral("You're back to using your previous database."));
    error.userInfo.insert(QStringLiteral("underlyingError"), underlying.detailedDescription());
    return error;
}

// A backup that cannot be read says why, so that the user knows which file to try instead.
TDError unreadableBackupError(const TDError& reading) {
    TDError error = restoreError(reading);
    error.recoverySuggestion = reading.description + QLatin1Char(' ') + error.recoverySuggestion;
    return error;
}

}  // namespace

TDPropertyListLibraryRestoreOperation::TDPropertyListLibraryRestoreOperation(const QString& backupPath,
                                                                             const QString& packagePath)
    : m_readPath(backupPath), m_writePath(packagePath) {
}

void TDPropertyListLibraryRestoreOperation::p_fail(const TDError& error) {
    informDelegateDidFailWithError(error);
}

void TDPropertyListLibraryRestoreOperation::main() {
    const auto model = TDLibraryObjectModel();
    if (!model.ok()) {
        p_fail(restoreError(model.error()));
        return;
    }
    // The version first: a backup of a newer program may hold what this one cannot read.
    const TDLibraryBackupSummary backup = TDReadLibraryBackupSummary(m_readPath, **model, m_limits);
    if (compareLibraryVersions(backup.libraryVersion, TDCurrentLibraryVersion) == 1) {
        p_fail(TDError::make(
            TDErrorBackupNewerVersion, QStringLiteral("Can not restore from backup"),
            formatString("The backup file '%@' was created from a newer version of the application.",
                         QFileInfo(m_readPath).fileName())));
        return;
    }
    if (!backup.problem.ok()) {
        logWithLevel(TDLogError, "ERROR",
                     "Could not read property list from '%@' to restore library from. Reason: %@", m_readPath,
                     backup.problem.error().detailedDescription());
        p_fail(unreadableBackupError(backup.problem.error()));
        return;
    }

    const QString temporaryPath = TDReplacementPackagePath(m_writePath);
    const Status built = p_buildPackage(backup, temporaryPath);
    closePersistentStoreCoordinator();
    if (!built.ok() || isCancelled()) {
        QDir(temporaryPath).removeRecursively();
        if (!built.ok()) {
            logWithLevel(TDLogError, "ERROR", "Could not save imported library: %@",
                         built.error().detailedDescription());
            p_fail(restoreError(built.error()));
        }
        return;
    }

    if (m_restoringActiveLibrary) {
        TDPerformOnMainThreadAndWait([this] { postActiveLibraryWillChangeNotification(); });
        Status closed;
        TDPerformOnMainThreadAndWait([this, &closed] {
            TDLibraryManager* manager = libraryManager();
            if (!manager) {
                closed = TDError::make(200, QStringLiteral("No library manager to close the open library"));
                return;
            }
            closed = manager->close();
            // A save during the close queues a backup of the old package: let it finish first.
            if (closed.ok()) manager->finishPendingOperations();
        });
        if (!closed.ok()) {
            QDir(temporaryPath).removeRecursively();
            TDPerformOnMainThreadAndWait([this] { postActiveLibraryDidChangeNotification(); });
            p_fail(restoreError(closed.error()));
            return;
        }
    }
    const Status swapped = TDSwapPackageIntoPlace(temporaryPath, m_writePath);
    if (m_restoringActiveLibrary)
        TDPerformOnMainThreadAndWait([this] { postActiveLibraryDidChangeNotification(); });
    if (!swapped.ok()) {
        p_fail(restoreError(swapped.error()));
        return;
    }
    informDelegateDidFinish();
}

Status TDPropertyListLibraryRestoreOperation::p_buildPackage(const TDLibraryBackupSummary& backup,
                                                             const QString& packagePath) {
    if (Status opened = setupPersistentStoreCoordinatorWithLibraryPath(packagePath); !opened.ok())
        return opened;
    TDManagedObjectContext* context = managedObjectContext();
    if (!context)
        return TDError::make(TDErrorRestoreLibraryNotBuilt, QStringLiteral("The new library has no store."));
    context->setRestoringLibrary(true);
    auto* library = context->insertObject<TDLibrary>(QStringLiteral("Library"));
    if (!library)
        return TDError::make(TDErrorRestoreLibraryNotBuilt,
                             QStringLiteral("The new library could not be made."));
    context->setLibrary(library);
    library->setSmartFoldersShouldIgnoreMOCChange(true);

    // Every object exists under its UID before any is filled, so that every reference finds its
    // target whatever the order of the entities, and a UID the cache lacks names nothing.
    context->initializeObjectLookupCache();
    context->setObjectLookupCacheComplete(true);
    library->setPrimitiveValue(kUIDKey, backup.libraryIdentifier);
    context->cacheObject(library, backup.libraryIdentifier);
    for (const auto& [entityName, identifiers] : backup.identifiers) {
        for (const QString& identifier : identifiers) {
            if (isCancelled()) return {};
            auto* object = context->insertObject<TDLibraryObject>(entityName);
            if (!object)
                return TDError::make(
                    TDErrorRestoreLibraryNotBuilt,
                    QStringLiteral("An object of \"%1\" could not be made.").arg(entityName));
            object->setPrimitiveValue(kUIDKey, identifier);
            context->cacheObject(object, identifier);
        }
    }
    if (m_progress) m_progress(0, backup.objectCount);
    if (Status filled = library->updateFromPropertyListRepresentation(backup.library); !filled.ok())
        return filled;
    // The second reading must meet exactly the objects of the first: each once, under its entity.
    const TDError changed =
        TDError::make(TDErrorBackupChangedWhileRead, QStringLiteral("The backup changed while it was read."));
    qint64 done = 0;
    const Status read = TDReadLibraryBackupObjects(
        m_readPath, m_limits,
        [&](const QString& entityName, const QString& identifier, const QVariantMap& form) -> Status {
            if (isCancelled())
                return TDError::make(TDErrorRestoreCancelled, QStringLiteral("The restore was cancelled."));
            auto* object = dynamic_cast<TDLibraryObject*>(context->cachedObjectForUID(identifier));
            if (!object || object->entity()->name() != entityName || ++done > backup.objectCount)
                return changed;
            if (Status filled = object->updateFromPropertyListRepresentation(form); !filled.ok())
                return filled;
            if (m_progress && done % 500 == 0) m_progress(done, backup.objectCount);
            return {};
        });
    if (isCancelled()) return {};
    if (!read.ok()) return read;
    if (done != backup.objectCount) return changed;
    context->destroyObjectLookupCache();
    if (m_progress) m_progress(backup.objectCount, backup.objectCount);

    // A backup may hold what the model never makes: links that would put a task or a group inside
    // itself, which the model refuses and so leaves the object nowhere, and references to objects the
    // backup lacks. The repair gives everything its place before anyone sees the library, and reloads
    // the smart folders at its end.
    TDFixLibrary(library);
    library->setSmartFoldersShouldIgnoreMOCChange(false);
    if (Status saved = saveContext(); !saved.ok()) return saved;
    // Tag predictions are learnt here from the library in memory and written into the package, so
    // that its first open reads them as every later open does instead of relearning every task.
    const TDTaskLSMClassifier predictions(library, packagePath);

    // The store written is of the current version; the library keeps the backup's, so that the data
    // upgrade runs on it when the library opens.
    QVariantMap info;
    for (const QString& key :
         {TDBackupApplicationShortVersionKey, TDBackupApplicationVersionKey, TDBackupSavedDateKey})
        if (backup.header.contains(key)) info.insert(key, backup.header.value(key));
    info.insert(TDBackupLibraryVersionKey, TDCurrentLibraryVersion);
    return platform::writePropertyListFile(QDir(packagePath).filePath(QStringLiteral("Info.plist")), info);
}
