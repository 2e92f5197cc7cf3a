#include "model/collection_difference.h"
#include "tests/model/collection_list_model.h"
#include "tests/model/task_tree_fixture.h"

#include "foundation/shared_predicates.h"
#include "platform/predicates/predicate_parser.h"

#include <QAbstractItemModelTester>

#include <memory>
#include <random>

namespace {

using modeltest::CollectionListModel;
using modeltest::TaskTreeTest;
using Object = platform::ManagedObject;

const QString kTitle = QStringLiteral("title");
const QString kDisplayOrder = QStringLiteral("displayOrder");

// ---------------------------------------------------------------------------------------------------
// The difference on its own

QList<Object*> fakeObjects(const QString& letters) {
    QList<Object*> objects;
    for (QChar c : letters) objects << reinterpret_cast<Object*>(quintptr(c.unicode()) * 16);
    return objects;
}

struct DifferenceCase {
    const char* from;
    const char* to;
    int steps;  // the fewest a view should have to follow
};

class CollectionDifferenceTest : public ::testing::TestWithParam<DifferenceCase> {};

TEST_P(CollectionDifferenceTest, StepsTurnOneListIntoTheOther) {
    const QList<Object*> from = fakeObjects(QString::fromLatin1(GetParam().from));
    const QList<Object*> to = fakeObjects(QString::fromLatin1(GetParam().to));
    const auto steps = TDCollectionDifference(from, to, 1 << 20);
    ASSERT_TRUE(steps.has_value());
    EXPECT_EQ(steps->size(), GetParam().steps);
    QList<Object*> list = from;
    int stage = TDCollectionStep::Remove;
    for (const TDCollectionStep& step : *steps) {
        EXPECT_GE(int(step.kind), stage) << "removals, then moves, then insertions";
        stage = step.kind;
        ASSERT_LE(step.first, step.last);
        if (step.kind == TDCollectionStep::Move) {
            EXPECT_FALSE(step.destination >= step.first && step.destination <= step.last + 1);
        }
        TDApplyCollectionStep(list, step, to);
    }
    EXPECT_EQ(list, to);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CollectionDifferenceTest,
    ::testing::Values(DifferenceCase{"abcdef", "abcdef", 0}, DifferenceCase{"", "abc", 1},
                      DifferenceCase{"abc", "", 1}, DifferenceCase{"abcdef", "abef", 1},
                      DifferenceCase{"abcdef", "bdf", 3}, DifferenceCase{"abc", "xaybcz", 3},
                      DifferenceCase{"abcdef", "bcdefa", 1}, DifferenceCase{"abcdef", "fabcde", 1},
                      DifferenceCase{"abcdef", "adebcf", 1}, DifferenceCase{"abcdef", "fedcba", 5},
                      DifferenceCase{"abcdef", "xfbdy", 6}));

TEST(CollectionDifferenceLimitTest, AWholesaleChangeIsNoStepByStepDifference) {
    QList<Object*> from;
    for (int i = 0; i < 2000; ++i) from << reinterpret_cast<Object*>(quintptr(16 * (i + 1)));
    QList<Object*> reversed(from.rbegin(), from.rend());
    EXPECT_FALSE(TDCollectionDifference(from, reversed, 1 << 16).has_value());
    QList<Object*> oneMoved = from;
    oneMoved.move(10, 1500);
    const auto steps = TDCollectionDifference(from, oneMoved, 1 << 16);
    ASSERT_TRUE(steps.has_value());
    EXPECT_EQ(steps->size(), 1);
}

// ---------------------------------------------------------------------------------------------------
// A watched collection and the item model that follows it

class CollectionSignalsTest : public TaskTreeTest {
protected:
    void SetUp() override {
        TaskTreeTest::SetUp();
        list = library->createList(QStringLiteral("list"), library->foldersGroup());
    }
    // A model over the collection, checked by Qt's tester through everything that follows.
    CollectionListModel* watch(TDOrderedCollection* collection) {
        models.push_back(std::make_unique<CollectionListModel>(collection));
        testers.push_back(std::make_unique<QAbstractItemModelTester>(
            models.back().get(), QAbstractItemModelTester::FailureReportingMode::Fatal));
        return models.back().get();
    }
    // One undoable edit.
    template <typename Edit>
    void edit(Edit&& change) {
        testsupport::drainEvents();  // ends the group of what came before
        undoManager->setGroupsByEvent(false);
        undoManager->beginUndoGrouping();
        change();
        undoManager->endUndoGrouping();
        undoManager->setGroupsByEvent(true);
        context->processPendingChanges();
    }
    void undo() {
        testsupport::drainEvents();
        undoManager->undo();
        context->processPendingChanges();
    }
    static QStringList titles(const QList<Object*>& objects) {
        QStringList result;
        for (Object* object : objects) result << object->value(kTitle).toString();
        return result;
    }
    static QStringList rowTitles(const CollectionListModel& model) {
        QStringList result;
        for (int row = 0; row < model.rowCount(); ++row)
            result << model.data(model.index(row), Qt::DisplayRole).toString();
        return result;
    }
    // The model shows exactly what the collection holds now.
    void expectInStep(TDOrderedCollection* collection, const CollectionListModel& model, const char* when) {
        EXPECT_EQ(rowTitles(model), titles(collection->objects())) << when;
        EXPECT_EQ(model.rows(), collection->objects()) << when;
    }

    // What the collection must show, worked out from scratch: the relationship filtered, in display
    // order, then sorted by the descriptors and cut to the limit.
    static QList<Object*> expectedMembers(TDOrderedCollection* collection) {
        QList<Object*> members;
        for (Object* object : collection->object()->objectList(collection->keyPath()))
            if (!collection->filterPredicate() || collection->filterPredicate()->evaluate(object))
                members << object;
        platform::sortObjects(members, TDDisplayOrderSortDescriptors());
        platform::sortObjects(members, collection->sortDescriptors());
        if (collection->limit()) members = members.mid(0, qsizetype(collection->limit()));
        return members;
    }

    TDList* list = nullptr;
    std::vector<std::unique_ptr<CollectionListModel>> models;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
};

TEST_F(CollectionSignalsTest, EditsAndTheirUndoArriveAsRowChanges) {
    TDOrderedCollection* tasks = list->orderedTasks();
    TDTask* a = task(QStringLiteral("a"), list);
    TDTask* b = task(QStringLiteral("b"), list);
    TDTask* c = task(QStringLiteral("c"), list);
    CollectionListModel& model = *watch(tasks);
    expectInStep(tasks, model, "start");

    struct Step {
        const char* name;
        std::function<void()> change;
        int inserts, removals, moves;
        QStringList after;
    };
    const QList<Step> steps{
        {"insert at the top",
         [&] { EXPECT_TRUE(tasks->insertObject(task(QStringLiteral("new")), 0).ok()); },
         1,
         0,
         0,
         {QStringLiteral("new"), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}},
        {"remove",
         [&] { EXPECT_TRUE(tasks->removeObjectAtIndex(0).ok()); },
         0,
         1,
         0,
         {QStringLiteral("b"), QStringLiteral("c")}},
        {"reposition",
         [&] { tasks->repositionObjectsAfter({a}, c); },
         0,
         0,
         1,
         {QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")}},
        {"move to another list",
         [&] { EXPECT_TRUE(inbox()->orderedTasks()->addObject(b).ok()); },
         0,
         1,
         0,
         {QStringLiteral("a"), QStringLiteral("c")}},
        {"delete", [&] { c->deleteObject(); }, 0, 1, 0, {QStringLiteral("a"), QStringLiteral("b")}},
        {"display order of a member",
         [&] { a->setValue(kDisplayOrder, c->value(kDisplayOrder).toDouble() + 1); },
         0,
         0,
         1,
         {QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("a")}},
    };
    const QStringList original{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        model.forget();
        edit(step.change);
        expectInStep(tasks, model, "after the edit");
        EXPECT_EQ(rowTitles(model), step.after);
        EXPECT_EQ(model.inserts, step.inserts);
        EXPECT_EQ(model.removals, step.removals);
        EXPECT_EQ(model.moves, step.moves);
        EXPECT_EQ(model.resets, 0);
        model.forget();
        undo();
        expectInStep(tasks, model, "after undo");
        EXPECT_EQ(rowTitles(model), original);
        EXPECT_EQ(model.resets, 0);
    }
}

TEST_F(CollectionSignalsTest, FilterSortAndLimitChangesArriveAsRowChanges) {
    TDOrderedCollection* tasks = list->orderedTasks();
    for (const char* title : {"pear", "apple", "plum", "fig", "peach"})
        task(QString::fromLatin1(title), list);
    CollectionListModel& model = *watch(tasks);

    tasks->setFilterPredicate(*platform::predicateWithFormat(QStringLiteral("title BEGINSWITH 'p'")));
    expectInStep(tasks, model, "filtered");
    EXPECT_EQ(rowTitles(model),
              (QStringList{QStringLiteral("pear"), QStringLiteral("plum"), QStringLiteral("peach")}));
    EXPECT_EQ(model.removals, 2);

    tasks->setSortDescriptors({platform::SortDescriptor(kTitle)});
    expectInStep(tasks, model, "sorted");
    EXPECT_EQ(rowTitles(model),
              (QStringList{QStringLiteral("peach"), QStringLiteral("pear"), QStringLiteral("plum")}));

    // A member edited out of the filter leaves; one edited into it joins at its sorted place.
    TDTask* fig = dynamic_cast<TDTask*>(tasks->array().unfilteredObjectArray().at(3));
    ASSERT_EQ(fig->title(), QStringLiteral("fig"));
    edit([&] { fig->setTitle(QStringLiteral("pfig")); });
    expectInStep(tasks, model, "joined");
    edit([&] { fig->setTitle(QStringLiteral("fig")); });
    expectInStep(tasks, model, "left");
    undo();
    expectInStep(tasks, model, "joined again by undo");
    EXPECT_EQ(rowTitles(model), (QStringList{QStringLiteral("peach"), QStringLiteral("pear"),
                                             QStringLiteral("pfig"), QStringLiteral("plum")}));

    tasks->setLimit(2);
    expectInStep(tasks, model, "limited");
    EXPECT_EQ(model.rowCount(), 2);
    tasks->setLimit(0);
    tasks->setSortDescriptors({});
    tasks->setFilterPredicate({});
    expectInStep(tasks, model, "everything again");
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.resets, 0);
}

TEST_F(CollectionSignalsTest, ANewFetchRequestResets) {
    for (int i = 0; i < 3; ++i) task(QStringLiteral("fetched %1").arg(i), list);
    TDOrderedCollection fetched(list, QStringLiteral("tasks"));
    CollectionListModel& model = *watch(&fetched);
    fetched.setFetchRequest(platform::FetchRequest(
        QStringLiteral("Task"), *platform::predicateWithFormat(QStringLiteral("title ENDSWITH '1'"))));
    EXPECT_EQ(model.resets, 0);  // not in effect before the members are built again
    fetched.reload();
    EXPECT_EQ(model.resets, 1);
    expectInStep(&fetched, model, "fetched");
    EXPECT_EQ(rowTitles(model), QStringList{QStringLiteral("fetched 1")});
    fetched.reload();
    EXPECT_EQ(model.resets, 1);
}

TEST_F(CollectionSignalsTest, AMemberEditSaysWhichKeysChanged) {
    TDOrderedCollection* tasks = list->orderedTasks();
    task(QStringLiteral("a"), list);
    TDTask* b = task(QStringLiteral("b"), list);
    CollectionListModel& model = *watch(tasks);
    edit([&] { b->setTitle(QStringLiteral("bee")); });
    ASSERT_EQ(model.changedRows, QList<int>{1});
    EXPECT_TRUE(model.changedKeys.first().contains(kTitle));
    EXPECT_EQ(model.inserts + model.removals + model.moves + model.resets, 0);
}

// A collection only watched while a model is connected does nothing for anyone else.
TEST_F(CollectionSignalsTest, AnUnwatchedCollectionPublishesNothing) {
    TDOrderedCollection* tasks = list->orderedTasks();
    task(QStringLiteral("a"), list);
    {
        CollectionListModel model(tasks);
        EXPECT_EQ(model.rowCount(), 1);
    }
    task(QStringLiteral("b"), list);
    EXPECT_EQ(tasks->publishedObjects(), tasks->objects());
    CollectionListModel again(tasks);
    EXPECT_EQ(again.rowCount(), 2);
}

TEST_F(CollectionSignalsTest, ARandomRunOfEditsKeepsModelsAndCollectionsInStep) {
    TDOrderedCollection* tasks = list->orderedTasks();
    TDOrderedCollection watcher(list, QStringLiteral("tasks"));
    watcher.setFilterPredicate(*platform::predicateWithFormat(QStringLiteral("title CONTAINS 'e'")));
    for (int i = 0; i < 12; ++i) task(QStringLiteral("task %1").arg(i), list);
    CollectionListModel& model = *watch(tasks);
    CollectionListModel& filtered = *watch(&watcher);
    const QList<platform::PredicatePtr> filters{
        {},
        *platform::predicateWithFormat(QStringLiteral("title CONTAINS '1'")),
        *platform::predicateWithFormat(QStringLiteral("title CONTAINS 'e'"))};
    const QList<QList<platform::SortDescriptor>> sorts{
        {}, {platform::SortDescriptor(kTitle)}, {platform::SortDescriptor(kTitle, false)}};

    std::mt19937 random(20240917);
    auto pick = [&random](qsizetype n) {
        return qsizetype(std::uniform_int_distribution<qsizetype>(0, n - 1)(random));
    };
    const QStringList words{QStringLiteral("alpha"), QStringLiteral("beta"), QStringLiteral("omega"),
                            QStringLiteral("zeta"), QStringLiteral("kiwi")};
    int made = 0;
    int ordersGiven = 0;
    auto uniqueOrder = [&] { return double(pick(20000) - 10000) + 1e-3 * ++ordersGiven; };
    for (int round = 0; round < 300; ++round) {
        const QList<Object*> members = list->objectList(QStringLiteral("tasks"));
        const qsizetype visible = tasks->count();
        switch (pick(10)) {
            case 0:
                edit([&] {
                    EXPECT_TRUE(
                        tasks->insertObject(task(QStringLiteral("made %1").arg(++made)), pick(visible + 1))
                            .ok());
                });
                break;
            case 1:
                if (visible) edit([&] { EXPECT_TRUE(tasks->removeObjectAtIndex(pick(visible)).ok()); });
                break;
            case 2:
                if (visible > 1)
                    edit([&] {
                        tasks->repositionObjectsBefore({tasks->objectAtIndex(pick(visible))},
                                                       tasks->objectAtIndex(pick(visible)));
                    });
                break;
            case 3:
                if (!members.isEmpty())
                    edit([&] {
                        static_cast<TDTask*>(members.at(pick(members.size())))
                            ->setTitle(words.at(pick(words.size())) + QString::number(pick(20)));
                    });
                break;
            case 4:
                if (!members.isEmpty())
                    edit([&] { members.at(pick(members.size()))->setValue(kDisplayOrder, uniqueOrder()); });
                break;
            case 5:
                tasks->setFilterPredicate(filters.at(pick(filters.size())));
                watcher.setSortDescriptors(sorts.at(pick(sorts.size())));
                break;
            case 6:
                tasks->setSortDescriptors(sorts.at(pick(sorts.size())));
                tasks->setLimit(quint64(pick(3) * 4));
                break;
            case 7:
                if (undoManager->canUndo()) undo();
                break;
            case 8:
                if (!members.isEmpty())
                    edit([&] { static_cast<TDTask*>(members.at(pick(members.size())))->deleteObject(); });
                break;
            case 9:
                edit([&] {
                    TDTask* outside = task(QStringLiteral("outside %1").arg(++made));
                    outside->setValue(kDisplayOrder, uniqueOrder());
                    list->addTasks({outside});
                });
                break;
        }
        const std::string when = "round " + std::to_string(round);
        expectInStep(tasks, model, when.c_str());
        expectInStep(&watcher, filtered, when.c_str());
        EXPECT_EQ(titles(tasks->objects()), titles(expectedMembers(tasks))) << when;
        EXPECT_EQ(titles(watcher.objects()), titles(expectedMembers(&watcher))) << when;
        if (HasFailure()) break;
    }
    EXPECT_EQ(model.resets + filtered.resets, 0);
}

TEST_F(CollectionSignalsTest, EditingOneOfTenThousandMembersIsOneRowChange) {
    TDOrderedCollection* tasks = list->orderedTasks();
    QList<Object*> made;
    // Built as a restore builds it (orders carried, no journal), which keeps the set-up quick.
    undoManager->disableUndoRegistration();
    context->setRestoringLibrary(true);
    for (int i = 0; i < 10000; ++i) {
        TDTask* member = library->createOrphanTask();
        member->setTitle(QStringLiteral("task %1").arg(i));
        member->setValue(kDisplayOrder, 1000.0 * i);
        made << member;
    }
    ASSERT_TRUE(tasks->insertObjects(made, 0).ok());
    context->setRestoringLibrary(false);
    undoManager->enableUndoRegistration();
    context->processPendingChanges();
    CollectionListModel& model = *watch(tasks);
    ASSERT_EQ(model.rowCount(), 10000);

    edit([&] { static_cast<TDTask*>(made.at(4321))->setTitle(QStringLiteral("edited")); });
    EXPECT_EQ(model.changedRows, QList<int>{4321});
    EXPECT_EQ(model.inserts + model.removals + model.moves + model.resets, 0);

    model.forget();
    const double between =
        (made.at(9000)->value(kDisplayOrder).toDouble() + made.at(9001)->value(kDisplayOrder).toDouble()) / 2;
    edit([&] { made.at(10)->setValue(kDisplayOrder, between); });
    EXPECT_EQ(model.moves, 1);
    EXPECT_EQ(model.inserts + model.removals + model.resets, 0);
    expectInStep(tasks, model, "moved");
}

}  // namespace
