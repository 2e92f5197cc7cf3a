#include "tests/store/library_manager_fixture.h"

#include "model/library.h"
#include "model/managed_object_context.h"
#include "platform/notifications/notification_center.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/operations/operation_queue.h"
#include "store/library_operation.h"
#include "tests/support/core/recording_operation_delegate.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>

namespace storetest {
namespace {

using testsupport::RecordingOperationDelegate;
using LibraryOperationTest = LibraryManagerTest;

// The test operation's own failures.
enum AddListFailure : int { AddListFailureAsked = 1, AddListFailureNoLibrary = 2 };

// Adds a list in its own context and saves; fails when told to.
class AddListOperation : public TDLibraryOperation {
public:
    using TDLibraryOperation::TDLibraryOperation;
    QString title = QStringLiteral("From the background");
    bool fail = false;
    QThread* ranOn = nullptr;

protected:
    void main() override {
        ranOn = QThread::currentThread();
        if (fail) {
            informDelegateDidFailWithError(TDError::make(AddListFailureAsked, QStringLiteral("It broke")));
            return;
        }
        TDManagedObjectContext* context = managedObjectContext();
        if (!context || !threadedLibrary()) {
            informDelegateDidFailWithError(
                TDError::make(AddListFailureNoLibrary, QStringLiteral("No library")));
            return;
        }
        context->insertObject(QStringLiteral("List"))->setValue(QStringLiteral("title"), title);
        const Status saved = saveContext();
        if (!saved.ok())
            informDelegateDidFailWithError(saved.error());
        else
            informDelegateDidFinish();
    }
};

// The lists every new library starts with.
bool isStarterList(const platform::ManagedObject* list) {
    static const QStringList starter{QStringLiteral("Inbox"), QStringLiteral("Learn Ordello"),
                                     QStringLiteral("Someday")};
    return starter.contains(list->value(QStringLiteral("title")).toString());
}

QStringList listTitles(TDManagedObjectContext* context) {
    QStringList titles;
    const auto lists = context->execute(platform::FetchRequest(QStringLiteral("List")));
    for (platform::ManagedObject* list : *lists)
        if (!list->isDeleted() && !isStarterList(list))
            titles << list->value(QStringLiteral("title")).toString();
    return titles;
}

TEST_F(LibraryOperationTest, AnOperationsSaveIsMergedIntoTheMainContextOnTheMainThread) {
    createLibrary();
    startCountingSaves();
    auto operation = std::make_shared<AddListOperation>();
    operation->setLibraryManager(manager.get());
    EXPECT_EQ(operation->persistentStoreCoordinator(), manager->persistentStoreCoordinator());
    RecordingOperationDelegate operationDelegate;
    operation->setDelegate(&operationDelegate);
    manager->syncOperationQueue()->addOperation(operation);
    // Waiting on the main thread keeps the event loop running, so the merge and the callback can run.
    manager->finishPendingOperations();

    EXPECT_EQ(operationDelegate.finished.load(), 1);
    EXPECT_EQ(operationDelegate.finishedOn, QCoreApplication::instance()->thread());
    EXPECT_NE(operation->ranOn, QCoreApplication::instance()->thread());
    EXPECT_EQ(listTitles(manager->managedObjectContext()),
              QStringList{QStringLiteral("From the background")});
    // The merge is neither an edit to undo nor a change to save.
    EXPECT_FALSE(manager->managedObjectContext()->hasChanges());
    EXPECT_FALSE(manager->undoManager()->canUndo());
    EXPECT_FALSE(manager->isSaveScheduled());
    EXPECT_FALSE(manager->hasPendingOperations());
}

// Given no coordinator, an operation takes the manager's when it first asks and stays with it, so its
// context and its saves never move to whatever store the manager has later.
TEST_F(LibraryOperationTest, AnOperationKeepsTheCoordinatorItWasGiven) {
    TDLibraryManager& opening = newManager();
    AddListOperation early;
    early.setLibraryManager(&opening);
    EXPECT_EQ(early.persistentStoreCoordinator(), nullptr);  // nothing to keep yet
    ASSERT_TRUE(opening.createLibrary().ok());
    platform::PersistentStoreCoordinator* main = manager->persistentStoreCoordinator();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(early.persistentStoreCoordinator(), main);

    AddListOperation late;
    late.setLibraryManager(&opening);
    EXPECT_EQ(late.persistentStoreCoordinator(), main);
    ASSERT_TRUE(manager->close().ok());
    ASSERT_EQ(manager->persistentStoreCoordinator(), nullptr);
    // Only compared: neither operation made a context on it.
    EXPECT_EQ(early.persistentStoreCoordinator(), main);
    EXPECT_EQ(late.persistentStoreCoordinator(), main);
}

TEST_F(LibraryOperationTest, FailureIsReportedOnTheOperationsThreadAndByTheManagerAsOperationFailed) {
    createLibrary();
    auto operation = std::make_shared<AddListOperation>();
    operation->setLibraryManager(manager.get());
    operation->fail = true;
    RecordingOperationDelegate operationDelegate;
    operation->setDelegate(&operationDelegate);
    manager->exportOperationQueue()->addOperation(operation);
    manager->finishPendingOperations();
    ASSERT_EQ(operationDelegate.errors.size(), 1);
    EXPECT_EQ(operationDelegate.errors.first().description, QStringLiteral("It broke"));
    EXPECT_EQ(operationDelegate.failedOn, operation->ranOn);
    EXPECT_EQ(operationDelegate.finished.load(), 0);

    auto reported = std::make_shared<AddListOperation>();

    reported->setLibraryManager(manager.get());
    reported->fail = true;
    reported->setDelegate(manager.get());
    manager->exportOperationQueue()->addOperation(reported);
    manager->finishPendingOperations();
    ASSERT_EQ(delegate.errors.size(), 1);
    EXPECT_EQ(delegate.errors.first().second, QStringLiteral("Operation failed"));
}

TEST_F(LibraryOperationTest, WithoutDelegateTheOperationStillCompletes) {
    createLibrary();
    auto operation = std::make_shared<AddListOperation>();
    operation->setLibraryManager(manager.get());
    manager->syncOperationQueue()->addOperation(operation);
    manager->finishPendingOperations();
    EXPECT_TRUE(operation->isFinished());
    EXPECT_EQ(listTitles(manager->managedObjectContext()).size(), 1);
}

TEST_F(LibraryOperationTest, AnOperationOnItsOwnCoordinatorWritesWithFullSyncAndLeavesTheMainContextAlone) {
    createLibrary();
    auto operation = std::make_shared<AddListOperation>();
    operation->setLibraryManager(manager.get());
    ASSERT_TRUE(operation->setupPersistentStoreCoordinatorWithLibraryPath(packagePath()).ok());
    EXPECT_NE(operation->persistentStoreCoordinator(), manager->persistentStoreCoordinator());
    operation->title = QStringLiteral("Own");
    manager->exportOperationQueue()->addOperation(operation);
    manager->finishPendingOperations();
    EXPECT_TRUE(listTitles(manager->managedObjectContext()).isEmpty());
    operation->closePersistentStoreCoordinator();
    ASSERT_TRUE(manager->close().ok());
    ASSERT_TRUE(newManager().loadLibrary().ok());
    EXPECT_EQ(listTitles(manager->managedObjectContext()), QStringList{QStringLiteral("Own")});
}

TEST_F(LibraryOperationTest, AnOperationWaitingForTheMainThreadDoesNotDeadlockClosing) {
    createLibrary();
    std::atomic<bool> ranOnMain{false};
    manager->syncOperationQueue()->addOperation([&ranOnMain] {
        QThread::msleep(30);  // so the main thread is already waiting
        TDPerformOnMainThreadAndWait(
            [&ranOnMain] { ranOnMain = QThread::currentThread() == QCoreApplication::instance()->thread(); });
    });
    ASSERT_TRUE(manager->close().ok());
    EXPECT_TRUE(ranOnMain);
}

TEST_F(LibraryOperationTest, PendingOperationsFinishInTheBackgroundWhileTheEventLoopRuns) {
    createLibrary();
    std::atomic<bool> release{false};
    manager->exportOperationQueue()->addOperation([&release] {
        while (!release) QThread::msleep(1);
        TDPerformOnMainThreadAndWait([] {});
    });
    bool done = false;
    manager->finishPendingOperationsInBackground([&done] { done = true; });
    EXPECT_FALSE(done);
    EXPECT_TRUE(manager->hasPendingOperations());
    release = true;
    ASSERT_TRUE(testsupport::spinUntil([&done] { return done; }));
    EXPECT_FALSE(manager->hasPendingOperations());
}

TEST_F(LibraryOperationTest, ActiveLibraryNotificationsCarryTheManagersLibrary) {
    TDLibrary* library = createLibrary();
    QObject observer;
    QList<const void*> senders;
    for (const QString& name : {TDActiveLibraryWillChangeNotification, TDActiveLibraryDidChangeNotification})
        platform::NotificationCenter::defaultCenter().addObserver(
            &observer, name, nullptr, [&senders](const platform::Notification& n) { senders << n.sender; });
    AddListOperation operation;
    operation.setLibraryManager(manager.get());
    operation.postActiveLibraryWillChangeNotification();
    operation.postActiveLibraryDidChangeNotification();
    EXPECT_EQ(senders, (QList<const void*>{library, library}));
}

}  // namespace
}  // namespace storetest
