#include "tests/model/task_tree_fixture.h"

#include "foundation/shared_predicates.h"
#include "model/list_sort_descriptor.h"
#include "model/task_sort_descriptor.h"

#include <QDateTime>

#include <functional>
#include <utility>
#include <vector>

namespace {

using modeltest::TaskTreeTest;
using Object = platform::ManagedObject;

const QString kDue = QStringLiteral("dueDate");
const QString kStart = QStringLiteral("startDate");

class SortKeyCacheTest : public TaskTreeTest {
protected:
    void SetUp() override {
        TaskTreeTest::SetUp();
        list = library->createList(QStringLiteral("list"), library->foldersGroup());
        day = QDateTime(QDate(2026, 3, 11), QTime(9, 0), Qt::UTC);
        // Shared dates, so the display order decides, and a few without any.
        const QList<int> dueDays{3, 1, -1, 3, 0, -1, 1, 3, 2, -1, 0, 5};
        for (qsizetype i = 0; i < dueDays.size(); ++i) {
            TDTask* added = task(QStringLiteral("task %1").arg(i), list);
            if (dueDays.at(i) >= 0) added->setValue(kDue, day.addDays(dueDays.at(i)));
            if (i % 3 == 0) added->setValue(kStart, day.addDays(-int(i)));
            tasks << added;
        }
        settle();
    }

    // What the collection shows against the same members sorted from scratch, as a collection that kept
    // no keys sorts them: in display order, then stably by the descriptors.
    void expectSortedAsFromScratch(const char* when) {
        TDOrderedCollection* collection = list->orderedTasks();
        QList<Object*> expected;
        for (TDTask* member : list->tasks()) expected << member;
        platform::sortObjects(expected, TDDisplayOrderSortDescriptors());
        platform::sortObjects(expected, collection->sortDescriptors());
        EXPECT_EQ(titles(collection->objects()), titles(expected)) << when;
    }
    static QStringList titles(const QList<Object*>& objects) {
        QStringList result;
        for (Object* object : objects) result << object->value(QStringLiteral("title")).toString();
        return result;
    }

    TDList* list = nullptr;
    QDateTime day;
    QList<TDTask*> tasks;
};

TEST_F(SortKeyCacheTest, KeptKeysSortAsKeysReadAfreshThroughEdits) {
    TDOrderedCollection* collection = list->orderedTasks();
    collection->setSortDescriptors(
        {TDTaskSortDescriptor(kDue, true), TDListSortDescriptor(QStringLiteral("list"), true)});
    expectSortedAsFromScratch("first sort");
    collection->setNeedsToSort(true);
    expectSortedAsFromScratch("sorted again without a change");

    const std::vector<std::pair<const char*, std::function<void()>>> edits{
        {"a due date moved later", [&] { tasks[1]->setValue(kDue, day.addDays(4)); }},
        {"a due date cleared", [&] { tasks[0]->setValue(kDue, QVariant()); }},
        {"a due date given", [&] { tasks[2]->setValue(kDue, day.addDays(1)); }},
        {"a display order among tied dates",
         [&] { tasks[7]->setValue(QStringLiteral("displayOrder"), -50000.0); }},
        {"a title only", [&] { tasks[4]->setValue(QStringLiteral("title"), QStringLiteral("renamed")); }},
        {"a task inserted",
         [&] {
             TDTask* added = task(QStringLiteral("inserted"));
             added->setValue(kDue, day.addDays(1));
             ASSERT_TRUE(collection->insertObject(added, 2).ok());
         }},
        {"a task added to the relationship by someone else",
         [&] {
             TDTask* added = task(QStringLiteral("joined"));
             added->setValue(kDue, day);
             added->setValue(QStringLiteral("parentList"), platform::objectVariant(list));
         }},
        {"a task removed", [&] { ASSERT_TRUE(collection->removeObjectAtIndex(3).ok()); }},
        {"a task deleted", [&] { tasks[8]->deleteObject(); }},
        {"members repositioned", [&] { collection->repositionObjectsBefore({tasks[9]}, tasks[5]); }},
        {"descending", [&] { collection->setSortDescriptors({TDTaskSortDescriptor(kDue, false)}); }},
        {"by start date", [&] { collection->setSortDescriptors({TDTaskSortDescriptor(kStart, true)}); }},
        {"a start date moved", [&] { tasks[3]->setValue(kStart, day.addDays(9)); }},
        {"by completed date, open tasks first",
         [&] {
             tasks[5]->setValue(QStringLiteral("completedDate"), day);
             collection->setSortDescriptors(
                 {TDTaskSortDescriptor::sortDescriptorWithKey(QStringLiteral("completedDate"), true)});
         }},
    };
    for (const auto& [when, edit] : edits) {
        expectSortedAsFromScratch(when);  // read once before the edit, so the keys are kept
        edit();
        settle();
        expectSortedAsFromScratch(when);
    }
}

}  // namespace
