#include "tests/platform/objectstore/object_store_fixture.h"

#include "platform/notifications/notification_center.h"
#include "platform/undo/undo_manager.h"

#include <gtest/gtest.h>

#include <functional>

namespace objectstoretest {
namespace {

using namespace platform;

const QString kUID = QStringLiteral("uid");

class ValueIndexTest : public ObjectStoreTest {
protected:
    // What a scan finds: the live objects of the entity with the UID, in the table's order.
    static QList<ManagedObject*> scanned(ManagedObjectContext& context, const QString& entity,
                                         const QString& uid) {
        auto found = context.execute(FetchRequest(
            entity, [&uid](const ManagedObject* o) { return o->value(kUID).toString() == uid; }));
        EXPECT_TRUE(found.ok());
        return found.ok() ? *found : QList<ManagedObject*>();
    }

    // The index answers every UID as the scan does.
    static void expectIndexAnswersAsScan(ManagedObjectContext& context, const QString& entity,
                                         const QStringList& uids) {
        for (const QString& uid : uids) {
            SCOPED_TRACE(uid.toStdString());
            const auto indexed = context.objectsWithIndexedValue(entity, uid);
            ASSERT_TRUE(indexed.ok());
            EXPECT_EQ(*indexed, scanned(context, entity, uid));
        }
    }

    ManagedObject* taskWithUID(const QString& uid) {
        const auto found = context->objectsWithIndexedValue(QStringLiteral("Task"), uid);
        return found.ok() && found->size() == 1 ? found->first() : nullptr;
    }
};

// Each change a context goes through, one after the other on one context: after each, the index
// finds what a scan of the table finds.
TEST_F(ValueIndexTest, TheIndexFollowsEveryChangeOfTheContext) {
    UndoManager undo;
    context->setUndoManager(&undo);
    context->setIndexedAttribute(kUID);
    ManagedObject* first = newObject(QStringLiteral("Task"), QStringLiteral("first"));
    first->setValue(kUID, QStringLiteral("A"));
    ASSERT_EQ(taskWithUID(QStringLiteral("A")), first);  // builds the index
    ManagedObject* second = newObject(QStringLiteral("Task"), QStringLiteral("second"));
    second->setValue(kUID, QStringLiteral("B"));
    ASSERT_TRUE(context->save().ok());
    testsupport::drainEvents();
    undo.removeAllActions();
    const QStringList uids{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                           QStringLiteral("D")};

    struct Step {
        const char* what;
        std::function<void()> change;
    };
    ManagedObject* third = nullptr;
    const QList<Step> steps{
        {"insert", [&] { (third = newObject(QStringLiteral("Task")))->setValue(kUID, QStringLiteral("C")); }},
        {"edit", [&] { second->setValue(kUID, QStringLiteral("D")); }},
        {"undo the edit", [&] { undo.undo(); }},
        {"redo the edit", [&] { undo.redo(); }},
        {"delete", [&] { context->deleteObject(first); }},
        {"undo the deletion", [&] { undo.undo(); }},
        {"two objects, one UID", [&] { third->setValue(kUID, QStringLiteral("A")); }},
        {"rollback", [&] { context->rollback(); }},
        {"save",
         [&] {
             second->setValue(kUID, QStringLiteral("C"));
             ASSERT_TRUE(context->save().ok());
         }},
        {"reset", [&] { context->reset(); }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        testsupport::drainEvents();  // one undo group per step
        expectIndexAnswersAsScan(*context, QStringLiteral("Task"), uids);
    }
    EXPECT_EQ(taskWithUID(QStringLiteral("B")), nullptr);
    ASSERT_NE(taskWithUID(QStringLiteral("C")), nullptr);
    EXPECT_EQ(taskWithUID(QStringLiteral("C"))->value(QStringLiteral("title")).toString(),
              QStringLiteral("second"));
}

// Another context's save merged in: its inserts, UID changes and deletions are found as a scan finds
// them, in a table read before the index was built and after.
TEST_F(ValueIndexTest, MergesOfAnotherContextsSaveReachTheIndex) {
    context->setIndexedAttribute(kUID);
    for (const QString& uid : {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")})
        newObject(QStringLiteral("Task"), uid)->setValue(kUID, uid);
    newObject(QStringLiteral("Tag"), QStringLiteral("tag"))->setValue(kUID, QStringLiteral("G"));
    ASSERT_TRUE(context->save().ok());
    ASSERT_NE(taskWithUID(QStringLiteral("A")), nullptr);

    ManagedObjectContext other(coordinator.get());
    ASSERT_TRUE(other.loadAllObjects().ok());
    const auto byUID = [&other](const QString& uid) {
        auto found = other.execute(FetchRequest(QStringLiteral("Task"), [&uid](const ManagedObject* o) {
            return o->value(kUID).toString() == uid;
        }));
        return found.ok() && found->size() == 1 ? found->first() : nullptr;
    };
    other.insertObject(QStringLiteral("Task"))->setValue(kUID, QStringLiteral("D"));
    byUID(QStringLiteral("B"))->setValue(kUID, QStringLiteral("E"));
    other.deleteObject(byUID(QStringLiteral("C")));
    QList<Notification> saves;
    QObject owner;
    NotificationCenter::defaultCenter().addObserver(&owner, ManagedObjectContextDidSaveNotification, &other,
                                                    [&saves](const Notification& n) { saves.append(n); });
    ASSERT_TRUE(other.save().ok());
    ASSERT_EQ(saves.size(), 1);
    context->mergeChangesFromContextDidSave(saves.first());

    const QStringList uids{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D"),
                           QStringLiteral("E")};
    expectIndexAnswersAsScan(*context, QStringLiteral("Task"), uids);
    EXPECT_NE(taskWithUID(QStringLiteral("D")), nullptr);
    EXPECT_NE(taskWithUID(QStringLiteral("E")), nullptr);
    // A sub-entity is found through its root, not through another sub-entity.
    expectIndexAnswersAsScan(*context, QStringLiteral("Group"), {QStringLiteral("G")});
    expectIndexAnswersAsScan(*context, QStringLiteral("Tag"), {QStringLiteral("G")});
    const auto asList = context->objectsWithIndexedValue(QStringLiteral("List"), QStringLiteral("G"));
    ASSERT_TRUE(asList.ok());
    EXPECT_TRUE(asList->isEmpty());
}

TEST_F(ValueIndexTest, AnEntityWithoutTheAttributeOrWithoutAnIndexIsAnError) {
    EXPECT_FALSE(context->objectsWithIndexedValue(QStringLiteral("Task"), QStringLiteral("A")).ok());
    context->setIndexedAttribute(kUID);
    EXPECT_FALSE(context->objectsWithIndexedValue(QStringLiteral("TaskNotes"), QStringLiteral("A")).ok());
    EXPECT_FALSE(context->objectsWithIndexedValue(QStringLiteral("NoSuchEntity"), QStringLiteral("A")).ok());
}

}  // namespace
}  // namespace objectstoretest
