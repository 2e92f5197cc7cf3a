#include "tests/platform/objectstore/object_store_fixture.h"

#include "platform/notifications/notification_center.h"
#include "platform/undo/undo_manager.h"

#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace objectstoretest {
namespace {

using namespace platform;

const QString kTitle = QStringLiteral("title");
const QString kPriority = QStringLiteral("priority");

using MergeTest = ObjectStoreTest;

ManagedObject* byTitle(ManagedObjectContext& context, const QString& title) {
    auto found = context.execute(FetchRequest(QStringLiteral("Task"), [&title](const ManagedObject* o) {
        return o->value(QStringLiteral("title")).toString() == title;
    }));
    return found.ok() && found->size() == 1 ? found->first() : nullptr;
}

TEST_F(MergeTest, BackgroundSaveMergesWhileTheMainContextEditsAndNothingIsLost) {
    UndoManager undo;
    context->setUndoManager(&undo);
    ManagedObject* list = newObject(QStringLiteral("List"), QStringLiteral("list"));
    ManagedObject* tag = newObject(QStringLiteral("Tag"), QStringLiteral("tag"));
    TestTask* a = newTask(QStringLiteral("a"));
    TestTask* b = newTask(QStringLiteral("b"));
    TestTask* c = newTask(QStringLiteral("c"));
    for (TestTask* task : {a, b, c}) task->setObject(QStringLiteral("parentList"), list);
    ASSERT_TRUE(context->save().ok());
    testsupport::drainEvents();
    undo.removeAllActions();

    // Unsaved edits in the main context: one on an object the background also changes.
    a->setTitle(QStringLiteral("main title"));
    b->setValue(kPriority, 5);
    testsupport::drainEvents();

    QObject owner;
    QList<QVariantMap> changes;
    NotificationCenter::defaultCenter().addObserver(
        &owner, ManagedObjectContextObjectsDidChangeNotification, context.get(),
        [&changes](const Notification& n) { changes.append(n.userInfo); });
    ManagedObjectContext* main = context.get();
    NotificationCenter::defaultCenter().addObserver(
        &owner, ManagedObjectContextDidSaveNotification, nullptr, [main](const Notification& n) {
            if (n.sender == main) return;
            // The saving thread waits while the main thread merges.
            QMetaObject::invokeMethod(
                main, [main, n] { main->mergeChangesFromContextDidSave(n); }, Qt::BlockingQueuedConnection);
        });

    std::atomic<bool> done{false};
    bool saved = false;
    QThread* thread = QThread::create([&] {
        ManagedObjectContext worker(coordinator.get());
        EXPECT_TRUE(worker.loadAllObjects().ok());
        ManagedObject* wa = byTitle(worker, QStringLiteral("a"));
        ManagedObject* wb = byTitle(worker, QStringLiteral("b"));
        ManagedObject* wc = byTitle(worker, QStringLiteral("c"));
        auto lists = worker.execute(FetchRequest(QStringLiteral("List")));
        auto tags = worker.execute(FetchRequest(QStringLiteral("Tag")));
        if (wa && wb && wc && lists.ok() && tags.ok()) {
            wa->setValue(QStringLiteral("title"),
                         QStringLiteral("background title"));  // loses to the main edit
            wa->setValue(QStringLiteral("priority"), 3);
            wb->setValue(QStringLiteral("title"), QStringLiteral("b renamed"));
            wb->addObject(QStringLiteral("tags"), tags->first());
            worker.deleteObject(wc);
            ManagedObject* d = worker.insertObject(QStringLiteral("Task"));
            d->setValue(QStringLiteral("title"), QStringLiteral("d"));
            d->setValue(QStringLiteral("uid"), QStringLiteral("D"));
            d->setObject(QStringLiteral("parentList"), lists->first());
            d->addObject(QStringLiteral("tags"), tags->first());
            saved = worker.save().ok();
        }
        done = true;
    });
    thread->start();
    ASSERT_TRUE(testsupport::spinUntil([&] { return done.load(); }));
    thread->wait();
    delete thread;
    ASSERT_TRUE(saved);

    ASSERT_EQ(changes.size(), 1);
    const QVariantMap& info = changes.first();
    ManagedObject* d = byTitle(*context, QStringLiteral("d"));
    ASSERT_TRUE(d);
    EXPECT_EQ(managedObjectsFromVariantList(info.value(InsertedObjectsKey)), QList<ManagedObject*>{d});
    EXPECT_EQ(managedObjectsFromVariantList(info.value(DeletedObjectsKey)), QList<ManagedObject*>{c});
    const QList<ManagedObject*> refreshed = managedObjectsFromVariantList(info.value(RefreshedObjectsKey));
    for (ManagedObject* object : {static_cast<ManagedObject*>(a), static_cast<ManagedObject*>(b), list, tag})
        EXPECT_TRUE(refreshed.contains(object));
    EXPECT_TRUE(info.value(UpdatedObjectsKey).toList().isEmpty());

    // The graph shows both sides' work; only the main edits are unsaved and undoable.
    EXPECT_EQ(d->object(QStringLiteral("parentList")), list);
    EXPECT_TRUE(list->objects(QStringLiteral("tasks")).contains(d));
    EXPECT_FALSE(list->objects(QStringLiteral("tasks")).contains(c));
    EXPECT_TRUE(c->isDeleted());
    EXPECT_EQ(tag->objects(QStringLiteral("tasks")).size(), 2);
    EXPECT_EQ(a->title(), QStringLiteral("main title"));
    EXPECT_EQ(a->value(kPriority).toLongLong(), 3);
    EXPECT_EQ(b->title(), QStringLiteral("b renamed"));
    EXPECT_EQ(b->value(kPriority).toLongLong(), 5);
    const QList<ManagedObject*> updated = context->updatedObjects();
    EXPECT_EQ(QSet<ManagedObject*>(updated.begin(), updated.end()), (QSet<ManagedObject*>{a, b}));
    EXPECT_TRUE(context->insertedObjects().isEmpty());
    EXPECT_TRUE(context->deletedObjects().isEmpty());

    ASSERT_TRUE(context->save().ok());
    auto second = openCoordinator();
    ManagedObjectContext reader(second.get());
    ASSERT_TRUE(reader.loadAllObjects().ok());
    EXPECT_EQ(graphSnapshot(reader), graphSnapshot(*context));
    ManagedObject* ra = byTitle(reader, QStringLiteral("main title"));
    ASSERT_TRUE(ra);
    EXPECT_EQ(ra->value(kPriority).toLongLong(), 3);
    context->setUndoManager(nullptr);
}

ManagedObject* tagTitled(ManagedObjectContext& context, const QString& title) {
    auto found = context.execute(FetchRequest(QStringLiteral("Tag"), [&title](const ManagedObject* o) {
        return o->value(QStringLiteral("title")).toString() == title;
    }));
    return found.ok() && found->size() == 1 ? found->first() : nullptr;
}

QStringList titlesOf(const ManagedObject* object, const QString& key) {
    QStringList titles;
    for (const ManagedObject* member : object->objects(key))
        titles << member->value(QStringLiteral("title")).toString();
    titles.sort();
    return titles;
}

// Both contexts change the tags of the same tasks, and each endpoint of the pairs that the other
// context links or unlinks has unsaved members of its own here.
TEST_F(MergeTest, AManyToManyWithUnsavedMembersTakesInTheOtherContextsMembersToo) {
    const QString tags = QStringLiteral("tags");
    const QString tasks = QStringLiteral("tasks");
    TestTask* a = newTask(QStringLiteral("a"));
    TestTask* c = newTask(QStringLiteral("c"));
    QMap<QString, ManagedObject*> tag;
    for (const QString& title : {QStringLiteral("t1"), QStringLiteral("t3"), QStringLiteral("t4"),
                                 QStringLiteral("t5"), QStringLiteral("t6")})
        tag.insert(title, newObject(QStringLiteral("Tag"), title));
    a->addObjects(tags, {tag.value(QStringLiteral("t1")), tag.value(QStringLiteral("t6"))});
    ASSERT_TRUE(context->save().ok());

    a->addObjects(tags, {tag.value(QStringLiteral("t3")), tag.value(QStringLiteral("t5"))});
    a->removeObject(tags, tag.value(QStringLiteral("t6")));
    c->addObjects(tags, {tag.value(QStringLiteral("t1")), tag.value(QStringLiteral("t4"))});

    ManagedObjectContext other(coordinator.get());
    ASSERT_TRUE(other.loadAllObjects().ok());
    ManagedObject* otherA = byTitle(other, QStringLiteral("a"));
    ASSERT_TRUE(otherA);
    otherA->addObjects(tags,
                       {tagTitled(other, QStringLiteral("t4")), tagTitled(other, QStringLiteral("t5"))});
    otherA->removeObjects(tags,
                          {tagTitled(other, QStringLiteral("t1")), tagTitled(other, QStringLiteral("t6"))});
    QList<Notification> saves;
    QObject owner;
    NotificationCenter::defaultCenter().addObserver(&owner, ManagedObjectContextDidSaveNotification, &other,
                                                    [&saves](const Notification& n) { saves.append(n); });
    ASSERT_TRUE(other.save().ok());
    ASSERT_EQ(saves.size(), 1);
    context->mergeChangesFromContextDidSave(saves.first());

    const auto list = [](std::initializer_list<const char*> titles) {
        QStringList result;
        for (const char* title : titles) result << QString::fromLatin1(title);
        return result;
    };
    EXPECT_EQ(titlesOf(a, tags), list({"t3", "t4", "t5"}));
    EXPECT_EQ(titlesOf(c, tags), list({"t1", "t4"}));
    EXPECT_EQ(titlesOf(tag.value(QStringLiteral("t1")), tasks), list({"c"}));
    EXPECT_EQ(titlesOf(tag.value(QStringLiteral("t4")), tasks), list({"a", "c"}));
    EXPECT_EQ(titlesOf(tag.value(QStringLiteral("t5")), tasks), list({"a"}));
    EXPECT_TRUE(titlesOf(tag.value(QStringLiteral("t6")), tasks).isEmpty());
    // What both contexts did alike is saved already; only this context's own members are left.
    EXPECT_TRUE(a->hasChanges());
    EXPECT_FALSE(tag.value(QStringLiteral("t5"))->hasChanges());
    EXPECT_FALSE(tag.value(QStringLiteral("t6"))->hasChanges());

    ASSERT_TRUE(context->save().ok());
    auto second = openCoordinator();
    ManagedObjectContext reader(second.get());
    ASSERT_TRUE(reader.loadAllObjects().ok());
    EXPECT_EQ(graphSnapshot(reader), graphSnapshot(*context));
}

TEST_F(MergeTest, ContextsThatHaveNotReadATableIgnoreItsChanges) {
    newTask(QStringLiteral("a"));
    ASSERT_TRUE(context->save().ok());
    ManagedObjectContext journal(coordinator.get());
    ASSERT_TRUE(journal.execute(FetchRequest(QStringLiteral("SyncSet"))).ok());
    QObject owner;
    NotificationCenter::defaultCenter().addObserver(
        &owner, ManagedObjectContextDidSaveNotification, context.get(),
        [&journal](const Notification& n) { journal.mergeChangesFromContextDidSave(n); });
    newTask(QStringLiteral("b"));
    ASSERT_TRUE(context->save().ok());
    EXPECT_EQ(journal.registeredObjectCount(), 0);
}

}  // namespace
}  // namespace objectstoretest
