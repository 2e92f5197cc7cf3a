#include "tests/platform/objectstore/object_store_fixture.h"

#include "platform/notifications/notification_center.h"
#include "platform/objectstore/object_store_error.h"
#include "platform/undo/undo_manager.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace objectstoretest {
namespace {

using namespace platform;

const QString kParentTask = QStringLiteral("parentTask");
const QString kSubtasks = QStringLiteral("subtasks");
const QString kTags = QStringLiteral("tags");
const QString kTasks = QStringLiteral("tasks");
const QString kNotes = QStringLiteral("notes");
const QString kTitle = QStringLiteral("title");

using ContextTest = ObjectStoreTest;

// Records the objects-did-change notifications of one context.
struct ChangeRecorder {
    QObject owner;
    QList<QVariantMap> notifications;
    explicit ChangeRecorder(ManagedObjectContext* context) {
        NotificationCenter::defaultCenter().addObserver(
            &owner, ManagedObjectContextObjectsDidChangeNotification, context,
            [this](const Notification& n) { notifications.append(n.userInfo); });
    }
    static QSet<ManagedObject*> set(const QVariantMap& info, const QString& key) {
        const QList<ManagedObject*> list = managedObjectsFromVariantList(info.value(key));
        return QSet<ManagedObject*>(list.begin(), list.end());
    }
};

TEST_F(ContextTest, CascadeReachesGrandchildrenAndNullifyDetaches) {
    TestTask* root = newTask(QStringLiteral("root"));
    TestTask* child = newTask(QStringLiteral("child"));
    TestTask* grandchild = newTask(QStringLiteral("grandchild"));
    ManagedObject* notes = newObject(QStringLiteral("TaskNotes"));
    ManagedObject* tag = newObject(QStringLiteral("Tag"), QStringLiteral("tag"));
    TestTask* keeper = newTask(QStringLiteral("keeper"));
    child->setObject(kParentTask, root);
    grandchild->setObject(kParentTask, child);
    grandchild->setObject(kNotes, notes);
    grandchild->addObject(kTags, tag);
    keeper->addObject(kTags, tag);
    keeper->setObject(kParentTask, root);
    keeper->setObject(kParentTask, nullptr);
    events().clear();

    context->deleteObject(child);
    EXPECT_TRUE(child->isDeleted());
    EXPECT_TRUE(grandchild->isDeleted());
    EXPECT_TRUE(notes->isDeleted());
    EXPECT_FALSE(root->isDeleted());
    EXPECT_FALSE(tag->isDeleted());
    // Nullify: the survivors no longer hold the deleted objects.
    EXPECT_TRUE(root->objects(kSubtasks).isEmpty());
    EXPECT_EQ(tag->objectList(kTasks), QList<ManagedObject*>{keeper});
    EXPECT_TRUE(events().contains(QStringLiteral("willDelete child")));
    EXPECT_TRUE(events().contains(QStringLiteral("willDelete grandchild")));
    EXPECT_TRUE(context->save().ok());
    EXPECT_EQ(context->count(FetchRequest(QStringLiteral("Task"))).value(), 2);
}

TEST_F(ContextTest, DenyRefusesTheSaveUntilTheObjectsAreGone) {
    ManagedObject* set = newObject(QStringLiteral("SyncSet"));
    ManagedObject* item = newObject(QStringLiteral("SyncSetItem"));
    item->setObject(QStringLiteral("syncSet"), set);
    ASSERT_TRUE(context->save().ok());

    context->deleteObject(set);
    EXPECT_EQ(item->object(QStringLiteral("syncSet")), set);  // a deny rule touches nothing
    Status status = context->save();
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().domain, ObjectStoreErrorDomain);
    EXPECT_EQ(status.error().code, ObjectStoreErrorDeleteDenied);
    EXPECT_EQ(status.error().userInfo.value(QStringLiteral("key")).toString(), QStringLiteral("items"));

    context->deleteObject(item);
    EXPECT_TRUE(context->save().ok());
}

TEST_F(ContextTest, ObjectsDidChangeCarriesTheSetsOfOnePass) {
    TestTask* kept = newTask(QStringLiteral("kept"));
    TestTask* doomed = newTask(QStringLiteral("doomed"));
    ASSERT_TRUE(context->save().ok());
    testsupport::drainEvents();
    ChangeRecorder recorder(context.get());

    TestTask* fresh = newTask(QStringLiteral("fresh"));
    fresh->setTitle(QStringLiteral("fresher"));  // still only inserted
    kept->setTitle(QStringLiteral("changed"));
    kept->setValue(QStringLiteral("priority"), 3);
    context->deleteObject(doomed);
    TestTask* transient = newTask(QStringLiteral("gone again"));
    context->deleteObject(transient);  // inserted and deleted in one pass: neither
    EXPECT_TRUE(recorder.notifications.isEmpty());

    testsupport::drainEvents();  // the end of the pass posts once
    ASSERT_EQ(recorder.notifications.size(), 1);
    const QVariantMap& info = recorder.notifications.first();
    EXPECT_EQ(ChangeRecorder::set(info, InsertedObjectsKey), QSet<ManagedObject*>{fresh});
    EXPECT_EQ(ChangeRecorder::set(info, UpdatedObjectsKey), QSet<ManagedObject*>{kept});
    EXPECT_EQ(ChangeRecorder::set(info, DeletedObjectsKey), QSet<ManagedObject*>{doomed});
    for (const QString& key : {RefreshedObjectsKey, InvalidatedObjectsKey, InvalidatedAllObjectsKey})
        EXPECT_TRUE(info.contains(key) && info.value(key).toList().isEmpty());

    kept->setTitle(QStringLiteral("again"));
    context->processPendingChanges();  // and whenever called
    ASSERT_EQ(recorder.notifications.size(), 2);
    EXPECT_EQ(ChangeRecorder::set(recorder.notifications[1], UpdatedObjectsKey), QSet<ManagedObject*>{kept});
    testsupport::drainEvents();
    EXPECT_EQ(recorder.notifications.size(), 2);
}

TEST_F(ContextTest, ChangedAndCommittedValuesAndState) {
    TestTask* task = newTask(QStringLiteral("before"));
    EXPECT_TRUE(task->isInserted());
    EXPECT_TRUE(context->hasChanges());
    ASSERT_TRUE(context->save().ok());
    EXPECT_FALSE(task->isInserted());
    EXPECT_FALSE(context->hasChanges());

    task->setTitle(QStringLiteral("after"));
    EXPECT_TRUE(task->isUpdated());
    EXPECT_EQ(task->changedValues(), (QVariantMap{{kTitle, QStringLiteral("after")}}));
    EXPECT_EQ(task->committedValues({kTitle}), (QVariantMap{{kTitle, QStringLiteral("before")}}));
    task->setTitle(QStringLiteral("before"));  // back to the saved value: no change left
    EXPECT_FALSE(task->isUpdated());
    EXPECT_FALSE(context->hasChanges());

    task->setValue(QStringLiteral("actionCount"), 5);  // transient values are changes too, written nowhere
    EXPECT_TRUE(task->isUpdated());
    EXPECT_TRUE(context->save().ok());

    // A derived figure written without notice neither makes nor clears a change.
    task->setPrimitiveValue(QStringLiteral("actionCount"), 6);
    EXPECT_FALSE(task->isUpdated());
    EXPECT_FALSE(context->hasChanges());
    task->setTitle(QStringLiteral("edited"));
    task->setPrimitiveValue(QStringLiteral("actionCount"), 7);
    EXPECT_TRUE(task->isUpdated());
    EXPECT_TRUE(context->updatedObjects().contains(task));
}

// Writing several values in one step leaves each object as the same writes one at a time would:
// a derived value converted to its attribute's type and unannounced, a stored one a change to save.
TEST_F(ContextTest, PrimitiveValuesWrittenTogetherMatchOneAtATime) {
    const AttributeDescription* actionCount =
        context->model().entity(QStringLiteral("Task"))->attribute(QStringLiteral("actionCount"));
    const AttributeDescription* priority =
        context->model().entity(QStringLiteral("Task"))->attribute(QStringLiteral("priority"));
    const struct {
        const char* name;
        QList<std::pair<const AttributeDescription*, QVariant>> writes;
    } cases[] = {
        {"derived, own type", {{actionCount, qint64(4)}}},
        {"derived, converted", {{actionCount, 5}}},
        {"derived, unchanged", {{actionCount, qint64(0)}}},
        {"derived, cleared", {{actionCount, QVariant()}}},
        {"stored among derived", {{actionCount, qint64(2)}, {priority, 3}, {nullptr, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestTask* together = newTask(QStringLiteral("together"));
        TestTask* apart = newTask(QStringLiteral("apart"));
        ASSERT_TRUE(context->save().ok());
        std::vector<ManagedObject::PrimitiveWrite> writes;
        for (const auto& [attribute, value] : c.writes) {
            writes.push_back({attribute, value});
            apart->setPrimitiveValue(attribute, value);
        }
        together->setPrimitiveValues(writes);
        for (const AttributeDescription* attribute : {actionCount, priority}) {
            EXPECT_EQ(together->primitiveValue(attribute), apart->primitiveValue(attribute));
            EXPECT_EQ(together->primitiveValue(attribute).metaType(),
                      apart->primitiveValue(attribute).metaType());
        }
        EXPECT_EQ(together->isUpdated(), apart->isUpdated());
        EXPECT_EQ(together->changedValues(), apart->changedValues());
    }
}

TEST_F(ContextTest, RollbackRestoresTheSavedGraph) {
    TestTask* parent = newTask(QStringLiteral("parent"));
    TestTask* child = newTask(QStringLiteral("child"));
    child->setObject(kParentTask, parent);
    ASSERT_TRUE(context->save().ok());
    const auto saved = graphSnapshot(*context);

    child->setTitle(QStringLiteral("renamed"));
    child->setObject(kParentTask, nullptr);
    context->deleteObject(parent);
    TestTask* added = newTask(QStringLiteral("added"));
    context->rollback();

    EXPECT_EQ(graphSnapshot(*context), saved);
    EXPECT_TRUE(added->isDeleted());
    EXPECT_FALSE(context->hasChanges());
}

TEST_F(ContextTest, ValidationCoercesAndRefusesWithTheObjectAndKey) {
    TestTask* task = newTask(QStringLiteral("task"));
    task->setValue(QStringLiteral("priority"), -4);
    ASSERT_TRUE(context->save().ok());
    EXPECT_EQ(task->value(QStringLiteral("priority")).toLongLong(), 0);
    EXPECT_EQ(task->willSaveCount, 1);

    task->setValue(QStringLiteral("priority"), 12);
    const Status status = context->save();
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().code, ObjectStoreErrorValidation);
    EXPECT_EQ(status.error().userInfo.value(QStringLiteral("key")).toString(), QStringLiteral("priority"));
    EXPECT_EQ(managedObjectFromVariant(status.error().userInfo.value(QStringLiteral("object"))), task);

    task->setValue(QStringLiteral("priority"), 2);
    task->setValue(kTitle, QVariant());  // a non-optional attribute
    const Status missing = context->save();
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, ObjectStoreErrorMissingValue);
    EXPECT_TRUE(missing.error().description.contains(QStringLiteral("\"title\"")));
}

TEST_F(ContextTest, ObjectIDsArePermanentAndResolve) {
    TestTask* task = newTask(QStringLiteral("task"));
    const QString uri = task->objectID().uriString();
    EXPECT_TRUE(uri.startsWith(QStringLiteral("x-ordello://") + coordinator->storeUUID() +
                               QStringLiteral("/Task/p")));
    ASSERT_TRUE(context->save().ok());
    EXPECT_EQ(task->objectID().uriString(), uri);

    auto id = context->objectIDForURIString(uri);
    ASSERT_TRUE(id.ok());
    EXPECT_EQ(context->objectWithID(*id), task);
    EXPECT_FALSE(context->objectIDForURIString(QStringLiteral("x-ordello://OTHER/Task/p1")).ok());
    EXPECT_FALSE(context
                     ->objectIDForURIString(QStringLiteral("x-ordello://") + coordinator->storeUUID() +
                                            QStringLiteral("/Nope/p1"))
                     .ok());
    EXPECT_FALSE(context->objectIDForURIString(QStringLiteral("http://example.com")).ok());

    auto second = openCoordinator();
    ManagedObjectContext other(second.get());
    auto found = other.existingObject(*id);
    ASSERT_TRUE(found.ok());
    EXPECT_EQ((*found)->value(kTitle).toString(), QStringLiteral("task"));
    context->deleteObject(task);
    ASSERT_TRUE(context->save().ok());
    ManagedObjectContext third(second.get());
    EXPECT_FALSE(third.existingObject(*id).ok());
}

// ---------------------------------------------------------------------------------------------------
// Undo

class ContextUndoTest : public ObjectStoreTest {
protected:
    void SetUp() override {
        ObjectStoreTest::SetUp();
        undo = std::make_unique<UndoManager>();
        context->setUndoManager(undo.get());
    }
    void TearDown() override {
        context.reset();
        undo.reset();
        ObjectStoreTest::TearDown();
    }
    // Ends the current event's undo group, as the end of an event-loop pass does.
    void endEvent() { testsupport::drainEvents(); }
    std::unique_ptr<UndoManager> undo;
};

TEST_F(ContextUndoTest, EachStepUndoesAndRedoesToTheExactGraph) {
    // One event per step; after each, undo restores the graph before it and redo the graph after it.
    TestTask* parent = nullptr;
    TestTask* child = nullptr;
    ManagedObject* tag = nullptr;
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"insert",
         [&] {
             parent = newTask(QStringLiteral("parent"));
             child = newTask(QStringLiteral("child"));
             tag = newObject(QStringLiteral("Tag"), QStringLiteral("t"));
         }},
        {"change",
         [&] {
             parent->setTitle(QStringLiteral("renamed"));
             parent->setValue(QStringLiteral("dueDate"), QDateTime(QDate(2026, 3, 1), QTime(9, 30)));
         }},
        {"relationship",
         [&] {
             child->setObject(kParentTask, parent);
             child->addObject(kTags, tag);
         }},
        {"move",
         [&] {
             parent->removeObject(kSubtasks, child);
             tag->setValue(kTasks, QVariantList{objectVariant(parent)});
         }},
        {"relate again",
         [&] {
             parent->addObject(kSubtasks, child);
             child->setObject(kNotes, newObject(QStringLiteral("TaskNotes")));
         }},
        {"cascade delete", [&] { context->deleteObject(parent); }},
    };
    for (const auto& [name, step] : steps) {
        SCOPED_TRACE(name);
        const auto before = graphSnapshot(*context);
        step();
        undo->setActionName(QString::fromLatin1(name));
        endEvent();
        const auto after = graphSnapshot(*context);
        ASSERT_NE(before, after);
        EXPECT_EQ(undo->undoMenuItemTitle(), QStringLiteral("Undo ") + QString::fromLatin1(name));
        undo->undo();
        EXPECT_EQ(graphSnapshot(*context), before);
        EXPECT_EQ(undo->redoMenuItemTitle(), QStringLiteral("Redo ") + QString::fromLatin1(name));
        undo->redo();
        EXPECT_EQ(graphSnapshot(*context), after);
        endEvent();
    }
    // Back through every step to the empty graph, and forward again to the end.
    const auto end = graphSnapshot(*context);
    while (undo->canUndo()) undo->undo();
    EXPECT_TRUE(graphSnapshot(*context).empty());
    while (undo->canRedo()) undo->redo();
    EXPECT_EQ(graphSnapshot(*context), end);
}

TEST_F(ContextUndoTest, UndoneDeletionBringsBackTheSameObjectAndIsSavedAgain) {
    TestTask* parent = newTask(QStringLiteral("parent"));
    TestTask* child = newTask(QStringLiteral("child"));
    child->setObject(kParentTask, parent);
    ASSERT_TRUE(context->save().ok());
    endEvent();
    const auto saved = graphSnapshot(*context);

    context->deleteObject(parent);
    endEvent();
    ASSERT_TRUE(context->save().ok());
    EXPECT_EQ(context->count(FetchRequest(QStringLiteral("Task"))).value(), 0);

    ChangeRecorder recorder(context.get());
    undo->undo();
    EXPECT_FALSE(parent->isDeleted());
    EXPECT_EQ(child->parentTask(), parent);
    context->processPendingChanges();
    ASSERT_EQ(recorder.notifications.size(), 1);
    EXPECT_EQ(ChangeRecorder::set(recorder.notifications[0], InsertedObjectsKey),
              (QSet<ManagedObject*>{parent, child}));
    ASSERT_TRUE(context->save().ok());

    auto second = openCoordinator();
    ManagedObjectContext reader(second.get());
    EXPECT_EQ(graphSnapshot(reader), saved);
}

TEST_F(ContextUndoTest, UndoGoesThroughObserversAndRegistrationCanBeOff) {
    TestTask* task = newTask(QStringLiteral("task"));
    endEvent();
    QObject owner;
    QStringList heard;
    task->addObserver(kTitle, &owner, [&heard](const KeyChange& c) { heard << c.newValue.toString(); });
    task->setTitle(QStringLiteral("one"));
    endEvent();
    undo->undo();
    EXPECT_EQ(heard, (QStringList{QStringLiteral("one"), QStringLiteral("task")}));

    undo->disableUndoRegistration();
    task->setTitle(QStringLiteral("unrecorded"));
    undo->enableUndoRegistration();
    endEvent();
    EXPECT_TRUE(undo->canRedo());  // nothing registered, so the redo stack stays
    undo->undo();                  // the insertion
    EXPECT_TRUE(task->isDeleted());
}

}  // namespace
}  // namespace objectstoretest
