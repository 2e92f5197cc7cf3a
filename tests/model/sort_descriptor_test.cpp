#include "tests/model/task_tree_fixture.h"

#include "model/list_sort_descriptor.h"
#include "model/sort_descriptor.h"
#include "model/task_sort_descriptor.h"

#include <algorithm>

namespace {

using modeltest::TaskTreeTest;

class SortDescriptorTest : public TaskTreeTest {
protected:
    QStringList sorted(QList<TDTask*> tasks, const QList<platform::SortDescriptor>& descriptors) {
        platform::sortObjects(tasks, descriptors);
        QStringList titles;
        for (TDTask* t : tasks) titles << t->title();
        return titles;
    }
};

TEST_F(SortDescriptorTest, MissingValuesAndTiesFollowTheTaskRules) {
    TDTask* parent = task(QStringLiteral("parent"), inbox());
    TDTask* high = task(QStringLiteral("high"), parent, 600);
    TDTask* low = task(QStringLiteral("low"), parent, 60);
    TDTask* none = task(QStringLiteral("none"), parent);
    TDTask* none2 = task(QStringLiteral("none2"), parent);
    high->setPriority(9);
    low->setPriority(1);
    none->setValue(QStringLiteral("displayOrder"), 10.0);
    none2->setValue(QStringLiteral("displayOrder"), 5.0);
    const QList<TDTask*> all{none, low, none2, high};
    struct Case {
        const char* key;
        bool ascending;
        const char* expected;
    };
    const Case cases[] = {
        {"priority", true, "low high none2 none"},
        {"priority", false, "high low none2 none"},
        {"totalEstimatedTime", true, "low high none2 none"},
        {"totalEstimatedTime", false, "high low none2 none"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sorted(all, {TDTaskSortDescriptor::sortDescriptorWithKey(QString::fromLatin1(c.key),
                                                                           c.ascending)})
                      .join(QLatin1Char(' ')),
                  QString::fromLatin1(c.expected))
            << c.key << " " << c.ascending;

    // Open tasks first in both directions; asked ascending, the newest completion first.
    low->setCompleted(true);
    clock->advanceSeconds(60);
    high->setCompleted(true);
    for (bool ascending : {true, false}) {
        const QStringList order = sorted(
            all, {TDTaskSortDescriptor::sortDescriptorWithKey(QStringLiteral("completedDate"), ascending)});
        EXPECT_EQ(order.mid(0, 2), (QStringList{QStringLiteral("none2"), QStringLiteral("none")}));
        EXPECT_EQ(order.at(2), ascending ? QStringLiteral("high") : QStringLiteral("low"));
    }
    TDTaskSortDescriptor ignoring(QStringLiteral("priority"), false);
    ignoring.setIgnoreDisplayOrder(true);
    EXPECT_TRUE(ignoring.compareTasks(platform::objectVariant(none), platform::objectVariant(none2)) == 0);
    const TDTaskSortDescriptor copy = ignoring;
    EXPECT_TRUE(copy.ignoreDisplayOrder());
    EXPECT_TRUE(copy.nilComesLast() == false);
    // Under different parents equal values stay equal.
    TDTask* elsewhere = task(QStringLiteral("elsewhere"), inbox());
    elsewhere->setValue(QStringLiteral("displayOrder"), -100.0);
    EXPECT_TRUE(TDTaskSortDescriptor(QStringLiteral("priority"), true)
                    .compareTasks(platform::objectVariant(none), platform::objectVariant(elsewhere)) == 0);
}

TEST_F(SortDescriptorTest, CreationDatesAskedAscendingListTheNewestFirst) {
    TDTask* old = task(QStringLiteral("old"), inbox());
    clock->advanceSeconds(60);
    TDTask* fresh = task(QStringLiteral("fresh"), inbox());
    EXPECT_EQ(sorted({old, fresh},
                     {TDTaskSortDescriptor::sortDescriptorWithKey(QStringLiteral("createdDate"), true)}),
              (QStringList{QStringLiteral("fresh"), QStringLiteral("old")}));
}

TEST_F(SortDescriptorTest, ListsRunFromTheInboxThroughTitles) {
    TDList* zebra = library->createList(QStringLiteral("zebra"), library->foldersGroup());
    TDList* banana = library->createList(QStringLiteral("Banana"), library->foldersGroup());
    TDList* banana2 = library->createList(QStringLiteral("banana"), library->foldersGroup());
    TDTask* inZebra = task(QStringLiteral("in zebra"), zebra);
    TDTask* inBanana = task(QStringLiteral("in banana"), banana);
    TDTask* inInbox = task(QStringLiteral("in inbox"), inbox());
    TDTask* inBanana2 = task(QStringLiteral("in banana 2"), banana2);
    for (bool ascending : {true, false}) {
        QList<TDTask*> tasks{inZebra, inBanana, inInbox};
        platform::sortObjects(tasks, {TDListSortDescriptor(QStringLiteral("list"), ascending)});
        EXPECT_EQ(tasks, (QList<TDTask*>{inInbox, inBanana, inZebra}));
    }
    EXPECT_TRUE(TDListSortDescriptor::compareGroups(platform::objectVariant(inBanana),
                                                    platform::objectVariant(inBanana2),
                                                    QStringLiteral("list")) == 0);
    QList<TDTask*> byTitle{inZebra, inBanana};
    platform::sortObjects(byTitle,
                          {TDSortDescriptor::sortDescriptorWithKeyPath(QStringLiteral("list.title"), false)});
    EXPECT_EQ(byTitle, (QList<TDTask*>{inZebra, inBanana}));
}

// Sorting reads each task's keys once; it must order exactly as the descriptors' own comparisons of
// two objects do, nil and equal values and the siblings' manual order included.
TEST_F(SortDescriptorTest, SortingByKeysReadOnceOrdersAsTheComparisons) {
    TDList* work = library->createList(QStringLiteral("work"), library->foldersGroup());
    TDTask* parent = task(QStringLiteral("parent"), work);
    QList<platform::ManagedObject*> objects;
    const QDateTime day(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC);
    // Values cycle with different periods, so that nil, equal and distinct values meet in every mix.
    for (int i = 0; i < 36; ++i) {
        TDLibraryObject* place = i % 3 == 0   ? static_cast<TDLibraryObject*>(parent)
                                 : i % 3 == 1 ? static_cast<TDLibraryObject*>(work)
                                              : static_cast<TDLibraryObject*>(inbox());
        TDTask* t = task(QStringLiteral("t%1").arg(i), place, i % 4 == 0 ? 0 : 300.0 * (i % 3));
        t->setValue(QStringLiteral("displayOrder"), double((i * 7) % 11));
        if (i % 4 != 1) t->setDueDate(day.addDays(i % 5));
        t->setPriority(i % 6 == 0 ? 0 : i % 3);
        if (i % 5 == 2) t->setCompleted(true);
        objects << t;
    }
    objects << library->inboxGroup();  // not a task: equal to every task

    auto byComparisons = [](QList<platform::ManagedObject*> list,
                            const QList<platform::SortDescriptor>& descriptors) {
        std::stable_sort(list.begin(), list.end(),
                         [&](platform::ManagedObject* a, platform::ManagedObject* b) {
                             for (const platform::SortDescriptor& d : descriptors) {
                                 const std::weak_ordering r =
                                     d.compareObjects(platform::objectVariant(a), platform::objectVariant(b));
                                 if (r != 0) return r < 0;
                             }
                             return false;
                         });
        return list;
    };
    for (const char* key :
         {"dueDate", "priority", "totalEstimatedTime", "completedDate", "title", "estimatedTime"})
        for (bool ascending : {true, false})
            for (bool ignoreDisplayOrder : {false, true})
                for (bool withNonTask : {false, true}) {
                    TDTaskSortDescriptor byKey(QString::fromLatin1(key), ascending);
                    byKey.setIgnoreDisplayOrder(ignoreDisplayOrder);
                    const QList<platform::SortDescriptor> descriptors{byKey, TDListSortDescriptor()};
                    const QList<platform::ManagedObject*> input =
                        withNonTask ? objects : objects.mid(0, objects.size() - 1);
                    QList<platform::ManagedObject*> sorted = input;
                    platform::sortObjects(sorted, descriptors);
                    EXPECT_EQ(sorted, byComparisons(input, descriptors))
                        << key << " ascending " << ascending << " ignoring display order "
                        << ignoreDisplayOrder << " with a group " << withNonTask;
                }
}

}  // namespace
