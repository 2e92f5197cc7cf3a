#include "tests/model/task_tree_fixture.h"

#include "model/list_sort_descriptor.h"
#include "model/sort_descriptor.h"
#include "model/task_sort_descriptor.h"

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

}  // namespace
