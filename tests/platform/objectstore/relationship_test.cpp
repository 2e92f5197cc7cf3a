#include "tests/platform/objectstore/object_store_fixture.h"

#include "platform/notifications/notification_center.h"

#include <gtest/gtest.h>

namespace objectstoretest {
namespace {

using namespace platform;

const QString kParentTask = QStringLiteral("parentTask");
const QString kSubtasks = QStringLiteral("subtasks");
const QString kTags = QStringLiteral("tags");
const QString kTasks = QStringLiteral("tasks");
const QString kNotes = QStringLiteral("notes");
const QString kTask = QStringLiteral("task");
const QString kParentList = QStringLiteral("parentList");

using RelationshipTest = ObjectStoreTest;

TEST_F(RelationshipTest, OneToManyKeepsBothSidesFromEitherSide) {
    TestTask* a = newTask(QStringLiteral("a"));
    TestTask* b = newTask(QStringLiteral("b"));
    TestTask* child = newTask(QStringLiteral("child"));

    child->setObject(kParentTask, a);
    EXPECT_EQ(child->parentTask(), a);
    EXPECT_TRUE(a->objects(kSubtasks).contains(child));

    // Adding to another parent's to-many moves the child out of the old parent.
    b->addObject(kSubtasks, child);
    EXPECT_EQ(child->parentTask(), b);
    EXPECT_FALSE(a->objects(kSubtasks).contains(child));
    EXPECT_TRUE(b->objects(kSubtasks).contains(child));

    b->removeObject(kSubtasks, child);
    EXPECT_EQ(child->parentTask(), nullptr);
    EXPECT_TRUE(b->objects(kSubtasks).isEmpty());

    // Setting the whole to-many detaches the members it drops and takes over the ones it gains.
    TestTask* other = newTask(QStringLiteral("other"));
    other->setObject(kParentTask, a);
    b->setValue(kSubtasks, variantListOfObjects({child, other}));
    EXPECT_EQ(other->parentTask(), b);
    EXPECT_TRUE(a->objects(kSubtasks).isEmpty());
    b->setValue(kSubtasks, QVariantList{objectVariant(other)});
    EXPECT_EQ(child->parentTask(), nullptr);
    EXPECT_EQ(b->value(kSubtasks).toList().size(), 1);
}

TEST_F(RelationshipTest, OneToOneReleasesBothPreviousPartners) {
    TestTask* a = newTask(QStringLiteral("a"));
    TestTask* b = newTask(QStringLiteral("b"));
    ManagedObject* notes1 = newObject(QStringLiteral("TaskNotes"));
    ManagedObject* notes2 = newObject(QStringLiteral("TaskNotes"));

    a->setObject(kNotes, notes1);
    EXPECT_EQ(notes1->object(kTask), a);
    b->setObject(kNotes, notes2);

    // a takes b's notes: b loses them, and a's old notes lose a.
    notes2->setObject(kTask, a);
    EXPECT_EQ(a->object(kNotes), notes2);
    EXPECT_EQ(b->object(kNotes), nullptr);
    EXPECT_EQ(notes1->object(kTask), nullptr);

    a->setObject(kNotes, nullptr);
    EXPECT_EQ(notes2->object(kTask), nullptr);
}

TEST_F(RelationshipTest, ManyToManyAndSubEntityRelationships) {
    TestTask* a = newTask(QStringLiteral("a"));
    TestTask* b = newTask(QStringLiteral("b"));
    ManagedObject* red = newObject(QStringLiteral("Tag"), QStringLiteral("red"));
    ManagedObject* blue = newObject(QStringLiteral("Tag"), QStringLiteral("blue"));
    ManagedObject* list = newObject(QStringLiteral("List"), QStringLiteral("list"));

    a->addObjects(kTags, {red, blue});
    red->addObject(kTasks, b);
    EXPECT_EQ(red->objects(kTasks).size(), 2);
    EXPECT_TRUE(blue->objects(kTasks).contains(a));
    EXPECT_TRUE(b->objects(kTags).contains(red));

    red->removeObject(kTasks, a);
    EXPECT_FALSE(a->objects(kTags).contains(red));
    EXPECT_TRUE(a->objects(kTags).contains(blue));

    // "tasks" of a list is a one-to-many with the task's parentList; of a tag a many-to-many.
    list->addObject(kTasks, a);
    EXPECT_EQ(a->object(kParentList), list);
    EXPECT_FALSE(red->objects(kTasks).contains(a));

    // Objects of the wrong entity are refused and change nothing.
    a->setObject(kParentList, red);
    EXPECT_EQ(a->object(kParentList), list);
}

TEST_F(RelationshipTest, ObserversHearEveryKindOfChangeIncludingInverseUpkeep) {
    TestTask* parent = newTask(QStringLiteral("parent"));
    TestTask* other = newTask(QStringLiteral("other"));
    TestTask* child = newTask(QStringLiteral("child"));
    QObject owner;
    QList<KeyChange> heard;
    auto record = [&heard](const KeyChange& change) { heard.append(change); };
    parent->addObserver(kSubtasks, &owner, record);
    child->addObserver(kParentTask, &owner, record);
    child->addObserver(QStringLiteral("isCompleted"), &owner, record);

    child->setObject(kParentTask, parent);  // the parent hears an insertion through inverse upkeep
    ASSERT_EQ(heard.size(), 2);
    EXPECT_EQ(heard[0].kind, KeyChange::Setting);
    EXPECT_EQ(managedObjectFromVariant(heard[0].newValue), parent);
    EXPECT_EQ(heard[1].object, parent);
    EXPECT_EQ(heard[1].kind, KeyChange::Insertion);
    EXPECT_EQ(heard[1].newObjects, QList<ManagedObject*>{child});

    heard.clear();
    other->addObject(kSubtasks, child);  // the old parent hears a removal, the child a setting
    ASSERT_EQ(heard.size(), 2);
    EXPECT_EQ(heard[0].object, parent);
    EXPECT_EQ(heard[0].kind, KeyChange::Removal);
    EXPECT_EQ(heard[0].oldObjects, QList<ManagedObject*>{child});
    EXPECT_EQ(managedObjectFromVariant(heard[1].oldValue), parent);
    EXPECT_EQ(managedObjectFromVariant(heard[1].newValue), other);

    heard.clear();
    child->setValue(QStringLiteral("status"),
                    QStringLiteral("C"));  // a computed key that depends on "status"
    ASSERT_EQ(heard.size(), 1);
    EXPECT_EQ(heard[0].key, QStringLiteral("isCompleted"));
    EXPECT_EQ(heard[0].oldValue, QVariant(false));
    EXPECT_EQ(heard[0].newValue, QVariant(true));

    heard.clear();
    child->setValue(QStringLiteral("status"), QStringLiteral("C"));  // an equal value is no change
    EXPECT_TRUE(heard.isEmpty());
}

TEST_F(RelationshipTest, HooksSeeInverseChangesAndObserversEndWithTheirOwner) {
    TestTask* parent = newTask(QStringLiteral("parent"));
    TestTask* child = newTask(QStringLiteral("child"));
    events().clear();
    child->setObject(kParentTask, parent);
    EXPECT_TRUE(events().contains(QStringLiteral("didChange child.parentTask")));
    EXPECT_TRUE(events().contains(QStringLiteral("didChange parent.subtasks union 1")));

    int heard = 0;
    {
        QObject owner;
        child->addObserver(QStringLiteral("title"), &owner, [&heard](const KeyChange&) { ++heard; });
        child->setTitle(QStringLiteral("renamed"));
    }
    child->setTitle(QStringLiteral("again"));
    EXPECT_EQ(heard, 1);
}

TEST_F(RelationshipTest, PrimitiveValuesBypassObserversButAreSaved) {
    TestTask* task = newTask(QStringLiteral("task"));
    ASSERT_TRUE(context->save().ok());
    QObject owner;
    int heard = 0;
    task->addObserver(QStringLiteral("title"), &owner, [&heard](const KeyChange&) { ++heard; });
    events().clear();
    task->setPrimitiveValue(QStringLiteral("title"), QStringLiteral("quiet"));
    EXPECT_EQ(heard, 0);
    EXPECT_TRUE(events().isEmpty());
    EXPECT_TRUE(task->isUpdated());
    ASSERT_TRUE(context->save().ok());

    auto second = openCoordinator();
    ManagedObjectContext reader(second.get());
    auto tasks = reader.execute(FetchRequest(QStringLiteral("Task")));
    ASSERT_TRUE(tasks.ok());
    ASSERT_EQ(tasks->size(), 1);
    EXPECT_EQ(tasks->first()->value(QStringLiteral("title")).toString(), QStringLiteral("quiet"));
}

TEST_F(RelationshipTest, KeyPathsAndCountThroughRelationships) {
    TestTask* parent = newTask(QStringLiteral("parent"));
    ManagedObject* list = newObject(QStringLiteral("List"), QStringLiteral("Home"));
    parent->setObject(kParentList, list);
    for (const char* title : {"x", "y"}) newTask(QString::fromLatin1(title))->setObject(kParentTask, parent);
    TestTask* x = dynamic_cast<TestTask*>(parent->objectList(kSubtasks).first());
    EXPECT_EQ(x->valueForKeyPath(QStringLiteral("parentTask.parentList.title")).toString(),
              QStringLiteral("Home"));
    EXPECT_EQ(parent->valueForKeyPath(QStringLiteral("subtasks.@count")).toLongLong(), 2);
    QStringList titles = parent->valueForKeyPath(QStringLiteral("subtasks.title")).toStringList();
    titles.sort();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("x"), QStringLiteral("y")}));
    EXPECT_FALSE(parent->valueForKeyPath(QStringLiteral("parentTask.title")).isValid());
}

}  // namespace
}  // namespace objectstoretest
