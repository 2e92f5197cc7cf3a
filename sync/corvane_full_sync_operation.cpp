#include "sync/corvane_full_sync_operation.h"

#include "model/library.h"
#include "model/managed_object_context.h"
#include "platform/base/log.h"
#include "platform/plist/property_list.h"
#include "store/library_manager.h"
#include "store/library_package_swap.h"
#include "store/store_file_copy.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_get_user_details_operation.h"
#include "sync/corvane_sync_operation.h"
#include "sync/corvane_sync_settings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kOptionsFileName = QStringLiteral("options.plist");
const QString kLockFileName = QStringLiteral("library.lock");
const QString kStoreFileName = QStringLiteral("library.sqlite3");

// The store through SQLite (a closing connection may still checkpoint its log), the rest file by file
// but for the lock, which belongs to the process holding the original.
Status copyPackage(const QString& from, const QString& to) {
    const QDir source(from);
    if (!source.exists())
        return TDError::make(TDErrorLibraryCannotOpen, QStringLiteral("The library does not exist."));
    if (!QDir().mkpath(to))
        return TDError::make(TDErrorLibraryCannotOpen, QStringLiteral("Could not create \"%1\".").arg(to));
    QDirIterator entries(from, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
    if (Status store = TDCopyStoreFile(source.filePath(kStoreFileName), QDir(to).filePath(kStoreFileName));
        !store)
        return store;
    while (entries.hasNext()) {
        const QFileInfo entry(entries.next());
        const QString relative = source.relativeFilePath(entry.filePath());
        if (relative == kLockFileName || relative.startsWith(kStoreFileName)) continue;
        const QString target = QDir(to).filePath(relative);
        const bool copied = entry.isSymLink() ? QFile::link(entry.symLinkTarget(), target)
                            : entry.isDir()   ? QDir().mkpath(target)
                                              : QFile::copy(entry.filePath(), target);
        if (!copied)
            return TDError::make(
                TDErrorLibraryCannotOpen,
                QStringLiteral("Could not copy \"%1\" to \"%2\".").arg(entry.filePath(), target));
    }
    return {};
}

// The options of the sync service survive a full get; the others start from their defaults.
QVariantMap syncServiceOptions(const QString& packagePath) {
    const auto options = platform::readPropertyListFile(QDir(packagePath).filePath(kOptionsFileName));
    QVariantMap kept;
    if (!options.ok()) return kept;
    const QVariantMap all = options->toMap();
    for (auto option = all.begin(); option != all.end(); ++option)
        if (option.key().startsWith(QStringLiteral("corvane"))) kept.insert(option.key(), option.value());
    return kept;
}

}  // namespace

TDCorvaneFullSyncOperation::TDCorvaneFullSyncOperation(const QString& libraryPath, TDCorvaneSyncType syncType)
    : m_libraryPath(libraryPath), m_syncType(syncType) {
}

TDCorvaneFullSyncOperation::~TDCorvaneFullSyncOperation() = default;

void TDCorvaneFullSyncOperation::cancel() {
    TDCorvaneOperation::cancel();
    QMutexLocker locker(&m_innerMutex);
    if (m_inner) m_inner->cancel();
}

void TDCorvaneFullSyncOperation::main() {
    if (const Status verified = p_verifyAccount(); !verified) {
        if (isCancelled()) return;
        setError(verified.error());
        informDelegateDidFailWithError(verified.error());
        return;
    }
    TDPerformOnMainThreadAndWait([this] { postActiveLibraryWillChangeNotification(); });
    Status result;
    if (!isCancelled()) {
        const QString temporaryPath = TDReplacementPackagePath(m_libraryPath);
        result = m_syncType == TDCorvaneSyncType::FullGet ? p_performFullGet(temporaryPath)
                                                          : p_performFullSync(temporaryPath);
        closePersistentStoreCoordinator();
        QDir(temporaryPath).removeRecursively();
    }
    TDPerformOnMainThreadAndWait([this] { postActiveLibraryDidChangeNotification(); });
    if (isCancelled()) return;
    if (m_syncType == TDCorvaneSyncType::FullPut)
        TDPerformOnMainThreadAndWait([this] {
            if (TDLibraryManager* manager = libraryManager()) manager->cancelScheduledSync();
        });
    if (!result) {
        setError(result.error());
        informDelegateDidFailWithError(result.error());
        return;
    }
    informDelegateDidFinish();
}

Status TDCorvaneFullSyncOperation::p_verifyAccount() {
    // Without credentials of its own the operation uses the open library's account.
    if ((username().isEmpty() || password().isEmpty()) && libraryManager()) {
        Status read;
        TDPerformOnMainThreadAndWait([&] {
            auto settings = TDCorvaneSyncSettings::make(libraryManager()->library());
            if (!settings) {
                read = settings.error();
                return;
            }
            setUsername((*settings)->username());
            setPassword((*settings)->password());
        });
        if (!read) return read;
    }
    if (username().isEmpty() || password().isEmpty()) return corvaneAuthenticationError();
    TDCorvaneGetUserDetailsOperation details;
    details.setDefaults(&defaults());
    details.setConnectionOptions(connection().options());
    details.setUsername(username());
    details.setPassword(password());
    details.performOperation();
    if (details.error()) return *details.error();
    // An answer that does not verify the account must not cost the user the open library.
    if (!details.verified()) return corvaneAuthenticationError();
    return {};
}

Status TDCorvaneFullSyncOperation::p_closeOpenLibrary() {
    TDLibraryManager* manager = libraryManager();
    if (!manager) return {};
    Status closed;
    TDPerformOnMainThreadAndWait([&] {
        if (manager->library()) closed = manager->close();
    });
    return closed;
}

Status TDCorvaneFullSyncOperation::p_performFullSync(const QString& temporaryPath) {
    if (Status closed = p_closeOpenLibrary(); !closed) return closed;
    if (Status copied = copyPackage(m_libraryPath, temporaryPath); !copied) {
        logWithLevel(TDLogError, "ERROR",
                     "Could not copy library from '%@' to '%@' before performing full sync: %@",
                     m_libraryPath, temporaryPath, copied.error().detailedDescription());
        return copied;
    }
    if (isCancelled()) return {};
    if (Status opened = setupPersistentStoreCoordinatorWithLibraryPath(temporaryPath); !opened) return opened;
    if (Status synced = p_runInnerSync(m_syncType); !synced) {
        logWithLevel(TDLogError, "ERROR", "Full sync failed: %@", synced.error().detailedDescription());
        return synced;
    }
    if (isCancelled()) return {};
    if (Status info = TDLibraryManager::writeInfoDictionary(temporaryPath, threadedLibrary(),
                                                            persistentStoreCoordinator());
        !info)
        return info;
    return p_swapIntoPlace(temporaryPath);
}

Status TDCorvaneFullSyncOperation::p_performFullGet(const QString& temporaryPath) {
    if (isCancelled()) return {};
    if (Status closed = p_closeOpenLibrary(); !closed) return closed;
    // Read once the close has written the options.
    const QVariantMap keptOptions = syncServiceOptions(m_libraryPath);
    if (Status opened = setupPersistentStoreCoordinatorWithLibraryPath(temporaryPath); !opened) return opened;
    TDManagedObjectContext* context = managedObjectContext();
    if (!context)
        return TDError::make(TDErrorLibraryCannotOpen, QStringLiteral("The new library has no store."));
    context->setRestoringLibrary(true);
    context->setSyncingLibrary(true);
    context->setCreatingLibrary(true);
    auto* library = context->insertObject<TDLibrary>(QStringLiteral("Library"));
    if (!library)
        return TDError::make(TDErrorLibraryCannotOpen, QStringLiteral("The new library could not be made."));
    context->setLibrary(library);
    library->setCorvaneSyncSetManagedObjectContext(context);
    library->createObjectsForNewLibrary();
    // The rebuilt library holds the server's tasks only: starter tasks of its own would never sync.
    for (const QString& entityName : {QStringLiteral("Task"), QStringLiteral("TaskNotes")}) {
        const auto starters = context->execute(platform::FetchRequest(entityName));
        if (!starters) return starters.error();
        for (platform::ManagedObject* starter : *starters)
            if (!starter->isDeleted()) context->deleteObject(starter);
    }
    if (Status committed = p_commitAccount(library); !committed) return committed;
    if (Status saved = saveContext(); !saved) return saved;

    if (Status synced = p_runInnerSync(TDCorvaneSyncType::FullGet); !synced) {
        logWithLevel(TDLogError, "ERROR", "Sync failed while trying to restore library from corvane: %@",
                     synced.error().detailedDescription());
        return synced;
    }
    if (isCancelled()) return {};
    if (Status info =
            TDLibraryManager::writeInfoDictionary(temporaryPath, library, persistentStoreCoordinator());
        !info)
        return info;
    if (Status options =
            platform::writePropertyListFile(QDir(temporaryPath).filePath(kOptionsFileName), keptOptions);
        !options)
        return options;
    return p_swapIntoPlace(temporaryPath);
}

Status TDCorvaneFullSyncOperation::p_runInnerSync(TDCorvaneSyncType syncType) {
    TDCorvaneSyncOperation inner(persistentStoreCoordinator());
    inner.setSyncType(syncType);
    inner.setDefaults(&defaults());
    inner.setConnectionOptions(connection().options());
    inner.setUsername(username());
    inner.setPassword(password());
    if (!m_nodeID.isEmpty()) inner.setNodeID(m_nodeID);
    if (m_syncType != TDCorvaneSyncType::FullGet)
        if (Status committed = p_commitAccount(inner.threadedLibrary()); !committed) return committed;
    {
        QMutexLocker locker(&m_innerMutex);
        if (isCancelled()) return {};
        m_inner = &inner;
    }
    inner.performOperation();
    {
        QMutexLocker locker(&m_innerMutex);
        m_inner = nullptr;
    }
    if (inner.error()) return *inner.error();
    return {};
}

Status TDCorvaneFullSyncOperation::p_commitAccount(TDLibrary* library) {
    if (!library)
        return TDError::make(TDErrorLibraryCannotOpen, QStringLiteral("The library to sync has no store."));
    if (!library->corvaneSyncSetManagedObjectContext())
        library->setCorvaneSyncSetManagedObjectContext(library->managedObjectContext());
    auto settings = TDCorvaneSyncSettings::make(library);
    if (!settings) return settings.error();
    (*settings)->setUsername(username());
    (*settings)->setPassword(password());
    return (*settings)->commitChanges();
}

Status TDCorvaneFullSyncOperation::p_swapIntoPlace(const QString& temporaryPath) {
    closePersistentStoreCoordinator();
    const Status swapped = TDSwapPackageIntoPlace(temporaryPath, m_libraryPath);
    if (!swapped)
        logWithLevel(TDLogError, "ERROR",
                     "Could not atomically move temp library '%@' to '%@' after full sync: %@", temporaryPath,
                     m_libraryPath, swapped.error().detailedDescription());
    return swapped;
}
