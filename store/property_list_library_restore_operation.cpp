#include "store/property_list_library_restore_operation.h"

#include "model/library.h"
#include "model/library_model.h"
#include "model/managed_object_context.h"
#include "platform/base/clock.h"
#include "platform/base/format.h"
#include "platform/base/log.h"
#include "platform/files/atomic_save.h"
#include "platform/files/trash.h"
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

#include <cstdio>

#include <fcntl.h>

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

bool renameItem(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Names beside the package: the new package while it is built ("."-hidden, named after the package so
// that no other library's is taken for it), and the old one once moved aside ("<name> (before restore
// <stamp>).<suffix>", named for the Trash, where it ends up).
QString restoreLeftoverPrefix(const QString& packagePath) {
    return QLatin1Char('.') + QFileInfo(packagePath).fileName() + QStringLiteral(".restore-");
}

QString asidePrefix(const QString& packagePath) {
    return QFileInfo(packagePath).completeBaseName() + QStringLiteral(" (before restore ");
}

bool exchangeItems(const QString& a, const QString& b) {
    return ::renameat2(AT_FDCWD, QFile::encodeName(a).constData(), AT_FDCWD, QFile::encodeName(b).constData(),
                       RENAME_EXCHANGE) == 0;
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

    const QString parent = QFileInfo(m_writePath).absolutePath();
    const QString stamped = QDir(parent).filePath(formatString(
        "%@%@", restoreLeftoverPrefix(m_writePath), TDBackupTimeStampString(TDClock::currentDateTime())));
    // Never a folder that exists: one left by a stopped restore may hold a store already.
    QString temporaryPath = stamped;
    for (int n = 2; QFileInfo::exists(temporaryPath) || QFileInfo(temporaryPath).isSymLink(); ++n)
        temporaryPath = stamped + QLatin1Char('-') + QString::number(n);
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
    const Status swapped = p_swapIntoPlace(temporaryPath);
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

    // The store written is of the current version; the library keeps the backup's, so that the data
    // upgrade runs on it when the library opens.
    QVariantMap info;
    for (const QString& key :
         {TDBackupApplicationShortVersionKey, TDBackupApplicationVersionKey, TDBackupSavedDateKey})
        if (backup.header.contains(key)) info.insert(key, backup.header.value(key));
    info.insert(TDBackupLibraryVersionKey, TDCurrentLibraryVersion);
    return platform::writePropertyListFile(QDir(packagePath).filePath(QStringLiteral("Info.plist")), info);
}

Status TDPropertyListLibraryRestoreOperation::p_swapIntoPlace(const QString& temporaryPath) {
    const QFileInfo target(m_writePath);
    const QString parent = target.absolutePath();
    const QString aside = QDir(parent).filePath(
        formatString("%@%@).%@", asidePrefix(m_writePath),
                     TDBackupTimeStampString(TDClock::currentDateTime()), target.suffix()));
    const bool hadOld = target.exists() || target.isSymLink();
    // Where the file system can exchange two names, the package's name never stands empty: the new
    // library takes it in one step and the old one is left under the temporary name.
    if (hadOld && exchangeItems(temporaryPath, m_writePath)) {
        platform::syncFolderLogged(parent);
        const QString old = renameItem(temporaryPath, aside) ? aside : temporaryPath;
        const Result<QString> trashed = platform::trashItem(old);
        if (!trashed.ok()) logWithLevel(TDLogError, "ERROR", "Could not trash '%@'", old);
        return {};
    }
    if (hadOld && !renameItem(m_writePath, aside)) {
        QDir(temporaryPath).removeRecursively();
        logWithLevel(TDLogError, "ERROR", "Could not trash '%@'", m_writePath);
        return TDError::make(TDErrorRestoreNotMovedIntoPlace,
                             QStringLiteral("The library \"%1\" could not be moved aside.").arg(m_writePath));
    }
    if (!renameItem(temporaryPath, m_writePath)) {
        logWithLevel(TDLogError, "ERROR", "Could not move temporary library to final location '%@': %@",
                     m_writePath, temporaryPath);
        if (hadOld) renameItem(aside, m_writePath);
        QDir(temporaryPath).removeRecursively();
        platform::syncFolderLogged(parent);
        return TDError::make(
            TDErrorRestoreNotMovedIntoPlace,
            QStringLiteral("The restored library could not be moved to \"%1\".").arg(m_writePath));
    }
    platform::syncFolderLogged(parent);
    if (hadOld) {
        const Result<QString> trashed = platform::trashItem(aside);
        // The old library stays beside the new one rather than being lost.
        if (!trashed.ok()) logWithLevel(TDLogError, "ERROR", "Could not trash '%@'", aside);
    }
    return {};
}

void TDRecoverFromInterruptedRestore(const QString& packagePath) {
    const QFileInfo target(packagePath);
    const QDir parent = target.absoluteDir();
    const QString asideStart = asidePrefix(packagePath);
    const QString asideEnd = QStringLiteral(").") + target.suffix();
    QStringList asides;
    QStringList leftovers;
    for (const QString& name :
         parent.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        if (name.startsWith(asideStart) && name.endsWith(asideEnd))
            asides.append(name);
        else if (name.startsWith(restoreLeftoverPrefix(packagePath)))
            leftovers.append(name);
    }
    // Names hold UTC stamps, so the last one is the newest old library.
    if (!target.exists() && !target.isSymLink() && !asides.isEmpty()) {
        const QString newest = parent.filePath(asides.takeLast());
        if (renameItem(newest, packagePath))
            logWithLevel(TDLogInfo, "INFO", "Put '%@' back after an interrupted restore", newest);
        else
            logWithLevel(TDLogError, "ERROR", "Could not put '%@' back after an interrupted restore", newest);
    }
    for (const QString& name : asides + leftovers) {
        const QString path = parent.filePath(name);
        if (platform::trashItem(path).ok())
            logWithLevel(TDLogInfo, "INFO", "Moved '%@', left by an interrupted restore, to the Trash", path);
        else
            logWithLevel(TDLogError, "ERROR", "Could not trash '%@'", path);
    }
}
