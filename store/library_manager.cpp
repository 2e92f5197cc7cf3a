#include "store/library_manager.h"

#include "store/library_manager_upgrade_services.h"

#include "store/library_data_upgrade.h"

#include "store/library_migration.h"

#include "foundation/application_delegate.h"
#include "foundation/date_change_notifier.h"
#include "foundation/paths.h"
#include "foundation/version.h"
#include "language/date_additions.h"
#include "language/mnemonics.h"
#include "model/library.h"
#include "model/library_model.h"
#include "model/library_notifications.h"
#include "model/library_object.h"
#include "model/managed_object_context.h"
#include "model/managed_object_context_did_change_notification_splitter.h"
#include "model/smart_folder.h"
#include "model/sync_set.h"
#include "model/task_lsm_classifier.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/files/atomic_save.h"
#include "platform/files/file_error.h"
#include "platform/files/file_lock.h"
#include "platform/kvc/key_value_coding.h"
#include "platform/notifications/notification_center.h"
#include "platform/notifications/notification_queue.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/object_model.h"
#include "platform/objectstore/object_store_error.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/operations/operation_queue.h"
#include "platform/plist/property_list.h"
#include "platform/reachability/network_reachability.h"
#include "platform/undo/undo_manager.h"
#include "store/library_files_aside.h"
#include "store/library_maintenance.h"
#include "store/library_opening_errors.h"
#include "store/library_version.h"
#include "store/smart_folder_reload_operation.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <sys/time.h>
#include <algorithm>
#include <cerrno>
#include <utility>

using platform::Notification;
using platform::NotificationCenter;

namespace {

const QString kStoreFileName = QStringLiteral("library.sqlite3");
const QString kInfoFileName = QStringLiteral("Info.plist");
const QString kOptionsFileName = QStringLiteral("options.plist");
const QString kObsoleteClassificationFileName = QStringLiteral("task_classification.plist");
const QString kLockFileName = QStringLiteral("library.lock");
const QStringList kStoreSideSuffixes{QStringLiteral("-wal"), QStringLiteral("-shm")};
// Where a new library's store is built before it takes its place.
const QString kNewStoreFolderPrefix = QStringLiteral(".new-library-");
const QString kLibraryVersionKey = QStringLiteral("TDLibraryVersion");
// The store's save counter and identity when Info.plist was written: a store behind the count lost saves.
const QString kSaveCountKey = QStringLiteral("TDSaveCount");
const QString kStoreUUIDKey = QStringLiteral("TDStoreUUID");
const QString kGroupViewOptionsKey = QStringLiteral("groupViewOptions");
const QString kLastDateDependentDataChangedDateKey = QStringLiteral("lastDateDependentDataChangedDate");
// Info.plist and options.plist are small; anything far larger is not ours.
constexpr qsizetype kMaxPackagePlistSize = 16 * 1024 * 1024;

TDLibraryManager* g_installedManager = nullptr;
// Never destroyed: at exit the notification centre and the application it would still talk to may be gone.
TDLibraryManager* g_defaultManager = nullptr;

bool isPropertyListDictionary(const Result<QVariant>& read) {
    return read.ok() && read->typeId() == QMetaType::QVariantMap;
}

// A package file that could not be read is kept for a look later, then defaults take its place.
void keepUnreadableFileAside(const QString& path, const Result<QVariant>& read, bool keepOriginal) {
    const QString reason =
        read.ok() ? QStringLiteral("not a dictionary") : read.error().detailedDescription();
    const Result<QString> kept = TDKeepFileAside(path, keepOriginal);
    if (kept.ok())
        logWithLevel(TDLogError, "ERROR",
                     "Could not read '%@' (%@); kept it as '%@' and went on with defaults", path, reason,
                     *kept);
    else
        logWithLevel(TDLogError, "ERROR", "Could not read '%@' (%@) nor keep it aside: %@", path, reason,
                     kept.error().detailedDescription());
}

bool isMainThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

const QString& libraryEntityName() {
    static const QString name = QStringLiteral("Library");
    return name;
}

}  // namespace

TDLibraryManager::TDLibraryManager(const QString& packagePath, QObject* parent)
    : QObject(parent), m_packagePath(packagePath.isEmpty() ? defaultLibraryPath() : packagePath) {
}

TDLibraryManager::~TDLibraryManager() {
    p_waitForQueues();
    closeDiscardingChanges();
    if (g_installedManager == this) g_installedManager = nullptr;
}

TDLibraryManager& TDLibraryManager::sharedManager() {
    if (g_installedManager) return *g_installedManager;
    if (!g_defaultManager) g_defaultManager = new TDLibraryManager();
    return *g_defaultManager;
}

void TDLibraryManager::setSharedManager(TDLibraryManager* manager) {
    g_installedManager = manager;
}

QString TDLibraryManager::defaultLibraryPath() {
    const QString folder = isRunningUnitTests() ? unitTestApplicationSupportPath() : applicationSupportPath();
    return QDir(folder).filePath(QStringLiteral("Ordello Library.%1").arg(QStringLiteral("odllibrary")));
}

void TDLibraryManager::setLibraryPath(const QString& packagePath) {
    m_packagePath = packagePath;
    m_infoDictionary.reset();
    m_optionsDictionary.reset();
    m_writtenOptions.clear();
}

QString TDLibraryManager::storePath() const {
    return QDir(m_packagePath).filePath(kStoreFileName);
}
QString TDLibraryManager::infoDictionaryPath() const {
    return QDir(m_packagePath).filePath(kInfoFileName);
}
QString TDLibraryManager::optionsDictionaryPath() const {
    return QDir(m_packagePath).filePath(kOptionsFileName);
}
QString TDLibraryManager::lockFilePath() const {
    return QDir(m_packagePath).filePath(kLockFileName);
}

bool TDLibraryManager::libraryExists() const {
    return QFileInfo(storePath()).isFile();
}

bool TDLibraryManager::holdsOnlyAnInterruptedCreation(const QString& packagePath) {
    const QFileInfo folder(packagePath);
    if (!folder.isDir() || folder.isSymLink()) return false;
    const QFileInfoList entries =
        QDir(packagePath)
            .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return std::ranges::all_of(entries, [](const QFileInfo& entry) {
        if (entry.isSymLink()) return false;
        if (entry.isDir()) return entry.fileName().startsWith(kNewStoreFolderPrefix);
        return entry.isFile() && entry.fileName() == kLockFileName;
    });
}

bool TDLibraryManager::libraryIsAccessible() const {
    const QFileInfo store(storePath());
    return store.isFile() && store.isReadable() && store.isWritable();
}

QVariantMap TDLibraryManager::infoDictionary() {
    if (!m_infoDictionary) {
        m_infoDictionary.emplace();
        if (QFileInfo::exists(infoDictionaryPath())) {
            const auto read = platform::readPropertyListFile(infoDictionaryPath(), kMaxPackagePlistSize);
            if (isPropertyListDictionary(read)) {
                m_infoDictionary = read->toMap();
            } else {
                // Copied, not moved: without the file the library would count as needing no upgrade.
                keepUnreadableFileAside(infoDictionaryPath(), read, true);
                m_infoDictionaryDamaged = true;
            }
        }
    }
    return *m_infoDictionary;
}

void TDLibraryManager::setInfoDictionary(const QVariantMap& info) {
    m_infoDictionary = info;
}

namespace {
// Info.plist keeps the version as a single-precision number.
double versionInInfo(const QVariantMap& info) {
    return static_cast<float>(info.value(kLibraryVersionKey).toDouble());
}
}  // namespace

bool TDLibraryManager::libraryIsCompatible() {
    if (!QFileInfo::exists(infoDictionaryPath())) return true;
    return compareLibraryVersions(versionInInfo(infoDictionary()), TDCurrentLibraryVersion) <= 0;
}

bool TDLibraryManager::libraryNeedsMigration() {
    if (!QFileInfo::exists(infoDictionaryPath())) return false;
    if (infoDictionary().isEmpty() && libraryExists()) {
        // An unreadable Info.plist says nothing about the version (it is written again at the next
        // save); the store's own model version does.
        const auto metadata = platform::PersistentStoreCoordinator::metadataForStore(storePath());
        return !metadata.ok() || metadata->modelVersion != TDLibraryModelVersion;
    }
    return libraryVersionIsNewer(versionInInfo(infoDictionary()), TDCurrentLibraryVersion);
}

Status TDLibraryManager::p_buildStack(const QString& storeFile) {
    if (m_coordinator) return {};
    if (!QDir().mkpath(m_packagePath)) {
        const TDError failed =
            TDError::make(TDErrorLibraryCannotOpen,
                          QStringLiteral("Could not create the library folder \"%1\".").arg(m_packagePath));
        return TDLibraryEnvironmentError(m_packagePath, failed).value_or(failed);
    }
    m_openedLibraryVersion = versionInInfo(infoDictionary());
    const auto model = TDLibraryObjectModel();
    if (!model.ok()) return model.error();
    auto coordinator = std::make_unique<platform::PersistentStoreCoordinator>(*model);
    const Status opened = coordinator->openStore(storeFile);
    if (!opened.ok()) return opened.error();
    m_coordinator = std::move(coordinator);
    m_undoManager = std::make_unique<platform::UndoManager>();
    m_context = std::make_unique<TDManagedObjectContext>(m_coordinator.get());
    m_context->setUndoManager(m_undoManager.get());
    m_syncSetContext = std::make_unique<TDManagedObjectContext>(m_coordinator.get());
    return {};
}

Status TDLibraryManager::p_lockPackage() {
    if (m_packageLock) return {};
    auto lock = std::make_unique<platform::FileLock>(lockFilePath());
    const Status locked = lock->tryLock();
    if (!locked.ok()) {
        if (locked.error().code == EWOULDBLOCK) {
            logWithLevel(TDLogError, "ERROR", "The library at '%@' is open in another process",
                         m_packagePath);
            return TDLibraryInUseError(
                m_packagePath, locked.error().userInfo.value(QStringLiteral("holderProcessID")).toLongLong());
        }
        TDError error =
            TDLibraryEnvironmentError(m_packagePath, locked.error()).value_or(TDCorruptLibraryError());
        error.userInfo.insert(QStringLiteral("underlyingError"), locked.error().detailedDescription());
        return error;
    }
    m_packageLock = std::move(lock);
    return {};
}

bool TDLibraryManager::p_holdsNoLibrary() {
    // Info.plist is written after a library's first save: without it nothing was ever saved.
    if (QFileInfo::exists(infoDictionaryPath())) return false;
    const auto empty = platform::PersistentStoreCoordinator::storeHoldsNoObjects(storePath());
    return empty.ok() && *empty;
}

Status TDLibraryManager::p_setEmptyStoreAside() {
    // A journal with anything in it is kept, in case it holds what its damaged header hides.
    if (QFileInfo(storePath() + kStoreSideSuffixes.first()).size() > 0) {
        const auto kept = TDKeepStoreFilesAside(m_packagePath);
        if (!kept.ok()) return kept.error();
    }
    for (const QString& suffix : QStringList{QString()} + kStoreSideSuffixes) {
        const QString path = storePath() + suffix;
        if (QFileInfo::exists(path) && !QFile::remove(path))
            return TDError::make(TDErrorLibraryCannotOpen,
                                 QStringLiteral("Could not remove \"%1\".").arg(path));
    }
    return {};
}

Status TDLibraryManager::p_checkForLostSaves() {
    const bool asItIs = std::exchange(m_openLostSavesAsTheyAre, false);
    const QVariantMap info = infoDictionary();
    // Libraries written before the count existed, and stores replaced since (restored, upgraded), are
    // not compared.
    if (!info.contains(kSaveCountKey) || !info.contains(kStoreUUIDKey)) return {};
    const auto metadata = platform::PersistentStoreCoordinator::metadataForStore(storePath());
    if (!metadata.ok() || metadata->storeUUID != info.value(kStoreUUIDKey).toString()) return {};
    const qint64 recorded = info.value(kSaveCountKey).toLongLong();
    const qint64 stored = metadata->saveCount.value_or(0);
    if (stored >= recorded) return {};
    if (asItIs) {
        logWithLevel(TDLogWarning, "WARNING",
                     "Opening the library store at '%@' as it is, with %ld of the %ld saves recorded for it",
                     storePath(), static_cast<long>(stored), static_cast<long>(recorded));
        QVariantMap counted = info;
        counted.insert(kSaveCountKey, stored);
        // Written before anything else: a start after a kill must not ask again.
        const Status written = platform::writePropertyListFile(infoDictionaryPath(), counted);
        m_infoDictionary.reset();
        return written;
    }
    logWithLevel(TDLogError, "ERROR", "The library store at '%@' holds %ld of the %ld saves recorded for it",
                 storePath(), static_cast<long>(stored), static_cast<long>(recorded));
    return TDLostSavesLibraryError(m_packagePath, stored, recorded, TDKeepStoreFilesAside(m_packagePath));
}

TDError TDLibraryManager::p_failedToOpen(const TDError& underlying) {
    // Whatever went wrong, the store's files stay as they were: the journal may hold the last saves.
    if (m_coordinator)
        m_coordinator->closeStore(platform::PersistentStoreCoordinator::CloseMode::KeepJournal);
    logWithLevel(TDLogError, "ERROR", "Could not initialize library manager: %@",
                 underlying.detailedDescription());
    if (auto environment = TDLibraryEnvironmentError(m_packagePath, underlying)) return *environment;
    if (underlying.isInDomain(platform::ObjectStoreErrorModelInvalid, platform::ObjectStoreErrorDomain))
        return underlying;
    TDError error = TDDamagedLibraryError(m_packagePath, TDKeepStoreFilesAside(m_packagePath));
    error.userInfo.insert(QStringLiteral("underlyingError"), underlying.detailedDescription());
    return error;
}

// The library records changes in the journal context that the save writes after the library.
void TDLibraryManager::p_attachSyncJournal(TDLibrary* library) {
    m_syncSetContext->setLibrary(library);
    library->setCorvaneSyncSetManagedObjectContext(m_syncSetContext.get());
}

Result<TDLibrary*> TDLibraryManager::loadLibrary() {
    Result<TDLibrary*> loaded = p_loadLibrary();
    if (!loaded.ok()) m_packageLock.reset();
    return loaded;
}

Result<TDLibrary*> TDLibraryManager::p_loadLibrary() {
    if (!libraryExists()) return TDCorruptLibraryError();
    if (!libraryIsAccessible()) return TDLibraryPermissionError();
    if (!libraryIsCompatible())
        return TDLibraryOpeningError(
            TDErrorLibraryNewerVersion,
            QCoreApplication::translate(
                "TDLibraryManager",
                "The library you're trying to open was saved with a newer version of Ordello. "
                "Should I upgrade myself to the newest version?"),
            {QCoreApplication::translate("TDLibraryManager", "Upgrade Ordello"),
             QCoreApplication::translate("TDLibraryManager", "Quit")});
    if (Status locked = p_lockPackage(); !locked.ok()) return locked.error();
    p_removeUnfinishedBuilds();
    if (p_holdsNoLibrary()) {
        logWithLevel(TDLogWarning, "WARNING", "The library at '%@' holds nothing; making a new one",
                     m_packagePath);
        if (Status cleared = p_setEmptyStoreAside(); !cleared.ok()) return p_failedToOpen(cleared.error());
        return createLibrary();
    }
    if (Status complete = p_checkForLostSaves(); !complete.ok()) return complete.error();
    // An older library is migrated first; a failed or declined migration leaves the package untouched.
    if (libraryNeedsMigration()) {
        const auto migrated = TDMigrateLibraryStoreIfNeeded(m_packagePath, m_migrationDelegate);
        if (!migrated.ok()) return migrated.error();
        if (*migrated == TDLibraryMigrationOutcome::Declined)
            return TDLibraryOpeningError(
                TDErrorMigrationFailed,
                QCoreApplication::translate("TDLibraryManager",
                                            "The library was not upgraded and was left untouched."),
                {QCoreApplication::translate("TDLibraryManager", "Quit")});
        m_infoDictionary.reset();
        // The upgraded package took the old one's place, lock file and all.
        m_packageLock.reset();
        if (Status locked = p_lockPackage(); !locked.ok()) return locked.error();
    }

    const Status built = p_buildStack(storePath());
    if (!built.ok()) {
        const TDError error = p_failedToOpen(built.error());
        p_teardown();
        return error;
    }
    m_context->processPendingChanges();
    m_undoManager->disableUndoRegistration();
    const auto finish = [this](const TDError& underlying) -> Result<TDLibrary*> {
        const TDError error = p_failedToOpen(underlying);
        m_undoManager->enableUndoRegistration();
        p_teardown();
        return error;
    };
    const Status loaded = m_context->loadAllObjects();
    if (!loaded.ok()) return finish(loaded.error());
    const auto request = m_coordinator->model().fetchRequestFromTemplate(QStringLiteral("library"));
    if (!request.ok()) return finish(request.error());
    const auto found = m_context->execute(*request);
    if (!found.ok()) return finish(found.error());
    if (found->isEmpty()) {
        logWithLevel(TDLogError, "ERROR", "Could not find library to load");
        return finish(TDError::make(TDErrorLibraryCannotOpen, QStringLiteral("The store holds no library.")));
    }
    if (found->size() > 1) {
        logWithLevel(TDLogError, "ERROR", "There is more than one library! (%ld)",
                     static_cast<long>(found->size()));
        return finish(TDError::make(TDErrorLibraryCannotOpen,
                                    QStringLiteral("The store holds %1 libraries.").arg(found->size())));
    }
    auto* library = dynamic_cast<TDLibrary*>(found->first());
    if (!library)
        return finish(TDError::make(TDErrorLibraryCannotOpen,
                                    QStringLiteral("The library object is of another class.")));
    m_context->setLibrary(library);
    p_attachSyncJournal(library);
    library->setOptions(this);
    QFile::remove(QDir(m_packagePath).filePath(kObsoleteClassificationFileName));
    m_library = library;
    // Data of older library versions is brought up to date (without undo), then saved with the next save.
    TDLibraryManagerUpgradeServices upgradeServices(*this);
    TDUpgradeLibraryIfNeeded(library, &upgradeServices);
    const bool upgraded = m_context->hasChanges();
    m_context->processPendingChanges();
    m_undoManager->enableUndoRegistration();
    p_installObservers();
    if (upgraded) scheduleSave();
    // The damaged file was kept aside; the library's own facts replace it.
    if (m_infoDictionaryDamaged) {
        if (const Status info = saveInfoDictionary(); !info.ok())
            logWithLevel(TDLogError, "ERROR", "Could not write Info.plist: %@",
                         info.error().detailedDescription());
    }
    p_finishLoading();
    return library;
}

Result<TDLibrary*> TDLibraryManager::createLibrary() {
    Result<TDLibrary*> created = p_createLibrary();
    if (!created.ok()) m_packageLock.reset();
    return created;
}

Result<TDLibrary*> TDLibraryManager::p_createLibrary() {
    const auto existingLibraryError = [this] {
        return TDError::make(
            TDErrorLibraryCannotOpen,
            QCoreApplication::translate("TDLibraryManager", "Cannot create library"),
            QCoreApplication::translate("TDLibraryManager", "A library already exists at \"%1\".")
                .arg(m_packagePath));
    };
    if (m_library || libraryExists()) return existingLibraryError();
    const auto creationFailed = [this](const TDError& underlying) -> TDError {
        p_teardown();
        TDError error = TDLibraryEnvironmentError(m_packagePath, underlying).value_or(underlying);
        error.description = QCoreApplication::translate("TDLibraryManager", "Cannot create library");
        return error;
    };
    if (!QDir().mkpath(m_packagePath))
        return creationFailed(
            TDError::make(TDErrorLibraryCannotOpen,
                          QStringLiteral("Could not create the library folder \"%1\".").arg(m_packagePath)));
    if (Status locked = p_lockPackage(); !locked.ok()) return locked.error();
    // Another process may have made it while this one waited for the lock.
    if (libraryExists()) return existingLibraryError();
    p_removeUnfinishedBuilds();
    QTemporaryDir folder(QDir(m_packagePath).filePath(kNewStoreFolderPrefix + QStringLiteral("XXXXXX")));
    if (!folder.isValid())
        return creationFailed(platform::posixError(
            errno, QStringLiteral("Could not create a temporary folder in \"%1\".").arg(m_packagePath)));

    m_infoDictionary.emplace();
    m_optionsDictionary.emplace();
    const Status built = p_buildStack(QDir(folder.path()).filePath(kStoreFileName));
    if (!built.ok()) return creationFailed(built.error());
    m_context->processPendingChanges();
    m_undoManager->disableUndoRegistration();
    m_context->setCreatingLibrary(true);
    auto* library = m_context->insertObject<TDLibrary>(libraryEntityName());
    if (!library) {
        m_undoManager->enableUndoRegistration();
        return creationFailed(TDError::make(TDErrorLibraryCannotOpen,
                                            QStringLiteral("The library model has no Library entity.")));
    }
    m_context->setLibrary(library);
    p_attachSyncJournal(library);
    library->setOptions(this);
    library->createObjectsForNewLibrary();
    m_library = library;
    m_context->processPendingChanges();
    p_installObservers();
    // What the first save does to the starter tasks (journals, figures) belongs to the new library:
    // nothing to undo and nothing left to save.
    const bool dontTrigger = m_context->dontTriggerSaveOnChange();
    m_context->setDontTriggerSaveOnChange(true);
    m_library->processModifiedObjects();
    Status saved = m_context->save();
    if (saved.ok() && m_syncSetContext->hasChanges()) saved = m_syncSetContext->save();
    m_context->setDontTriggerSaveOnChange(dontTrigger);
    m_undoManager->enableUndoRegistration();
    m_context->setCreatingLibrary(false);
    // The store moves in before Info.plist and the options are written: a start killed before the move
    // leaves only the lock and the build folder, which the next start recognises and builds over.
    if (saved.ok()) saved = p_moveNewStoreIntoPlace(folder.path());
    if (saved.ok()) saved = saveInfoDictionary();
    if (saved.ok()) saveOptionsDictionary();
    if (!saved.ok()) return creationFailed(saved.error());
    m_openedLibraryVersion = TDCurrentLibraryVersion;
    savePropertyListBackup();
    ::utimes(QFile::encodeName(m_packagePath).constData(), nullptr);
    p_finishLoading();
    return library;
}

void TDLibraryManager::p_removeUnfinishedBuilds() {
    // Left by a process killed while it built a new library; only the lock holder builds.
    for (const QString& name : QDir(m_packagePath)
                                   .entryList({kNewStoreFolderPrefix + QLatin1Char('*')},
                                              QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
        QDir(QDir(m_packagePath).filePath(name)).removeRecursively();
}

Status TDLibraryManager::p_moveNewStoreIntoPlace(const QString& folder) {
    // Closing checkpoints the journal into the one file, which then moves by a single rename.
    m_coordinator->closeStore();
    const QString built = QDir(folder).filePath(kStoreFileName);
    // Side files without their store are leftovers of an older, interrupted start.
    for (const QString& suffix : kStoreSideSuffixes) QFile::remove(storePath() + suffix);
    for (const QString& suffix : kStoreSideSuffixes)
        if (QFileInfo::exists(built + suffix) &&
            ::rename(QFile::encodeName(built + suffix).constData(),
                     QFile::encodeName(storePath() + suffix).constData()) != 0)
            return platform::posixError(errno, QStringLiteral("Could not move \"%1\".").arg(built + suffix));
    if (::rename(QFile::encodeName(built).constData(), QFile::encodeName(storePath()).constData()) != 0)
        return platform::posixError(
            errno, QStringLiteral("Could not move \"%1\" to \"%2\".").arg(built, storePath()));
    platform::syncFolderLogged(m_packagePath);
    return m_coordinator->openStore(storePath());
}

void TDLibraryManager::p_finishLoading() {
    m_taskClassifier = std::make_unique<TDTaskLSMClassifier>(m_library, m_packagePath);
    m_library->setTaskClassifier(m_taskClassifier.get());
    // The abbreviation choices are learnt into the package of the library in use.
    QSMnemonics::sharedInstance().setLibraryPackagePath(m_packagePath);
    NotificationCenter::defaultCenter().post(TDLibraryDidFinishLoadingNotificationName, m_library);
    // Not shown yet: nothing to keep responsive.
    changeObjectsAfterDateChangeIfNecessary(SmartFolderReload::Synchronous);
    p_updatePeriodicSync();
}

void TDLibraryManager::p_installObservers() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const void* context = static_cast<platform::ManagedObjectContext*>(m_context.get());
    center.addObserver(this, platform::ManagedObjectContextObjectsDidChangeNotification, context,
                       [this](const Notification& n) { p_contextDidChange(n); });
    center.addObserver(this, TDLibraryMOCDidChangeNotification, context,
                       [this](const Notification& n) { p_libraryContextDidChange(n); });
    center.addObserver(this, TDDateChangedNotification, nullptr,
                       [this](const Notification&) { changeObjectsAfterDateChangeIfNecessary(); });
}

Status TDLibraryManager::close() {
    if (!m_context) return {};
    finishPendingOperations();
    if (m_library) {
        const Result<TDLibrarySaveOutcome> saved = p_save();
        if (!saved.ok()) return saved.error();
        // The queues are done, so the store is held from outside them; closing now would lose the changes.
        if (*saved == TDLibrarySaveOutcome::Rescheduled)
            return TDError::make(TDErrorLibraryBusy,
                                 QStringLiteral("The library is busy and was not closed."));
        // Options change without the library changing (the day's upkeep, view choices): a library only
        // looked at must not repeat that upkeep at every opening.
        saveOptionsDictionary();
    }
    p_teardown();
    return {};
}

void TDLibraryManager::closeDiscardingChanges() {
    // A queued operation works on the coordinator that the teardown drops.
    p_waitForQueues();
    p_teardown();
}

void TDLibraryManager::p_teardown() {
    if (m_context) {
        NotificationCenter::defaultCenter().removeObserver(this);
        platform::NotificationQueue::defaultQueue().dequeueMatching(
            Notification{QString(), static_cast<platform::ManagedObjectContext*>(m_context.get()), {}},
            platform::NotificationQueue::CoalesceOnSender);
    }
    if (m_library) {
        m_library->setTaskClassifier(nullptr);
        m_library->setOptions(nullptr);
        m_library->setCorvaneSyncSetManagedObjectContext(nullptr);
    }
    m_taskClassifier.reset();
    // Pending choices reach this package before the memory lets go of it; a memory another manager's
    // library uses is left alone.
    if (m_library && QSMnemonics::sharedInstance().libraryPackagePath() == m_packagePath)
        QSMnemonics::sharedInstance().setLibraryPackagePath({});
    m_library = nullptr;
    m_infoDictionary.reset();
    m_optionsDictionary.reset();
    m_writtenOptions.clear();
    delete m_saveTimer;
    m_saveTimer = nullptr;
    delete m_syncTimer;
    m_syncTimer = nullptr;
    delete m_periodicSyncTimer;
    m_periodicSyncTimer = nullptr;
    m_splitter.reset();
    if (m_context) m_context->reset();
    m_syncSetContext.reset();
    m_context.reset();
    m_undoManager.reset();
    m_coordinator.reset();
    m_packageLock.reset();
}

platform::OperationQueue* TDLibraryManager::exportOperationQueue() {
    if (!m_exportQueue) m_exportQueue = new platform::OperationQueue(QStringLiteral("export"), this);
    return m_exportQueue;
}

platform::OperationQueue* TDLibraryManager::syncOperationQueue() {
    if (!m_syncQueue) m_syncQueue = new platform::OperationQueue(QStringLiteral("sync"), this);
    return m_syncQueue;
}

bool TDLibraryManager::hasPendingOperations() const {
    return (m_exportQueue && m_exportQueue->operationCount() > 0) ||
           (m_syncQueue && m_syncQueue->operationCount() > 0);
}

void TDLibraryManager::p_waitForQueues() {
    if (!hasPendingOperations()) return;
    finishPendingOperations();
}

void TDLibraryManager::finishPendingOperations() {
    platform::OperationQueue* exportQueue = m_exportQueue;
    platform::OperationQueue* syncQueue = m_syncQueue;
    const auto wait = [exportQueue, syncQueue] {
        if (exportQueue) exportQueue->waitUntilAllOperationsAreFinished();
        if (syncQueue) syncQueue->waitUntilAllOperationsAreFinished();
    };
    if (!QCoreApplication::instance() || !isMainThread()) {
        wait();
        return;
    }
    // Operations may need the main thread (to merge their saves, to show an error): keep it running.
    QEventLoop loop;
    std::unique_ptr<QThread> waiter(QThread::create([wait, &loop] {
        wait();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    }));
    waiter->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    waiter->wait();
}

void TDLibraryManager::finishPendingOperationsInBackground(std::function<void()> then) {
    platform::OperationQueue* exportQueue = m_exportQueue;
    platform::OperationQueue* syncQueue = m_syncQueue;
    QThread* waiter = QThread::create([exportQueue, syncQueue] {
        if (exportQueue) exportQueue->waitUntilAllOperationsAreFinished();
        if (syncQueue) syncQueue->waitUntilAllOperationsAreFinished();
    });
    connect(waiter, &QThread::finished, this, [waiter, then = std::move(then)] {
        waiter->deleteLater();
        if (then) then();
    });
    waiter->start();
}

void TDLibraryManager::changeObjectsAfterDateChangeIfNecessary(SmartFolderReload reload) {
    if (!m_library) return;
    const QDateTime today = dates::dateAtStartOfDay(TDClock::currentDateTime());
    const QDateTime last = optionForKey(kLastDateDependentDataChangedDateKey).toDateTime();
    if (last.isValid() && dates::dateAtStartOfDay(last) == today) return;
    m_library->createRecurringTasksIfNecessary();
    if (reload == SmartFolderReload::Synchronous || m_context->hasChanges()) {
        m_library->reloadAllSmartFolders();
    } else {
        QList<platform::ObjectID> ids;
        for (TDGroup* group : m_library->allSmartFolders()) {
            const TDSmartFolder* folder = TDSmartFolder::from(group);
            if (!folder || !folder->hasRelativeDateRules()) continue;
            // Changes on the main thread judge tasks by today's rules from now on.
            group->resetPredicate();
            ids.append(group->objectID());
        }
        if (!ids.isEmpty()) {
            auto reload = std::make_shared<TDSmartFolderReloadOperation>(m_coordinator.get(), m_library, ids);
            reload->setLibraryManager(this);
            syncOperationQueue()->addOperation(reload);
        }
    }
    setOption(TDClock::currentDateTime(), kLastDateDependentDataChangedDateKey);
}

// Options.

QVariantMap TDLibraryManager::optionsDictionary() {
    if (!m_optionsDictionary) {
        m_optionsDictionary.emplace();
        if (QFileInfo::exists(optionsDictionaryPath())) {
            const auto read = platform::readPropertyListFile(optionsDictionaryPath(), kMaxPackagePlistSize);
            if (isPropertyListDictionary(read))
                m_optionsDictionary = read->toMap();
            else
                keepUnreadableFileAside(optionsDictionaryPath(), read, false);
        }
    }
    return *m_optionsDictionary;
}

QVariant TDLibraryManager::optionForKey(const QString& key) {
    return optionsDictionary().value(key);
}

void TDLibraryManager::setOption(const QVariant& value, const QString& key) {
    optionsDictionary();
    const QVariant previous = m_optionsDictionary->value(key);
    if (value.isValid())
        m_optionsDictionary->insert(key, value);
    else
        m_optionsDictionary->remove(key);
    if (previous != value) Q_EMIT optionDidChange(key);
}

void TDLibraryManager::setOptionsDictionary(const std::optional<QVariantMap>& options) {
    m_optionsDictionary = options;
}

void TDLibraryManager::clearOptions() {
    setOptionsDictionary(QVariantMap());
}

void TDLibraryManager::saveOptionsDictionary() {
    copyOptionsFromUserDefaults();
    if (!QFileInfo(m_packagePath).isDir()) return;
    const auto bytes = platform::writePropertyList(optionsDictionary());
    // Unchanged options cost no write (and no disk flush) at every autosave.
    if (!bytes.ok() || (*bytes == m_writtenOptions && QFileInfo::exists(optionsDictionaryPath()))) return;
    // A failed write is not reported: the options are written again at the next save.
    if (platform::writePropertyListFile(optionsDictionaryPath(), optionsDictionary()).ok())
        m_writtenOptions = *bytes;
}

bool TDLibraryManager::shouldCopyOptionToAndFromUserDefaults(const QString& key) {
    static const QStringList prefixes{QStringLiteral("NSWindow "),      QStringLiteral("NSSplitView "),
                                      QStringLiteral("TDSplitView "),   QStringLiteral("NSTableView "),
                                      QStringLiteral("NSOutlineView "), QStringLiteral("TDTabControl ")};
    for (const QString& prefix : prefixes)
        if (key.startsWith(prefix)) return true;
    return false;
}

void TDLibraryManager::copyOptionsToUserDefaults() {
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    for (const QString& key : defaults.storedKeys())
        if (shouldCopyOptionToAndFromUserDefaults(key)) defaults.removeValue(key);
    const QVariantMap options = optionsDictionary();
    for (auto it = options.cbegin(); it != options.cend(); ++it)
        if (shouldCopyOptionToAndFromUserDefaults(it.key())) defaults.setValue(it.key(), it.value());
}

void TDLibraryManager::copyOptionsFromUserDefaults() {
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    QStringList keys = defaults.storedKeys() + defaults.registeredDefaults().keys();
    // Keys the library carries but the user defaults lost are removed too.
    keys += optionsDictionary().keys();
    for (const QString& key : keys)
        if (shouldCopyOptionToAndFromUserDefaults(key)) setOption(defaults.value(key), key);
}

void TDLibraryManager::cleanUpGroupViewOptions() {
    if (!m_library || !m_context) return;
    const QVariantMap options = optionForKey(kGroupViewOptionsKey).toMap();
    if (options.isEmpty()) return;
    // Every existing group's UID: the library's group lookup is the model's, this needs only the UIDs.
    QSet<QString> uids;
    const auto groups = m_context->execute(platform::FetchRequest(QStringLiteral("Group")));
    if (!groups.ok()) return;
    for (const platform::ManagedObject* group : *groups)
        if (!group->isDeleted()) uids.insert(group->primitiveValue(QStringLiteral("uid")).toString());
    QVariantMap kept;
    for (auto it = options.cbegin(); it != options.cend(); ++it)
        if (uids.contains(it.key())) kept.insert(it.key(), it.value());
    if (kept.size() != options.size()) setOption(kept, kGroupViewOptionsKey);
}

// Info.plist.

Status TDLibraryManager::writeInfoDictionary(const QString& packagePath, const TDLibrary* library,
                                             const platform::PersistentStoreCoordinator* store,
                                             platform::WriteDurability durability) {
    QVariantMap info;
    info.insert(QStringLiteral("TDApplicationShortVersion"), QStringLiteral(ORDELLO_BUILD_NUMBER));
    info.insert(QStringLiteral("TDApplicationVersion"), QStringLiteral(ORDELLO_VERSION));
    info.insert(kLibraryVersionKey, library ? library->primitiveValue(QStringLiteral("version")).toDouble()
                                            : TDCurrentLibraryVersion);
    info.insert(QStringLiteral("TDSavedDate"), TDClock::currentDateTime().toUTC());
    if (store && store->saveCount()) {
        info.insert(kSaveCountKey, *store->saveCount());
        info.insert(kStoreUUIDKey, store->storeUUID());
    }
    return platform::writePropertyListFile(QDir(packagePath).filePath(kInfoFileName), info,
                                           platform::PropertyListFormat::Xml, durability);
}

Status TDLibraryManager::saveInfoDictionary(platform::WriteDurability durability) {
    const Status written = writeInfoDictionary(m_packagePath, m_library, m_coordinator.get(), durability);
    m_infoDictionary.reset();
    m_infoDictionaryDamaged = false;
    return written;
}

// Saving.

bool TDLibraryManager::dontTriggerSaveOnChange() const {
    return m_context && m_context->dontTriggerSaveOnChange();
}

void TDLibraryManager::setDontTriggerSaveOnChange(bool dontTrigger) {
    if (m_context) m_context->setDontTriggerSaveOnChange(dontTrigger);
}

TDLibrarySaveOutcome TDLibraryManager::saveLibraryOrReschedule() {
    const Result<TDLibrarySaveOutcome> saved = p_save();
    return saved.ok() ? *saved : TDLibrarySaveOutcome::Failed;
}

bool TDLibraryManager::saveLibrary() {
    return saveLibraryOrReschedule() != TDLibrarySaveOutcome::Failed;
}

bool TDLibraryManager::saveLibraryWithoutSyncing() {
    const bool wasDisabled = m_disableSyncOnSave;
    m_disableSyncOnSave = true;
    const bool saved = saveLibrary();
    m_disableSyncOnSave = wasDisabled;
    return saved;
}

Result<TDLibrarySaveOutcome> TDLibraryManager::p_save(EditingOnSave editing) {
    if (!m_context || !m_library) return TDLibrarySaveOutcome::Saved;
    if (editing == EditingOnSave::End && !m_editors.commitEditing()) {
        logWithLevel(TDLogError, "ERROR", "Could not commit editing on managed object context");
        return TDError::make(TDErrorLibraryEditingNotEnded, QStringLiteral("Could not commit editing"));
    }
    if (!m_context->hasChanges()) return TDLibrarySaveOutcome::Saved;
    if (!m_coordinator->tryLock()) {
        logWithLevel(
            TDLogWarning, "WARNING",
            "Could not lock persistent store coordinator to save MOC. Retrying save after save delay.");
        scheduleSave();
        return TDLibrarySaveOutcome::Rescheduled;
    }
    logWithLevel(TDLogDebug, "DEBUG", "Saving library...");
    m_library->processModifiedObjects();
    Status saved = m_context->save();
    if (!saved.ok()) {
        logWithLevel(TDLogWarning, "WARNING",
                     "Could not save. Fixing library before trying to save again...");
        TDFixLibrary(m_library);
        saved = m_context->save();
    }
    if (!saved.ok()) {
        TDAppDelegate().handleError(saved.error(), QStringLiteral("Could not save library"));
        m_coordinator->unlock();
        return saved.error();
    }
    bool syncWorthy = false;
    if (m_syncSetContext->hasChanges()) {
        const Status journal = m_syncSetContext->save();
        if (journal.ok())
            syncWorthy = true;
        else
            TDAppDelegate().handleError(journal.error(), QStringLiteral("Could not save sync information"));
    }
    if (const Status info = saveInfoDictionary(platform::WriteDurability::ContentsOnly); !info.ok())
        logWithLevel(TDLogError, "ERROR", "Could not write Info.plist: %@",
                     info.error().detailedDescription());
    saveOptionsDictionary();
    p_afterSave(syncWorthy);
    // Stamp the package so the file manager and backup tools see it changed.
    ::utimes(QFile::encodeName(m_packagePath).constData(), nullptr);
    m_coordinator->unlock();
    return TDLibrarySaveOutcome::Saved;
}

void TDLibraryManager::p_afterSave(bool syncWorthy) {
    if (syncWorthy && !m_disableSyncOnSave && !m_context->isSyncingLibrary()) sync();
    // The classifier logs a failed save and keeps what it learnt for the next one.
    if (m_taskClassifier) (void)m_taskClassifier->save();
    savePropertyListBackup();
}

namespace {
TDLibraryManager::SyncOperationMaker& syncOperationMaker() {
    static TDLibraryManager::SyncOperationMaker maker;
    return maker;
}
}  // namespace

void TDLibraryManager::setSyncOperationMaker(SyncOperationMaker maker) {
    syncOperationMaker() = std::move(maker);
}

namespace {
TDLibraryManager::TaskGetOperationMaker& taskGetOperationMaker() {
    static TDLibraryManager::TaskGetOperationMaker maker;
    return maker;
}
}  // namespace

void TDLibraryManager::setTaskGetOperationMaker(TaskGetOperationMaker maker) {
    taskGetOperationMaker() = std::move(maker);
}

void TDLibraryManager::fetchTasksForParentObject(const TDLibraryObject* object) {
    if (!object || !m_library || !p_isSyncEnabled() || !taskGetOperationMaker()) return;
    syncOperationQueue()->addOperation(taskGetOperationMaker()(this, m_library, object->objectID()));
}

bool TDLibraryManager::p_isSyncEnabled() {
    return m_library && optionForKey(QStringLiteral("corvaneSyncEnabled")).toBool();
}

void TDLibraryManager::scheduleSync() {
    scheduleSyncAfterDelay(platform::UserDefaults::standard().real(QStringLiteral("libraryAutosaveDelay")));
}

void TDLibraryManager::scheduleSyncAfterDelay(double seconds) {
    if (!p_isSyncEnabled()) return;
    if (!m_syncTimer) {
        m_syncTimer = new QTimer(this);
        m_syncTimer->setSingleShot(true);
        connect(m_syncTimer, &QTimer::timeout, this, &TDLibraryManager::sync);
    }
    m_syncTimer->start(static_cast<int>(qMax(0.0, seconds) * 1000.0));
}

void TDLibraryManager::cancelScheduledSync() {
    if (m_syncTimer) m_syncTimer->stop();
}

bool TDSyncMaySendTo(const QString& serviceURL, bool networkReachable) {
    if (networkReachable) return true;
    const QString host = QUrl(serviceURL).host();
    return host.startsWith(QStringLiteral("localhost")) || host.startsWith(QStringLiteral("127.")) ||
           host.startsWith(QStringLiteral("192.168."));
}

void TDLibraryManager::sync() {
    p_updatePeriodicSync();
    if (!p_isSyncEnabled()) return;
    cancelScheduledSync();
    const bool reachable =
        TDNetworkReachability::reachabilityForInternetConnection()->currentReachabilityStatus() !=
        TDNetworkReachability::NotReachable;
    if (!TDSyncMaySendTo(platform::UserDefaults::standard().string(QStringLiteral("corvaneSyncServiceURL")),
                         reachable)) {
        logWithLevel(TDLogDebug, "DEBUG", "No Internet connection. Sync bailing");
        return;
    }
    const TDSyncSet* syncSet = m_library->corvaneSyncSet(false);
    if (!syncSet || !syncSet->lastSyncDate().isValid()) {
        TDAppDelegate().fullSync();
        return;
    }
    if (!syncOperationMaker()) return;
    // Sync errors are the operation's to report: the manager is not its delegate.
    syncOperationQueue()->addOperation(syncOperationMaker()(this, m_library));
}

void TDLibraryManager::cancelSync() {
    if (m_syncQueue) m_syncQueue->cancelAllOperations();
}

bool TDLibraryManager::isSyncing() const {
    return m_syncQueue && m_syncQueue->operationCount() > 0;
}

bool TDLibraryManager::isPeriodicSyncActive() const {
    return m_periodicSyncTimer && m_periodicSyncTimer->isActive();
}

void TDLibraryManager::p_updatePeriodicSync() {
    if (!p_isSyncEnabled()) {
        if (m_periodicSyncTimer) m_periodicSyncTimer->stop();
        return;
    }
    if (!m_periodicSyncTimer) {
        m_periodicSyncTimer = new QTimer(this);
        connect(m_periodicSyncTimer, &QTimer::timeout, this, &TDLibraryManager::sync);
    }
    if (!m_periodicSyncTimer->isActive()) m_periodicSyncTimer->start(kPeriodicSyncMilliseconds);
}

void TDLibraryManager::syncSignOut() {
    setOption(QVariant(false), QStringLiteral("corvaneSyncEnabled"));
    if (TDSyncSet* syncSet = m_library ? m_library->corvaneSyncSet(false) : nullptr;
        syncSet && syncSet->lastSyncDate().isValid()) {
        syncSet->setValue(QStringLiteral("lastSyncDate"), QVariant());
        if (const Status saved = m_syncSetContext->save(); !saved)
            TDAppDelegate().handleError(saved.error(), QStringLiteral("Could not save sync information"));
    }
    saveOptionsDictionary();
    cancelScheduledSync();
    p_updatePeriodicSync();
    platform::NotificationCenter::defaultCenter().post(TDSyncDidSignOut, this);
}

void TDLibraryManager::scheduleSave() {
    if (!m_context || m_context->dontTriggerSaveOnChange()) return;
    if (!m_saveTimer) {
        m_saveTimer = new QTimer(this);
        m_saveTimer->setSingleShot(true);
        connect(m_saveTimer, &QTimer::timeout, this, &TDLibraryManager::p_saveTimerFired);
    }
    const double delay = platform::UserDefaults::standard().real(QStringLiteral("libraryAutosaveDelay"));
    m_saveTimer->start(static_cast<int>(qMax(0.0, delay) * 1000.0));
}

bool TDLibraryManager::isSaveScheduled() const {
    return m_saveTimer && m_saveTimer->isActive();
}

void TDLibraryManager::p_saveTimerFired() {
    if (!p_save(EditingOnSave::Leave).ok()) logWithLevel(TDLogError, "ERROR", "Problem saving library");
}

void TDLibraryManager::p_contextDidChange(const Notification& notification) {
    m_context->recalculateTransientProperties();
    if (!m_splitter) m_splitter = std::make_unique<TDManagedObjectContextDidChangeNotificationSplitter>();
    m_splitter->enqueueNotifications(notification);
}

void TDLibraryManager::p_libraryContextDidChange(const Notification& notification) {
    if (!m_library) return;
    if (!m_context->isSyncingLibrary()) m_library->processModifiedObjects();
    const platform::EntityDescription* group = m_coordinator->model().entity(QStringLiteral("Group"));
    for (const QVariant& v : notification.userInfo.value(TDDeletedObjectsKey).toList()) {
        const auto* object = dynamic_cast<const platform::ManagedObject*>(platform::objectFromVariant(v));
        if (object && group && object->entity()->isKindOfEntity(group)) {
            cleanUpGroupViewOptions();
            // A deleted tag takes its category with it.
            if (m_taskClassifier) {
                m_taskClassifier->retrain();
                (void)m_taskClassifier->save();  // logs its own failure
            }
            break;
        }
    }
    scheduleSave();
}

void TDLibraryManager::mergeChangesFromOperationSave(const Notification& didSave) {
    if (!m_context) return;
    const bool dontTrigger = m_context->dontTriggerSaveOnChange();
    m_context->setDontTriggerSaveOnChange(true);
    m_undoManager->disableUndoRegistration();
    m_context->mergeChangesFromContextDidSave(didSave);
    m_context->processPendingChanges();
    m_undoManager->enableUndoRegistration();
    m_context->setDontTriggerSaveOnChange(dontTrigger);
}

void TDLibraryManager::libraryOperationDidFailWithError(TDLibraryOperation*, const TDError& error) {
    TDAppDelegate().handleError(error, QStringLiteral("Operation failed"));
}
