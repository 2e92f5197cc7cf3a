#include "sync/calendar_store_sync_manager.h"

#include "model/calendar_store_sync_settings.h"
#include "model/group.h"
#include "model/library.h"
#include "model/library_notifications.h"
#include "model/task.h"
#include "platform/calendarstore/calendar_store.h"
#include "platform/notifications/notification_center.h"
#include "platform/objectstore/managed_object.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/operations/operation_queue.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "sync/calendar_store_sync_operation.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

constexpr int kSyncDelayMilliseconds = 1000;

bool containsTask(const QVariant& objects) {
    for (platform::ManagedObject* object : platform::managedObjectsFromVariantList(objects))
        if (dynamic_cast<TDTask*>(object)) return true;
    return false;
}

const QString kCalendarStoreUIDKey = QStringLiteral("calendarStoreUID");

// The library's tasks linked to calendar items, by item uid, gathered in one pass: a batch of outside
// changes looks each of its items up here instead of searching every task per item. Where two tasks
// claim one item, the last fetched wins, as a single lookup has it.
Result<QHash<QString, TDTask*>> linkedTasksByCalendarUID(TDLibrary& library) {
    const auto tasks = library.fetch(QStringLiteral("Task"));
    if (!tasks) return tasks.error();
    QHash<QString, TDTask*> linked;
    for (platform::ManagedObject* object : *tasks) {
        const QString uid = object->primitiveValue(kCalendarStoreUIDKey).toString();
        if (!uid.isEmpty()) linked.insert(uid, TDTask::from(object));
    }
    return linked;
}

}  // namespace

TDCalendarStoreSyncManager::TDCalendarStoreSyncManager(TDLibraryManager* libraryManager, QObject* parent)
    : QObject(parent),
      m_libraryManager(libraryManager),
      m_syncQueue(new platform::OperationQueue(QStringLiteral("calendar sync"), this)),
      m_syncTimer(new QTimer(this)) {
    m_syncTimer->setSingleShot(true);
    m_syncTimer->setInterval(kSyncDelayMilliseconds);
    connect(m_syncTimer, &QTimer::timeout, this, &TDCalendarStoreSyncManager::syncTimerFired);
    platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, TDActiveLibraryWillChangeNotification, nullptr,
                       [this](const platform::Notification&) { activeLibraryWillChange(); });
    center.addObserver(this, TDLibraryDidFinishLoadingNotificationName, nullptr,
                       [this](const platform::Notification& n) { libraryDidFinishLoading(n); });
    // A library opened before the manager was made.
    if (TDLibrary* open = m_libraryManager ? m_libraryManager->library() : nullptr)
        libraryDidFinishLoading(platform::Notification{TDLibraryDidFinishLoadingNotificationName, open, {}});
}

TDCalendarStoreSyncManager::~TDCalendarStoreSyncManager() {
    m_syncTimer->stop();
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    p_stopObservingLibrary();
    cancelSync();
    waitUntilIdle();
}

void TDCalendarStoreSyncManager::libraryDidFinishLoading(const platform::Notification& notification) {
    p_stopObservingLibrary();
    m_library = notification.senderAs<TDLibrary>();
    ++m_generation;
    if (!m_library) return;
    m_libraryObserver = new QObject(this);
    platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(m_libraryObserver, TDLibraryMOCDidChangeNotification,
                       m_library->managedObjectContext(),
                       [this](const platform::Notification& n) { managedObjectContextDidChange(n); });
    center.addObserver(m_libraryObserver, TDGroupWillDeleteNotification, nullptr,
                       [this](const platform::Notification& n) { groupWillDelete(n); });
    platform::CalendarStore& store = platform::CalendarStore::defaultStore();
    connect(&store, &platform::CalendarStore::tasksChangedExternally, m_libraryObserver,
            [this](const QStringList& inserted, const QStringList& updated, const QStringList& deleted) {
                tasksChangedExternally(inserted, updated, deleted);
            });
    store.setWatchingForChanges(true);
}

void TDCalendarStoreSyncManager::activeLibraryWillChange() {
    cancelSync();
    p_stopObservingLibrary();
    m_library = nullptr;
    ++m_generation;
}

void TDCalendarStoreSyncManager::p_stopObservingLibrary() {
    if (!m_libraryObserver) return;
    platform::NotificationCenter::defaultCenter().removeObserver(m_libraryObserver);
    delete m_libraryObserver;  // its connections go with it
    m_libraryObserver = nullptr;
}

bool TDCalendarStoreSyncManager::isCurrentLibrary(const TDLibrary* library, quint64 generation) const {
    return library && library == m_library && generation == m_generation && m_libraryManager &&
           m_libraryManager->library() == library;
}

void TDCalendarStoreSyncManager::startSync() {
    if (!m_library) return;
    // One running and one waiting: a change during a pass is taken up right after it.
    const auto operations = m_syncQueue->operations();
    int waiting = 0;
    for (const auto& operation : operations)
        if (!operation->isExecuting() && !operation->isFinished()) ++waiting;
    if (waiting > 0) return;
    m_lastOperation = std::make_shared<TDCalendarStoreSyncOperation>(this);
    m_syncQueue->addOperation(m_lastOperation);
}

void TDCalendarStoreSyncManager::cancelSync() {
    m_syncQueue->cancelAllOperations();
}

TDLibrary* TDCalendarStoreSyncManager::p_followedLibrary() {
    // A close without a switch sends no notice, and a new library's context may come to the freed
    // one's address: the followed library is forgotten once the manager holds another or none.
    if (m_library && (!m_libraryManager || m_libraryManager->library() != m_library)) {
        m_library = nullptr;
        ++m_generation;
    }
    return m_library;
}

void TDCalendarStoreSyncManager::scheduleSync() {
    if (m_updatingFromExternalChange || m_ignoreManagedObjectContextChange) return;
    TDLibrary* library = p_followedLibrary();
    if (!library || !library->calendarStoreSyncSettings().isSyncingEnabled()) return;
    m_syncTimer->start();
}

bool TDCalendarStoreSyncManager::isSyncScheduled() const {
    return m_syncTimer->isActive();
}

void TDCalendarStoreSyncManager::syncTimerFired() {
    startSync();
}

void TDCalendarStoreSyncManager::waitUntilIdle() {
    // The passes hop to this thread: keep it turning while they finish, sleeping between their steps
    // (a short timer wakes it to see whether the queue has emptied).
    QTimer wake;
    wake.start(2);
    while (m_syncQueue->operationCount() > 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void TDCalendarStoreSyncManager::managedObjectContextDidChange(const platform::Notification& notification) {
    if (m_updatingFromExternalChange || m_ignoreManagedObjectContextChange) return;
    if (containsTask(notification.userInfo.value(TDInsertedObjectsKey)) ||
        containsTask(notification.userInfo.value(TDUpdatedObjectsKey)))
        scheduleSync();
}

void TDCalendarStoreSyncManager::groupWillDelete(const platform::Notification& notification) {
    if (TDLibrary* library = p_followedLibrary())
        library->calendarStoreSyncSettings().removeGroup(notification.senderAs<TDGroup>());
}

void TDCalendarStoreSyncManager::tasksChangedExternally(const QStringList& inserted,
                                                        const QStringList& updated,
                                                        const QStringList& deleted) {
    if (!p_followedLibrary() || !m_library->calendarStoreSyncSettings().isSyncingEnabled()) return;
    if (m_syncQueue->operationCount() > 0 || (inserted.isEmpty() && updated.isEmpty() && deleted.isEmpty())) {
        scheduleSync();
        return;
    }
    platform::ManagedObjectContext* context = m_library->managedObjectContext();
    platform::UndoManager* undo = context->undoManager();
    platform::CalendarStore& store = platform::CalendarStore::defaultStore();
    context->processPendingChanges();
    // Without the linked tasks every changed item would come in as a new task.
    auto found = linkedTasksByCalendarUID(*m_library);
    if (!found) {
        m_library->handleError(found.error());
        return;
    }
    QHash<QString, TDTask*>& linked = *found;
    if (undo) undo->disableUndoRegistration();
    m_updatingFromExternalChange = true;
    for (const QString& uid : inserted + updated) {
        const std::optional<platform::CalendarTask> calTask = store.taskWithUid(uid);
        if (!calTask) continue;
        if (TDTask* task = linked.value(uid))
            task->updateFromCalTask(*calTask);
        else if (TDTask* created = m_library->createTaskFromCalTask(*calTask))
            linked.insert(uid, created);
    }
    for (const QString& uid : deleted) {
        TDTask* task = linked.take(uid);
        if (!task) continue;
        task->setCanceled(true);
        task->setValue(kCalendarStoreUIDKey, QVariant());
    }
    context->processPendingChanges();
    if (undo) undo->enableUndoRegistration();
    m_updatingFromExternalChange = false;
}
