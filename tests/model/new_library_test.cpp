#include "tests/model/task_tree_fixture.h"

#include "model/sync_set.h"
#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/managed_object_context.h"

namespace {

using modeltest::TaskTreeTest;

TEST_F(TaskTreeTest, ANewLibraryHasExactlyTheStarterGroups) {
    struct Expected {
        QString uid;
        const char* title;
        const char* type;
        bool special;
        QString parentUID;
    };
    const Expected expected[] = {
        {TDLibrary::RootGroupUID, "Root Group", "folder", true, {}},
        {TDLibrary::InboxFolderUID, "INBOX", "folder", true, TDLibrary::RootGroupUID},
        {TDLibrary::OrdellosFolderUID, "Ordellos", "folder", true, TDLibrary::RootGroupUID},
        {TDLibrary::FoldersGroupUID, "Folders", "folder", true, TDLibrary::RootGroupUID},
        {TDLibrary::ArchiveGroupUID, "Archive", "folder", true, TDLibrary::RootGroupUID},
        {TDLibrary::TagsGroupUID, "Tags", "folder", true, TDLibrary::RootGroupUID},
        {TDLibrary::InboxListUID, "Inbox", "list", true, TDLibrary::InboxFolderUID},
        {TDLibrary::TodayGroupUID, "Today", "smart", true, TDLibrary::OrdellosFolderUID},
        {TDLibrary::UpcomingGroupUID, "Upcoming", "smart", true, TDLibrary::OrdellosFolderUID},
        {TDLibrary::ProjectsFolderUID, "Projects", "folder", false, TDLibrary::FoldersGroupUID},
        {TDLibrary::QuickGuideListUID, "Learn Ordello", "list", false, TDLibrary::ProjectsFolderUID},
        {TDLibrary::OnHoldFolderUID, "On Hold", "folder", false, TDLibrary::FoldersGroupUID},
        {TDLibrary::SomedayListUID, "Someday", "list", false, TDLibrary::OnHoldFolderUID},
    };
    // Read back from the store, as the next launch sees it.
    TDManagedObjectContext reloaded(coordinator.get());
    ASSERT_TRUE(reloaded.loadAllObjects().ok());
    const auto groups = *reloaded.execute(platform::FetchRequest(QStringLiteral("Group")));
    EXPECT_EQ(groups.size(), std::size(expected));
    for (const Expected& e : expected) {
        TDGroup* group = nullptr;
        for (platform::ManagedObject* object : groups)
            if (static_cast<TDGroup*>(object)->uid() == e.uid) group = static_cast<TDGroup*>(object);
        ASSERT_NE(group, nullptr) << e.title;
        EXPECT_EQ(group->title(), QString::fromLatin1(e.title));
        EXPECT_EQ(group->type(), QString::fromLatin1(e.type));
        EXPECT_EQ(group->isSpecial(), e.special) << e.title;
        EXPECT_EQ(group->parentGroup() ? group->parentGroup()->uid() : QString(), e.parentUID) << e.title;
    }
    EXPECT_TRUE(reloaded.execute(platform::FetchRequest(QStringLiteral("Task")))->isEmpty());
    EXPECT_EQ(library->rootGroupUID(), TDLibrary::RootGroupUID);
    EXPECT_EQ(library->version(), 1.0);
}

TEST_F(TaskTreeTest, StarterSiblingsAreNumberedInCreationOrder) {
    QStringList titles;
    double previous = -1;
    for (TDGroup* group : library->rootGroup()->orderedSubgroups()->objectsAs<TDGroup>()) {
        titles << group->title();
        EXPECT_GT(group->displayOrder(), previous);
        previous = group->displayOrder();
    }
    EXPECT_EQ(titles,
              (QStringList{QStringLiteral("INBOX"), QStringLiteral("Ordellos"), QStringLiteral("Folders"),
                           QStringLiteral("Archive"), QStringLiteral("Tags")}));
    EXPECT_EQ(library->rootGroup()
                  ->orderedSubgroups()
                  ->objectAtIndex(1)
                  ->value(QStringLiteral("displayOrder"))
                  .toDouble(),
              1000);
    EXPECT_TRUE(library->rootGroup()->orderedSubgroups()->checkDisplayOrders());
}

TEST_F(TaskTreeTest, SpecialGroupsAndLookups) {
    EXPECT_EQ(library->inboxGroup()->uid(), TDLibrary::InboxListUID);
    EXPECT_TRUE(library->inboxGroup()->isInboxGroup());
    EXPECT_TRUE(library->todayGroup()->isTodayGroup());
    EXPECT_TRUE(library->upcomingGroup()->isUpcomingGroup());
    EXPECT_TRUE(library->archiveGroup()->isArchiveGroup());
    EXPECT_EQ(library->specialGroupNamed(QStringLiteral("Nowhere")), nullptr);
    EXPECT_EQ(library->groupTitled(QStringLiteral("Someday"))->uid(), TDLibrary::SomedayListUID);
    EXPECT_EQ(library->groupTitled(QString()), nullptr);
    library->createList(QStringLiteral("aardvark"), library->foldersGroup());
    const QList<TDGroup*> lists = library->allLists();
    EXPECT_EQ(lists.first(), library->inboxGroup());
    EXPECT_EQ(lists.at(1)->title(), QStringLiteral("aardvark"));
    EXPECT_FALSE(library->allGroups().contains(library->rootGroup()));
    EXPECT_EQ(library->allSmartFolders().size(), 2);

    TDTask* made = library->createTask();
    TDTask* second = library->createTask();
    EXPECT_EQ(inbox()->orderedTasks()->objectAtIndex(0), second);
    EXPECT_EQ(inbox()->orderedTasks()->objectAtIndex(1), made);
    EXPECT_EQ(library->taskWithUID(made->uid()), made);
    EXPECT_EQ(library->taskWithUID(QString()), nullptr);
}

TEST_F(TaskTreeTest, TagsByTitleMergeAndNumberFreshTitles) {
    TDTag* home = library->createTagWithTitle(QStringLiteral("home"));
    EXPECT_EQ(library->createTagWithTitle(QStringLiteral("home")), nullptr);
    TDTag* twin = library->createTagWithNoParent();
    twin->setTitle(QStringLiteral("home"), false);
    TDTask* tagged = task(QStringLiteral("tagged"), inbox());
    tagged->addObject(QStringLiteral("tags"), twin);
    TDTag* survivor = library->tagWithTitle(QStringLiteral("home"));
    TDTag* other = survivor == home ? twin : home;
    EXPECT_TRUE(other->isDeleted());
    EXPECT_TRUE(tagged->tags().contains(survivor));
    context->initializeObjectLookupCache();
    EXPECT_EQ(library->tagWithTitle(QStringLiteral("home")), survivor);
    EXPECT_EQ(context->cachedObjectForUID(QStringLiteral("tag:home")), survivor);
    context->destroyObjectLookupCache();

    library->createTagWithNoParent();
    library->createTagWithNoParent();
    EXPECT_EQ(library->createTagWithNoParent()->title(), QStringLiteral("new-tag-2"));
    library->createTagWithTitle(QStringLiteral("@Office"));
    EXPECT_EQ(library->tagsWithTitlePrefix(QStringLiteral("@o")).size(), 1);
    EXPECT_EQ(library->allContextTags().size(), 1);
    EXPECT_TRUE(library->allContextTags().first()->isContextTag());
    EXPECT_EQ(library->tagsWithTitlePrefix(QString()).size(), library->allTags().size());
}

TEST_F(TaskTreeTest, ProcessingEmptiesTheTaskJournal) {
    TDTask* t = task(QStringLiteral("journalled"), inbox());
    saveAll();
    clock->advanceSeconds(10);
    t->setTitle(QStringLiteral("changed"));
    EXPECT_TRUE(library->modifiedTasks().contains(t));
    // A changed smart folder makes the pass a full reload; the tasks wait for the next pass.
    library->addModifiedGroupsObject(library->todayGroup());
    library->processModifiedObjects();
    EXPECT_TRUE(library->modifiedGroups().isEmpty());
    EXPECT_TRUE(library->modifiedTasks().contains(t));
    library->processModifiedObjects();
    EXPECT_TRUE(library->modifiedTasks().isEmpty());
    // Nothing is journalled in a scratch context, and nothing processed while bulk changes run.
    context->setTemporary(true);
    library->addModifiedGroupsObject(library->inboxGroup());
    context->setTemporary(false);
    EXPECT_TRUE(library->modifiedGroups().isEmpty());
    t->setTitle(QStringLiteral("again"));
    library->setSmartFoldersShouldIgnoreMOCChange(true);
    library->processModifiedObjects();
    EXPECT_FALSE(library->modifiedTasks().isEmpty());
    library->setSmartFoldersShouldIgnoreMOCChange(false);
}

TEST_F(TaskTreeTest, ADisplayOrderChangeJournalsWithoutStamping) {
    TDTask* t = task(QStringLiteral("ordered"), inbox());
    saveAll();
    for (TDSyncSetItem* item : journal->items()) journalContext->deleteObject(item);
    saveAll();
    clock->advanceSeconds(60);
    const QDateTime before = t->modifiedDate();
    t->setValue(QStringLiteral("displayOrder"), 12345.0);
    EXPECT_EQ(t->modifiedDate(), before);
    QStringList journalled;
    for (TDSyncSetItem* item : journal->items())
        if (!item->isDeleted()) journalled << item->itemUID();
    EXPECT_TRUE(journalled.contains(t->uid()));
}

TEST_F(TaskTreeTest, BadgeCountsTodayAndInboxTasksOnce) {
    defaults().setValue(QStringLiteral("dockBadgeMode"), 2);
    TDTask* both = task(QStringLiteral("both"), inbox());
    task(QStringLiteral("inbox only"), inbox());
    TDTask* done = task(QStringLiteral("done"), inbox());
    done->setCompleted(true);
    library->todayGroup()->addTasks({both});
    settle();
    EXPECT_EQ(library->dockBadgeCount(), 2);
    defaults().setValue(QStringLiteral("dockBadgeMode"), 1);
    EXPECT_EQ(library->calculatedDockBadgeCount(), 1);
    defaults().setValue(QStringLiteral("dockBadgeMode"), 0);
    EXPECT_EQ(library->calculatedDockBadgeCount(), 0);
}

TEST_F(TaskTreeTest, SyncSetIsFoundInItsOwnContext) {
    library->setCorvaneSyncSet(nullptr);
    // The fixture's journal lives in a context of its own, saved to the same store.
    TDSyncSet* found = library->corvaneSyncSet();
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->uid(), journal->uid());
    EXPECT_EQ(found->managedObjectContext(), library->corvaneSyncSetManagedObjectContext());
    context->setTemporary(true);
    library->setCorvaneSyncSet(nullptr);
    EXPECT_EQ(library->corvaneSyncSet(), nullptr);
    context->setTemporary(false);
}

TEST_F(TaskTreeTest, AskingForAMissingSyncSetWarnsUnlessToldNotTo) {
    library->corvaneSyncSetManagedObjectContext()->deleteObject(journal);
    library->setCorvaneSyncSet(nullptr);
    const QString warning = QStringLiteral("Library could not find the Corvane SyncSet object!");
    testing::internal::CaptureStderr();
    EXPECT_EQ(library->corvaneSyncSet(false), nullptr);
    EXPECT_FALSE(QString::fromStdString(testing::internal::GetCapturedStderr()).contains(warning));
    testing::internal::CaptureStderr();
    EXPECT_EQ(library->corvaneSyncSet(), nullptr);
    EXPECT_TRUE(QString::fromStdString(testing::internal::GetCapturedStderr()).contains(warning));
}

}  // namespace
