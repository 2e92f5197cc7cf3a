#include "store/library_manager.h"

#include "store/library_manager_upgrade_services.h"

#include "store/library_data_upgrade.h"

#include "store/library_migration.h"

#include "foundation/application_delegate.h"
#include "foundation/date_change_notifier.h"
#include "foundation/paths.h"
#include "foundation/version.h"
#include "language/date_additions.h"
#include "model/library.h"
#include "model/library_model.h"
#include "model/library_notifications.h"
#include "model/managed_object_context.h"
#include "model/managed_object_context_did_change_notification_splitter.h"
#include "model/smart_folder.h"
#include "model/task_lsm_classifier.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/kvc/key_value_coding.h"
#include "platform/notifications/notification_center.h"
#include "platform/notifications/notification_queue.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/object_model.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/operations/operation_queue.h"
#include "platform/plist/property_list.h"
#include "platform/undo/undo_manager.h"
#include "store/library_version.h"
#include "store/smart_folder_reload_operation.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <sys/time.h>

using platform::Notification;
using platform::NotificationCenter;

namespace {

const QString kStoreFileName = QStringLiteral("library.sqlite3");
const QString kInfoFileName = QStringLiteral("Info.plist");
const QString kOptionsFileName = QStringLiteral("options.plist");
const QString kObsoleteClassificationFileName = QStringLiteral("task_classification.plist");
const QString kLibraryVersionKey = QStringLiteral("TDLibraryVersion");
const QString kGroupViewOptionsKey = QStringLiteral("groupViewOptions");
const QString kLastDateDependentDataChangedDateKey = QStringLiteral("lastDateDependentDataChangedDate");
// Info.plist and options.plist are small; anything far larger is not ours.
constexpr qsizetype kMaxPackagePlistSize = 16 * 1024 * 1024;

TDLibraryManager* g_installedManager = nullptr;
// Never destroyed: at exit the notification centre and the application it would still talk to may be gone.
TDLibraryManager* g_defaultManager = nullptr;

class AppDelegateRecoveryAttempter : public TDErrorRecoveryAttempter {
public:
    bool attemptRecovery(const TDError& error, int optionIndex) override {
        return TDAppDelegate().attemptRecoveryFromError(error, optionIndex);
    }
};

TDError openingError(int code, const QString& suggestion, const QStringList& options) {
    TDError error = TDError::make(
        code, QCoreApplication::translate("TDLibraryManager", "Cannot open library"), suggestion);
    error.recoveryOptions = options;
    error.recoveryAttempter = std::make_shared<AppDelegateRecoveryAttempter>();
    return error;
}

TDError corruptLibraryError() {
    return openingError(
        TDErrorLibraryCannotOpen,
        QCoreApplication::translate("TDLibraryManager",
                                    "The library you're trying to open is corrupted or invalid. "
                                    "Contact Vantorel support if you need help."),
        {QCoreApplication::translate("TDLibraryManager", "Quit")});
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

bool TDLibraryManager::libraryExists() const {
    return QFileInfo(storePath()).isFile();
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
            if (read.ok()) m_infoDictionary = read->toMap();
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

Status TDLibraryManager::p_buildStack() {
    if (m_coordinator) return {};
    if (!QDir().mkpath(m_packagePath))
        return TDError::make(
            TDErrorLibraryCannotOpen,
            QStringLiteral("Could not create the library folder \"%1\".").arg(m_packagePath));
    m_openedLibraryVersion = versionInInfo(infoDictionary());
    const auto model = TDLibraryObjectModel();
    if (!model.ok()) return model.error();
    auto coordinator = std::make_unique<platform::PersistentStoreCoordinator>(*model);
    const Status opened = coordinator->openStore(storePath());
    if (!opened.ok()) return opened.error();
    m_coordinator = std::move(coordinator);
    m_undoManager = std::make_unique<platform::UndoManager>();
    m_context = std::make_unique<TDManagedObjectContext>(m_coordinator.get());
    m_context->setUndoManager(m_undoManager.get());
    m_syncSetContext = std::make_unique<TDManagedObjectContext>(m_coordinator.get());
    return {};
}

Result<TDLibrary*> TDLibraryManager::loadLibrary() {
    if (!libraryExists()) return corruptLibraryError();
    if (!libraryIsAccessible())
        return openingError(
            TDErrorLibraryCannotOpen,
            QCoreApplication::translate("TDLibraryManager",
                                        "Ordello does not have permission to access your library."),
            {QCoreApplication::translate("TDLibraryManager", "Quit")});
    if (!libraryIsCompatible())
        return openingError(
            TDErrorLibraryNewerVersion,
            QCoreApplication::translate(
                "TDLibraryManager",
                "The library you're trying to open was saved with a newer version of Ordello. "
                "Should I upgrade myself to the newest version?"),
            {QCoreApplication::translate("TDLibraryManager", "Upgrade Ordello"),
             QCoreApplication::translate("TDLibraryManager", "Quit")});
    // An older library is migrated first; a failed or declined migration leaves the package untouched.
    if (libraryNeedsMigration()) {
        const auto migrated = TDMigrateLibraryStoreIfNeeded(m_packagePath, m_migrationDelegate);
        if (!migrated.ok()) return migrated.error();
        if (*migrated == TDLibraryMigrationOutcome::Declined)
            return openingError(TDErrorMigrationFailed,
                                QCoreApplication::translate("TDLibraryManager",
                                                            "The library was not upgraded and was left untouched."),
                                {QCoreApplication::translate("TDLibraryManager", "Quit")});
        m_infoDictionary.reset();
    }

    const Status built = p_buildStack();
    if (!built.ok()) {
        logWithLevel(TDLogError, "ERROR", "Could not initialize library manager: %@",
                     built.error().detailedDescription());
        p_teardown();
        TDError error = corruptLibraryError();
        error.userInfo.insert(QStringLiteral("underlyingError"), built.error().detailedDescription());
        return error;
    }
    m_context->processPendingChanges();
    m_undoManager->disableUndoRegistration();
    const auto finish = [this](TDError error) -> Result<TDLibrary*> {
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
        return finish(corruptLibraryError());
    }
    if (found->size() > 1) {
        logWithLevel(TDLogError, "ERROR", "There is more than one library! (%ld)",
                     static_cast<long>(found->size()));
        return finish(corruptLibraryError());
    }
    auto* library = dynamic_cast<TDLibrary*>(found->first());
    if (!library) return finish(corruptLibraryError());
    m_context->setLibrary(library);
    m_syncSetContext->setLibrary(library);
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
    p_finishLoading();
    return library;
}

Result<TDLibrary*> TDLibraryManager::createLibrary() {
    if (m_library || libraryExists())
        return TDError::make(
            TDErrorLibraryCannotOpen,
            QCoreApplication::translate("TDLibraryManager", "Cannot create library"),
            QCoreApplication::translate("TDLibraryManager", "A library already exists at \"%1\".")
                .arg(m_packagePath));
    m_infoDictionary.emplace();
    m_optionsDictionary.emplace();
    const Status built = p_buildStack();
    if (!built.ok()) {
        p_teardown();
        return built.error();
    }
    m_context->processPendingChanges();
    m_undoManager->disableUndoRegistration();
    m_context->setCreatingLibrary(true);
    auto* library = m_context->insertObject<TDLibrary>(libraryEntityName());
    if (!library) {
        m_undoManager->enableUndoRegistration();
        p_teardown();
        return TDError::make(TDErrorLibraryCannotOpen,
                             QStringLiteral("The library model has no Library entity."));
    }
    m_context->setLibrary(library);
    m_syncSetContext->setLibrary(library);
    library->createObjectsForNewLibrary();
    m_library = library;
    m_context->processPendingChanges();
    p_installObservers();
    // What the first save does to the starter tasks (journals, figures) belongs to the new library:
    // nothing to undo and nothing left to save.
    const bool dontTrigger = m_context->dontTriggerSaveOnChange();
    m_context->setDontTriggerSaveOnChange(true);
    const Status saved = p_save();
    m_context->setDontTriggerSaveOnChange(dontTrigger);
    m_undoManager->enableUndoRegistration();
    m_context->setCreatingLibrary(false);
    if (!saved.ok()) {
        p_teardown();
        return saved.error();
    }
    m_openedLibraryVersion = TDCurrentLibraryVersion;
    p_finishLoading();
    return library;
}

void TDLibraryManager::p_finishLoading() {
    m_taskClassifier = std::make_unique<TDTaskLSMClassifier>(m_library, m_packagePath);
    m_library->setTaskClassifier(m_taskClassifier.get());
    NotificationCenter::defaultCenter().post(TDLibraryDidFinishLoadingNotificationName, m_library);
    // Not shown yet: nothing to keep responsive.
    changeObjectsAfterDateChangeIfNecessary(SmartFolderReload::Synchronous);
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
        const Status saved = p_save();
        if (!saved.ok()) return saved;
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
    if (m_library) m_library->setTaskClassifier(nullptr);
    m_taskClassifier.reset();
    m_library = nullptr;
    m_infoDictionary.reset();
    m_optionsDictionary.reset();
    m_writtenOptions.clear();
    delete m_saveTimer;
    m_saveTimer = nullptr;
    m_splitter.reset();
    if (m_context) m_context->reset();
    m_syncSetContext.reset();
    m_context.reset();
    m_undoManager.reset();
    m_coordinator.reset();
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
        if (!ids.isEmpty())
            syncOperationQueue()->addOperation(
                std::make_shared<TDSmartFolderReloadOperation>(m_coordinator.get(), m_library, ids));
    }
    setOption(TDClock::currentDateTime(), kLastDateDependentDataChangedDateKey);
}

// Options.

QVariantMap TDLibraryManager::optionsDictionary() {
    if (!m_optionsDictionary) {
        m_optionsDictionary.emplace();
        if (QFileInfo::exists(optionsDictionaryPath())) {
            const auto read = platform::readPropertyListFile(optionsDictionaryPath(), kMaxPackagePlistSize);
            if (read.ok()) m_optionsDictionary = read->toMap();
        }
    }
    return *m_optionsDictionary;
}

QVariant TDLibraryManager::optionForKey(const QString& key) {
    return optionsDictionary().value(key);
}

void TDLibraryManager::setOption(const QVariant& value, const QString& key) {
    optionsDictionary();
    if (value.isValid())
        m_optionsDictionary->insert(key, value);
    else
        m_optionsDictionary->remove(key);
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

Status TDLibraryManager::writeInfoDictionary(const QString& packagePath, const TDLibrary* library) {
    QVariantMap info;
    info.insert(QStringLiteral("TDApplicationShortVersion"), QStringLiteral(ORDELLO_BUILD_NUMBER));
    info.insert(QStringLiteral("TDApplicationVersion"), QStringLiteral(ORDELLO_VERSION));
    info.insert(kLibraryVersionKey, library ? library->primitiveValue(QStringLiteral("version")).toDouble()
                                            : TDCurrentLibraryVersion);
    info.insert(QStringLiteral("TDSavedDate"), TDClock::currentDateTime().toUTC());
    return platform::writePropertyListFile(QDir(packagePath).filePath(kInfoFileName), info);
}

Status TDLibraryManager::saveInfoDictionary() {
    const Status written = writeInfoDictionary(m_packagePath, m_library);
    m_infoDictionary.reset();
    return written;
}

// Saving.

bool TDLibraryManager::dontTriggerSaveOnChange() const {
    return m_context && m_context->dontTriggerSaveOnChange();
}

void TDLibraryManager::setDontTriggerSaveOnChange(bool dontTrigger) {
    if (m_context) m_context->setDontTriggerSaveOnChange(dontTrigger);
}

bool TDLibraryManager::saveLibrary() {
    return p_save().ok();
}

bool TDLibraryManager::saveLibraryWithoutSyncing() {
    const bool wasDisabled = m_disableSyncOnSave;
    m_disableSyncOnSave = true;
    const bool saved = saveLibrary();
    m_disableSyncOnSave = wasDisabled;
    return saved;
}

Status TDLibraryManager::p_save() {
    if (!m_context || !m_library) return {};
    if (!m_editors.commitEditing()) {
        logWithLevel(TDLogError, "ERROR", "Could not commit editing on managed object context");
        return TDError::make(0, QStringLiteral("Could not commit editing"));
    }
    if (!m_context->hasChanges()) return {};
    if (!m_coordinator->tryLock()) {
        logWithLevel(
            TDLogWarning, "WARNING",
            "Could not lock persistent store coordinator to save MOC. Retrying save after save delay.");
        scheduleSave();
        return TDError::make(0, QStringLiteral("The library is busy; the save was rescheduled."));
    }
    logWithLevel(TDLogDebug, "DEBUG", "Saving library...");
    m_library->processModifiedObjects();
    Status saved = m_context->save();
    if (!saved.ok()) {
        logWithLevel(TDLogWarning, "WARNING", "Could not save. Fixing library before trying to save again...");
        m_library->fixLibrary();
        saved = m_context->save();
    }
    if (!saved.ok()) {
        TDAppDelegate().handleError(saved.error(), QStringLiteral("Could not save library"));
        m_coordinator->unlock();
        return saved;
    }
    bool syncWorthy = false;
    if (m_syncSetContext->hasChanges()) {
        const Status journal = m_syncSetContext->save();
        if (journal.ok())
            syncWorthy = true;
        else
            TDAppDelegate().handleError(journal.error(), QStringLiteral("Could not save sync information"));
    }
    if (const Status info = saveInfoDictionary(); !info.ok())
        logWithLevel(TDLogError, "ERROR", "Could not write Info.plist: %@",
                     info.error().detailedDescription());
    saveOptionsDictionary();
    p_afterSave(syncWorthy);
    // Stamp the package so the file manager and backup tools see it changed.
    ::utimes(QFile::encodeName(m_packagePath).constData(), nullptr);
    m_coordinator->unlock();
    return {};
}

void TDLibraryManager::p_afterSave(bool syncWorthy) {
    if (syncWorthy && !m_disableSyncOnSave && !m_context->isSyncingLibrary()) sync();
    if (m_taskClassifier) (void)m_taskClassifier->save();
    savePropertyListBackup();
}

void TDLibraryManager::sync() {
    // The sync operation comes with the sync subsystem; without an account there is nothing to send.
    if (!optionForKey(QStringLiteral("corvaneSyncEnabled")).toBool()) return;
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
    if (!saveLibrary()) logWithLevel(TDLogError, "ERROR", "Problem saving library");
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
                (void)m_taskClassifier->save();
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
