#include "tests/model/task_tree_fixture.h"

#include "platform/predicates/predicate_parser.h"

#include <functional>

namespace {

using modeltest::TaskTreeTest;
using Object = platform::ManagedObject;

double order(Object* object) {
    return object->value(QStringLiteral("displayOrder")).toDouble();
}

class OrderedCollectionTest : public TaskTreeTest {
protected:
    void SetUp() override {
        TaskTreeTest::SetUp();
        list = library->createList(QStringLiteral("list"), library->foldersGroup());
    }
    TDTask* orphan(const QString& title) { return task(title); }
    QStringList titles(TDOrderedCollection* collection) {
        QStringList result;
        for (Object* object : collection->objects())
            result << object->value(QStringLiteral("title")).toString();
        return result;
    }
    TDList* list = nullptr;
};

TEST_F(OrderedCollectionTest, InsertionsGetOrdersWhereTheyWereInserted) {
    TDOrderedCollection* tasks = list->orderedTasks();
    TDTask* first = orphan(QStringLiteral("first"));
    ASSERT_TRUE(tasks->insertObject(first, 0).ok());
    EXPECT_GE(order(first), 0);
    EXPECT_LE(order(first), 1000);
    TDTask* top = orphan(QStringLiteral("top"));
    ASSERT_TRUE(tasks->insertObject(top, 0).ok());
    EXPECT_LT(order(top), order(first));
    EXPECT_GE(order(top), order(first) - 1000);

    tasks->resetDisplayOrders();  // top 0, first 1000
    TDTask* last = orphan(QStringLiteral("last"));
    ASSERT_TRUE(tasks->addObject(last).ok());
    first->setValue(QStringLiteral("displayOrder"), 1000.0);
    last->setValue(QStringLiteral("displayOrder"), 2000.0);
    TDTask* a = orphan(QStringLiteral("a"));
    TDTask* b = orphan(QStringLiteral("b"));
    ASSERT_TRUE(tasks->insertObjects({a, b}, 2).ok());
    EXPECT_EQ(titles(tasks), (QStringList{QStringLiteral("top"), QStringLiteral("first"), QStringLiteral("a"),
                                          QStringLiteral("b"), QStringLiteral("last")}));
    EXPECT_GE(order(a), 1000);
    EXPECT_LE(order(a), 1500);
    EXPECT_GE(order(b), 1500);
    EXPECT_LE(order(b), 2000);
    EXPECT_TRUE(tasks->checkDisplayOrders());
    EXPECT_EQ(list->tasks().size(), 5);
}

TEST_F(OrderedCollectionTest, ACollisionRenumbersTheWholeCollection) {
    TDOrderedCollection* tasks = list->orderedTasks();
    TDTask* low = orphan(QStringLiteral("low"));
    TDTask* high = orphan(QStringLiteral("high"));
    ASSERT_TRUE(tasks->addObject(low).ok());
    ASSERT_TRUE(tasks->addObject(high).ok());
    low->setValue(QStringLiteral("displayOrder"), 1000.0);
    high->setValue(QStringLiteral("displayOrder"), std::nextafter(1000.0, 2000.0));
    tasks->resortIfNeeded();
    ASSERT_TRUE(tasks->insertObject(orphan(QStringLiteral("between")), 1).ok());
    EXPECT_EQ(titles(tasks),
              (QStringList{QStringLiteral("low"), QStringLiteral("between"), QStringLiteral("high")}));
    QList<double> orders;
    for (Object* object : tasks->objects()) orders << order(object);
    EXPECT_EQ(orders, (QList<double>{0, 1000, 2000}));
}

TEST_F(OrderedCollectionTest, ChangesMadeByAnyoneKeepTheOrder) {
    TDOrderedCollection* tasks = list->orderedTasks();
    TDTask* one = orphan(QStringLiteral("one"));
    TDTask* three = orphan(QStringLiteral("three"));
    ASSERT_TRUE(tasks->addObject(one).ok());
    ASSERT_TRUE(tasks->addObject(three).ok());
    tasks->resetDisplayOrders();
    // Directly on the relationship: placed by its order, then given a fresh one between its neighbours.
    TDTask* two = orphan(QStringLiteral("two"));
    two->setValue(QStringLiteral("displayOrder"), 500.0);
    two->setValue(QStringLiteral("parentList"), platform::objectVariant(list));
    EXPECT_EQ(titles(tasks),
              (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}));
    EXPECT_GT(order(two), 0);
    EXPECT_LT(order(two), 1000);
    // Moved away by someone else, and brought back by undo.
    testsupport::drainEvents();
    undoManager->setGroupsByEvent(false);
    undoManager->beginUndoGrouping();
    ASSERT_TRUE(inbox()->orderedTasks()->addObject(one).ok());
    undoManager->endUndoGrouping();
    EXPECT_EQ(titles(tasks), (QStringList{QStringLiteral("two"), QStringLiteral("three")}));
    undoManager->undo();
    EXPECT_EQ(titles(tasks),
              (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}));
    three->deleteObject();
    EXPECT_EQ(titles(tasks), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    tasks->repositionObjectsBefore({two}, one);
    EXPECT_EQ(titles(tasks), (QStringList{QStringLiteral("two"), QStringLiteral("one")}));
    tasks->repositionObjectsAfter({two}, one);
    EXPECT_EQ(titles(tasks), (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    ASSERT_TRUE(tasks->removeObjectAtIndex(0).ok());
    EXPECT_FALSE(list->tasks().contains(one));
    EXPECT_FALSE(tasks->removeObjectAtIndex(5).ok());
}

TEST_F(OrderedCollectionTest, AnObservingCollectionFollowsTheRelationship) {
    TDOrderedCollection watcher(list, QStringLiteral("tasks"));
    TDTask* one = task(QStringLiteral("one"), list);
    EXPECT_EQ(watcher.count(), 1);
    TDTask* two = orphan(QStringLiteral("two"));
    two->setValue(QStringLiteral("displayOrder"), order(one) - 10);
    list->addTasks({two});
    EXPECT_EQ(watcher.objects(), (QList<Object*>{two, one}));
    one->deleteObject();
    EXPECT_EQ(watcher.objects(), (QList<Object*>{two}));
    watcher.setTitle(QStringLiteral("section"));
    watcher.userInfo().insert(QStringLiteral("isSortingSection"), true);
    watcher.setLimit(1);
    const std::unique_ptr<TDOrderedCollection> copied = watcher.copy();
    EXPECT_EQ(copied->title(), QStringLiteral("section"));
    EXPECT_TRUE(copied->userInfo().value(QStringLiteral("isSortingSection")).toBool());
    EXPECT_EQ(copied->limit(), 1u);
    EXPECT_EQ(copied->objects(), (QList<Object*>{two}));
}

TEST_F(OrderedCollectionTest, FiltersAndLimits) {
    TDOrderedCollection* tasks = list->orderedTasks();
    for (int i = 0; i < 5; ++i) task(QStringLiteral("t%1").arg(i), list);
    tasks->setFilterPredicate(*platform::predicateWithFormat(QStringLiteral("title == 'nothing'")));
    EXPECT_EQ(tasks->count(), 0);
    TDTask* hidden = orphan(QStringLiteral("hidden"));
    ASSERT_TRUE(tasks->insertObject(hidden, 0).ok());
    EXPECT_EQ(tasks->array().unfilteredObjectArray().first(), hidden);
    // Present but hidden: inserting again moves it rather than adding it twice.
    ASSERT_TRUE(tasks->insertObject(hidden, 0).ok());
    EXPECT_EQ(tasks->array().unfilteredObjectArray().count(hidden), 1);

    tasks->setFilterPredicate({});
    EXPECT_FALSE(tasks->insertObject(hidden, 0).ok());  // visible now: a duplicate
    tasks->setLimit(3);
    EXPECT_EQ(tasks->count(), 3);
    EXPECT_EQ(tasks->objects().size(), 3);
    EXPECT_EQ(tasks->unlimitedCount(), 6);
    EXPECT_EQ(tasks->objectAtIndex(4), nullptr);
    tasks->setLimit(0);
    EXPECT_EQ(tasks->count(), 6);
    EXPECT_TRUE(tasks->replaceObjectAtIndex(0, list->tasks().last()).ok());  // already a member: nothing
    EXPECT_EQ(tasks->count(), 6);
}

TEST_F(OrderedCollectionTest, SortDescriptorsAndDisplayOrderChecks) {
    TDOrderedCollection* tasks = list->orderedTasks();
    TDTask* a = task(QStringLiteral("a"), list);
    TDTask* b = task(QStringLiteral("b"), list);
    b->setValue(QStringLiteral("displayOrder"), order(a));
    EXPECT_FALSE(tasks->checkDisplayOrders());
    tasks->setSortDescriptors({platform::SortDescriptor(QStringLiteral("title"), false)});
    EXPECT_TRUE(tasks->checkDisplayOrders());
    EXPECT_EQ(titles(tasks), (QStringList{QStringLiteral("b"), QStringLiteral("a")}));
    tasks->setSortingChangeEnabled(false);
    tasks->setSortDescriptors({});
    EXPECT_EQ(tasks->sortDescriptors().size(), 1);
}

TEST_F(OrderedCollectionTest, RestoringKeepsTheOrdersMembersCarry) {
    TDTask* carried = orphan(QStringLiteral("carried"));
    carried->setValue(QStringLiteral("displayOrder"), 4242.0);
    context->setRestoringLibrary(true);
    ASSERT_TRUE(list->orderedTasks()->addObject(carried).ok());
    context->setRestoringLibrary(false);
    EXPECT_EQ(order(carried), 4242.0);
}

TEST_F(OrderedCollectionTest, FetchedMembersAndMovesOfMembersOnly) {
    for (int i = 0; i < 3; ++i) task(QStringLiteral("fetched %1").arg(i), list);
    TDOrderedCollection fetched(list, QStringLiteral("tasks"));
    fetched.setFetchRequest(
        platform::FetchRequest(QStringLiteral("Task"),
                               *platform::predicateWithFormat(QStringLiteral("title BEGINSWITH 'fetched'"))));
    EXPECT_EQ(fetched.count(), 3);  // counted by the store before anything is read
    EXPECT_EQ(fetched.objects().size(), 3);

    TDOrderedCollection* tasks = list->orderedTasks();
    const QList<Object*> before = tasks->objects();
    TDTask* stranger = orphan(QStringLiteral("stranger"));
    tasks->repositionObjectsBefore({stranger}, before.first());
    EXPECT_EQ(tasks->objects(), before);
    EXPECT_FALSE(list->tasks().contains(stranger));
    tasks->repositionObjectsAfter({before.first()}, before.last());
    EXPECT_EQ(tasks->objects().last(), before.first());
    EXPECT_TRUE(tasks->checkDisplayOrders());
}

// Callers that place an object and go on never see a refusal: the log line is the trace the orphan leaves.
TEST_F(OrderedCollectionTest, ARefusedInsertIsLoggedAsAnErrorNamingTheObject) {
    TDTask* top = task(QStringLiteral("top"), list);
    TDTask* bottom = task(QStringLiteral("bottom"), top);
    TDTask* stray = orphan(QStringLiteral("stray"));
    const auto line = [](TDTask* object, const char* key, TDLibraryObject* owner, const char* why) {
        return QStringLiteral("ERROR: Could not insert Task %1 '%2' into \"%3\" of %4 %5 '%6': %7")
            .arg(object->uid(), object->title(), QLatin1String(key), owner->entity()->name(), owner->uid(),
                 owner->value(QStringLiteral("title")).toString(), QLatin1String(why));
    };
    const struct {
        const char* what;
        std::function<Status()> insert;
        QStringList lines;
    } cases[] = {
        {"under its own descendant",
         [&] { return bottom->orderedTasks()->addObject(top); },
         {line(top, "subtasks", bottom,
               "The object refused to join the relationship of the TDOrderedCollection")}},
        {"twice",
         [&] { return list->orderedTasks()->insertObject(top, 0); },
         {line(top, "tasks", list, "Inserting duplicate object into TDOrderedCollection")}},
        {"out of bounds",
         [&] { return list->orderedTasks()->insertObject(stray, 7); },
         {line(stray, "tasks", list, "index out of bounds when inserting to a TDOrderedCollection object")}},
        {"a run with one refused member",
         [&] {
             return bottom->orderedTasks()->insertObjects({stray, top}, 0);
         },
         {line(top, "subtasks", bottom,
               "The object refused to join the relationship of the TDOrderedCollection")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        testing::internal::CaptureStderr();
        const Status inserted = c.insert();
        const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
        ASSERT_FALSE(inserted.ok());
        EXPECT_TRUE(inserted.error().isInDomain(TDErrorOrderedCollectionMisuse));
        QStringList errors;
        for (const QString& text : log.split(QLatin1Char('\n')))
            if (const qsizetype at = text.indexOf(QLatin1String("ERROR: ")); at >= 0) errors << text.mid(at);
        EXPECT_EQ(errors, c.lines) << log.toStdString();
    }
    EXPECT_EQ(top->parentTask(), nullptr);
    EXPECT_EQ(stray->parentTask(), bottom);  // the run's other member joined
}

TEST(FilteringMutableArrayTest, ViewsLimitsAndMoves) {
    QList<Object*> objects;
    for (int i = 0; i < 6; ++i) objects << reinterpret_cast<Object*>(quintptr(0x1000 + 16 * i));
    TDFilteringMutableArray array(objects);
    array.setLimit(3);
    EXPECT_EQ(array.count(), 3);
    EXPECT_EQ(array.objectAtIndex(3), nullptr);
    EXPECT_FALSE(array.containsObject(objects.at(4)));
    array.setLimit(0);
    EXPECT_EQ(array.count(), 6);
    array.insertObjectsAtUnfilteredIndex({objects.at(1), objects.at(2)}, 5);
    EXPECT_EQ(array.unfilteredObjectArray().indexOf(objects.at(1)), 3);
    EXPECT_EQ(array.unfilteredObjectArray().indexOf(objects.at(2)), 4);
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(array.removeLastObject());
    EXPECT_FALSE(array.removeLastObject());
    EXPECT_EQ(array.count(), 0);
    EXPECT_FALSE(array.removeObjectAtIndex(0));
}

}  // namespace
