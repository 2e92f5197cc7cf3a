#include "model/library_change_signals.h"
#include "model/managed_object_context_did_change_notification_splitter.h"
#include "platform/notifications/notification_center.h"
#include "tests/model/task_tree_fixture.h"

namespace {

using modeltest::TaskTreeTest;

// What one adapter said, in order.
struct Heard {
    QStringList events;
    QHash<platform::ManagedObject*, QSet<QString>> keys;

    void listen(TDLibraryChangeSignals& signals, QObject& owner) {
        using S = TDLibraryChangeSignals;
        QObject::connect(&signals, &S::tasksInserted, &owner, [this](const QList<TDTask*>& tasks) {
            for (TDTask* task : tasks) events << QStringLiteral("task inserted ") + task->title();
        });
        QObject::connect(&signals, &S::tasksUpdated, &owner,
                         [this](const QList<TDTask*>& tasks, const platform::ChangedKeys& changed) {
                             for (TDTask* task : tasks) {
                                 events << QStringLiteral("task updated ") + task->title();
                                 keys[task].unite(changed.value(task));
                             }
                         });
        QObject::connect(&signals, &S::tasksDeleted, &owner, [this](const QList<TDTask*>& tasks) {
            for (TDTask* task : tasks) events << QStringLiteral("task deleted ") + task->title();
        });
        QObject::connect(&signals, &S::groupsInserted, &owner, [this](const QList<TDGroup*>& groups) {
            for (TDGroup* group : groups) events << QStringLiteral("group inserted ") + group->title();
        });
    }
};

class LibraryChangeSignalsTest : public TaskTreeTest {
protected:
    void SetUp() override {
        TaskTreeTest::SetUp();
        testsupport::drainEvents();
        // As the library manager does: every change of the context is split into the library's four.
        platform::NotificationCenter::defaultCenter().addObserver(
            &owner, platform::ManagedObjectContextObjectsDidChangeNotification,
            static_cast<platform::ManagedObjectContext*>(context.get()),
            [this](const platform::Notification& n) { splitter.enqueueNotifications(n); });
    }
    QObject owner;
    TDManagedObjectContextDidChangeNotificationSplitter splitter;
};

TEST_F(LibraryChangeSignalsTest, InsertsUpdatesAndDeletesArriveTyped) {
    TDLibraryChangeSignals signals(context.get());
    Heard heard;
    heard.listen(signals, owner);

    TDTask* task = library->createOrphanTask();
    task->setTitle(QStringLiteral("write"));
    library->createList(QStringLiteral("errands"), library->foldersGroup());
    context->processPendingChanges();
    EXPECT_TRUE(heard.events.contains(QStringLiteral("task inserted write")));
    EXPECT_TRUE(heard.events.contains(QStringLiteral("group inserted errands")));
    EXPECT_FALSE(heard.events.contains(QStringLiteral("task updated write")));

    heard.events.clear();
    task->setTitle(QStringLiteral("rewrite"));
    context->processPendingChanges();
    EXPECT_EQ(heard.events, QStringList{QStringLiteral("task updated rewrite")});
    EXPECT_TRUE(heard.keys.value(task).contains(QStringLiteral("title")));
    EXPECT_FALSE(heard.keys.value(task).contains(QStringLiteral("dueDate")));

    heard.events.clear();
    task->deleteObject();
    context->processPendingChanges();
    EXPECT_TRUE(heard.events.contains(QStringLiteral("task deleted rewrite")));
}

// The idle delivery carries every key changed since the last one, not only the last change's.
TEST_F(LibraryChangeSignalsTest, ALaterTimingGathersTheKeysOfABurst) {
    TDTask* task = library->createOrphanTask();
    context->processPendingChanges();
    testsupport::drainEvents();
    TDLibraryChangeSignals idle(context.get(), TDLibraryChangeSignals::Timing::DelayedUntilIdle);
    Heard heard;
    heard.listen(idle, owner);

    task->setTitle(QStringLiteral("first"));
    context->processPendingChanges();
    task->setValue(QStringLiteral("priority"), 3);
    context->processPendingChanges();
    EXPECT_TRUE(heard.events.isEmpty());
    testsupport::drainEvents();
    EXPECT_EQ(heard.events, QStringList{QStringLiteral("task updated first")});
    EXPECT_TRUE(heard.keys.value(task).contains(QStringLiteral("title")));
    EXPECT_TRUE(heard.keys.value(task).contains(QStringLiteral("priority")));
}

}  // namespace
