#include "store/library_operation.h"

#include "foundation/application_delegate.h"
#include "model/library.h"
#include "model/library_model.h"
#include "model/managed_object_context.h"
#include "platform/base/log.h"
#include "platform/notifications/notification_center.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "store/library_manager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

void TDPerformOnMainThreadAndWait(const std::function<void()>& function) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        function();
        return;
    }
    QMetaObject::invokeMethod(app, function, Qt::BlockingQueuedConnection);
}

TDLibraryOperation::TDLibraryOperation(platform::PersistentStoreCoordinator* coordinator)
    : m_coordinator(coordinator) {
    // The context belongs to the thread that ran main(): let it go there, before anything else may
    // destroy the operation.
    setCompletion([this] {
        m_threadedLibrary = nullptr;
        m_context.reset();
    });
}

TDLibraryOperation::~TDLibraryOperation() {
    closePersistentStoreCoordinator();
}

// An operation given no coordinator takes its manager's on first use and keeps it, so that its context,
// its saves and its merges stay on one store even when the manager opens another library meanwhile (the
// manager waits for its queues before it drops a coordinator).
platform::PersistentStoreCoordinator* TDLibraryOperation::persistentStoreCoordinator() const {
    if (!m_coordinator && m_manager) m_coordinator = m_manager->persistentStoreCoordinator();
    return m_coordinator;
}

Status TDLibraryOperation::setupPersistentStoreCoordinatorWithLibraryPath(const QString& packagePath) {
    if (!QFileInfo::exists(packagePath)) QDir().mkpath(packagePath);
    closePersistentStoreCoordinator();
    const auto model = TDLibraryObjectModel();
    if (!model.ok()) {
        TDAppDelegate().handleError(model.error(),
                                    QStringLiteral("Could not setup persistent store coordinator"));
        return model.error();
    }
    m_ownCoordinator = std::make_unique<platform::PersistentStoreCoordinator>(*model);
    m_coordinator = m_ownCoordinator.get();
    platform::PersistentStoreCoordinator::Options options;
    options.pragmas.insert(QStringLiteral("synchronous"), QStringLiteral("FULL"));
    options.pragmas.insert(QStringLiteral("fullfsync"), QStringLiteral("1"));
    const Status opened =
        m_ownCoordinator->openStore(QDir(packagePath).filePath(QStringLiteral("library.sqlite3")), options);
    if (!opened.ok())
        TDAppDelegate().handleError(opened.error(),
                                    QStringLiteral("Could not setup persistent store coordinator"));
    return opened;
}

void TDLibraryOperation::closePersistentStoreCoordinator() {
    m_threadedLibrary = nullptr;
    if (m_context) m_context->reset();
    m_context.reset();
    if (m_ownCoordinator) {
        m_ownCoordinator->closeStore();
        m_ownCoordinator.reset();
        m_coordinator = nullptr;
    }
}

TDManagedObjectContext* TDLibraryOperation::managedObjectContext() {
    if (!m_context) {
        platform::PersistentStoreCoordinator* coordinator = persistentStoreCoordinator();
        if (!coordinator || !coordinator->hasStore()) return nullptr;
        m_context = std::make_unique<TDManagedObjectContext>(coordinator);
        m_context->setLibrary(threadedLibrary());
    }
    return m_context.get();
}

TDLibrary* TDLibraryOperation::threadedLibrary() {
    if (!m_threadedLibrary && managedObjectContext()) {
        const auto found = m_context->execute(platform::FetchRequest(QStringLiteral("Library")));
        if (found.ok() && !found->isEmpty()) m_threadedLibrary = dynamic_cast<TDLibrary*>(found->last());
        m_context->setLibrary(m_threadedLibrary);
    }
    return m_threadedLibrary;
}

Status TDLibraryOperation::saveContext() {
    TDManagedObjectContext* context = managedObjectContext();
    if (!context || !context->hasChanges()) return {};
    platform::Notification saved;
    platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
    const int token = center.addObserver(context, platform::ManagedObjectContextDidSaveNotification,
                                         static_cast<platform::ManagedObjectContext*>(context),
                                         [&saved](const platform::Notification& n) { saved = n; });
    const Status result = context->save();
    center.removeObserver(token);
    // The merge reads the store through the coordinator's lock, so the wait for the main thread
    // happens after the save let go of it.
    if (result.ok() && !saved.name.isEmpty() && m_manager &&
        persistentStoreCoordinator() == m_manager->persistentStoreCoordinator()) {
        TDLibraryManager* manager = m_manager;
        TDPerformOnMainThreadAndWait([manager, &saved] { manager->mergeChangesFromOperationSave(saved); });
    }
    return result;
}

void TDLibraryOperation::informDelegateDidFinish() {
    if (!m_delegate) return;
    TDLibraryOperationDelegate* delegate = m_delegate;
    TDPerformOnMainThreadAndWait([this, delegate] { delegate->libraryOperationDidFinish(this); });
}

void TDLibraryOperation::informDelegateDidFailWithError(const TDError& error) {
    if (m_delegate) m_delegate->libraryOperationDidFailWithError(this, error);
}

void TDLibraryOperation::postActiveLibraryWillChangeNotification() {
    platform::NotificationCenter::defaultCenter().post(TDActiveLibraryWillChangeNotification,
                                                       m_manager ? m_manager->library() : nullptr);
}

void TDLibraryOperation::postActiveLibraryDidChangeNotification() {
    platform::NotificationCenter::defaultCenter().post(TDActiveLibraryDidChangeNotification,
                                                       m_manager ? m_manager->library() : nullptr);
}
