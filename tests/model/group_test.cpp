#include "tests/model/task_tree_fixture.h"

#include "language/date_additions.h"
#include "platform/defaults/user_defaults.h"

#include <QColor>

namespace {

using modeltest::TaskTreeTest;

TEST_F(TaskTreeTest, GroupTitlesAndSpecialGroups) {
    TDList* list = library->createList(QStringLiteral("a\nb\tc"), library->foldersGroup());
    EXPECT_EQ(list->title(), QStringLiteral("a b c"));
    library->inboxGroup()->setTitle(QStringLiteral("Elsewhere"));
    EXPECT_EQ(library->inboxGroup()->title(), QStringLiteral("Inbox"));
    context->setSyncingLibrary(true);
    library->inboxGroup()->setTitle(QStringLiteral("Synced"));
    context->setSyncingLibrary(false);
    EXPECT_EQ(library->inboxGroup()->title(), QStringLiteral("Synced"));
    list->setLocalInfoDictionary({});
    EXPECT_FALSE(list->value(QStringLiteral("localInfoDictionary")).isValid());
    EXPECT_EQ(list->typeDisplayName(), QStringLiteral("List"));
    EXPECT_EQ(library->todayGroup()->tabType(), QStringLiteral("today"));
    EXPECT_FALSE(library->todayGroup()->canAddTask() == false);
    EXPECT_FALSE(library->upcomingGroup()->canAddTask());
    EXPECT_FALSE(library->foldersGroup()->canAddTask());
    EXPECT_TRUE(library->todayGroup()->isExcludedFromSync());
}

TEST_F(TaskTreeTest, DisplayOptionsByTabType) {
    const QVariantMap today = TDGroup::displayOptionsForTabType(QStringLiteral("today"));
    EXPECT_EQ(today.value(QStringLiteral("tabBackgroundGradientTopColor")).value<QColor>(),
              QColor(0xa1, 0xd0, 0x66));
    const QVariantMap folder = library->foldersGroup()->displayOptions();
    const QColor lightened = folder.value(QStringLiteral("tabBorderHighlightColor")).value<QColor>();
    EXPECT_GT(lightened.red(), 0xc8);  // lightened toward white
    EXPECT_EQ(TDGroup::displayOptionsForTabType(QStringLiteral("list")).size(), 5);
}

TEST_F(TaskTreeTest, ListDatesFollowTheirTasks) {
    TDList* list = library->createList(QStringLiteral("list"), library->foldersGroup());
    const QDateTime d(QDate(2026, 12, 20), QTime(0, 0));
    const QDateTime e(QDate(2026, 12, 15), QTime(0, 0));
    TDTask* dated = task(QStringLiteral("dated"), list);
    dated->setStartDate(d);
    task(QStringLiteral("undated"), list);
    EXPECT_EQ(list->earliestStartDate(), d);
    TDTask* earlier = task(QStringLiteral("earlier"));
    earlier->setStartDate(e);
    ASSERT_TRUE(list->orderedTasks()->addObject(earlier).ok());
    EXPECT_EQ(list->earliestStartDate(), e);
    EXPECT_EQ(library->foldersGroup()->earliestStartDate(), e);
    earlier->setCompleted(true);
    EXPECT_EQ(list->earliestStartDate(), d);
    EXPECT_EQ(library->rootGroup()->earliestStartDate(), d);
}

TEST_F(TaskTreeTest, EstimatedCompletionDatesCountWorkTime) {
    TDList* list = library->createList(QStringLiteral("list"), library->foldersGroup());
    EXPECT_FALSE(list->estimatedCompletionDate().isValid());
    TDTask* work = task(QStringLiteral("work"), list, 36000);    // a work day and two hours
    clock->setNow(QDateTime(QDate(2026, 12, 12), QTime(9, 0)));  // a Saturday: work starts on Monday
    EXPECT_EQ(list->estimatedCompletionDate(), QDateTime(QDate(2026, 12, 15), QTime(11, 0)));
    // Friday 16:00 plus two hours passes the end of the work day (17:00): not Saturday but Monday.
    work->setEstimatedTime(7200);
    clock->setNow(QDateTime(QDate(2026, 12, 11), QTime(16, 0)));
    const QDateTime done = list->estimatedCompletionDate();
    EXPECT_EQ(dates::weekday(done), 2);
    EXPECT_EQ(done.date(), QDate(2026, 12, 14));
}

TEST_F(TaskTreeTest, EstimateSummaryMarksIncompleteEstimates) {
    TDList* list = library->createList(QStringLiteral("list"), library->foldersGroup());
    EXPECT_FALSE(list->totalEstimatedTimeSummary().endsWith(QLatin1Char('+')));
    task(QStringLiteral("estimated"), list, 7200);
    EXPECT_FALSE(list->totalEstimatedTimeSummary().endsWith(QLatin1Char('+')));
    task(QStringLiteral("unestimated"), list);
    EXPECT_TRUE(list->totalEstimatedTimeSummary().endsWith(QLatin1Char('+')));
}

TEST_F(TaskTreeTest, DefaultGroupingAndSortingByGroupKind) {
    TDGroup* archive = library->archiveGroup();
    TDGroup* smart = library->createSmartFolder();
    ASSERT_TRUE(library->foldersGroup()->orderedSubgroups()->addObject(smart).ok());
    struct Case {
        const char* what;
        TDGroup* group;
        const char* grouping;  // nullptr: none
        const char* sorting;
    };
    const Case cases[] = {
        {"Today", library->todayGroup(), "dueOrStartDate", "dueOrStartDate"},
        {"Upcoming", library->upcomingGroup(), "nextActionDate", "nextActionDate"},
        {"archived special list", library->createList(QStringLiteral("Old Inbox"), archive, true),
         "completedDate", "completedDate"},
        {"Inbox", library->inboxGroup(), nullptr, nullptr},
        // The archive group itself is not archived.
        {"Archive", archive, nullptr, nullptr},
        {"Folders", library->foldersGroup(), nullptr, nullptr},
        {"folder", library->createFolder(QStringLiteral("folder"), library->foldersGroup()), "subgroup",
         nullptr},
        {"archived folder", library->createFolder(QStringLiteral("old folder"), archive), "subgroup",
         nullptr},
        {"tag bundle", library->createFolder(QStringLiteral("bundle"), library->tagsGroup()), "subgroup",
         nullptr},
        {"smart folder", smart, "list", nullptr},
        {"tag", library->createTagWithTitle(QStringLiteral("tag")), "list", nullptr},
        {"list", library->createList(QStringLiteral("list"), library->foldersGroup()), nullptr, nullptr},
        {"archived list", library->createList(QStringLiteral("old list"), archive), nullptr, nullptr},
    };
    for (const Case& c : cases) {
        ASSERT_NE(c.group, nullptr) << c.what;
        const QString grouping = c.grouping ? QString::fromLatin1(c.grouping) : QString();
        const QString sorting = c.sorting ? QString::fromLatin1(c.sorting) : QString();
        EXPECT_EQ(c.group->defaultGroupingAttribute(), grouping) << c.what;
        EXPECT_EQ(c.group->defaultGroupingAttribute().isNull(), !c.grouping) << c.what;
        EXPECT_EQ(c.group->defaultSortingAttribute(), sorting) << c.what;
        EXPECT_EQ(c.group->defaultSortingAttribute().isNull(), !c.sorting) << c.what;
    }
}

TEST_F(TaskTreeTest, TheInboxStaysOutOfFoldersWhenMovedOrSaved) {
    TDGroup* inbox = library->inboxGroup();
    TDGroup* home = inbox->parentGroup();
    TDFolder* projects = library->createFolder(QStringLiteral("Projects X"), library->foldersGroup());
    saveAll();

    testing::internal::CaptureStderr();
    EXPECT_FALSE(inbox->validateParentGroup(projects));
    EXPECT_FALSE(inbox->setParentGroup(projects));
    inbox->setValue(QStringLiteral("parentGroup"), platform::objectVariant(projects));
    EXPECT_FALSE(projects->orderedSubgroups()->addObject(inbox).ok());
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_TRUE(log.contains(QStringLiteral("WARNING: Refused to move group 'Inbox' into 'Projects X'")))
        << log.toStdString();
    EXPECT_EQ(inbox->parentGroup(), home);
    EXPECT_FALSE(projects->subgroups().contains(inbox));

    // Moved around setParentGroup, it is refused when the library is saved; put back, it saves.
    inbox->ManagedObject::setValue(QStringLiteral("parentGroup"), platform::objectVariant(projects));
    const Status refused = context->save();
    ASSERT_FALSE(refused.ok());
    EXPECT_TRUE(refused.error().description.contains(QStringLiteral("Inbox")))
        << refused.error().description.toStdString();
    inbox->ManagedObject::setValue(QStringLiteral("parentGroup"), platform::objectVariant(home));
    EXPECT_TRUE(context->save().ok());

    // An ordinary list moved the same way saves; under a list it does not.
    TDList* list = library->createList(QStringLiteral("list"), library->foldersGroup());
    saveAll();
    list->ManagedObject::setValue(QStringLiteral("parentGroup"), platform::objectVariant(projects));
    EXPECT_TRUE(context->save().ok());
    list->ManagedObject::setValue(QStringLiteral("parentGroup"), platform::objectVariant(inbox));
    EXPECT_FALSE(context->save().ok());
    list->ManagedObject::setValue(QStringLiteral("parentGroup"), platform::objectVariant(projects));
    EXPECT_TRUE(context->save().ok());
}

}  // namespace
