#include "tests/sync/merge_fixture.h"

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/sync_set.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/notifications/notification_center.h"
#include "platform/objectstore/key_change.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_merge.h"

#include <QJsonArray>

namespace synctest {
namespace {

QString text(const char* latin1) {
    return QString::fromLatin1(latin1);
}

QJsonObject recordOf(const TDLibraryObject* object) {
    return QJsonObject::fromVariantMap(object->syncDictionaryRepresentation());
}

QJsonObject contentsOf(const TDLibraryObject* object) {
    return recordOf(object).value(QStringLiteral("contents")).toObject();
}

QJsonObject withContents(QJsonObject contents) {
    return {{QStringLiteral("contents"), contents}};
}

const QJsonObject kDeleted{{QStringLiteral("deleted_time"), 820000000}};

// One library that has synced once, with a list holding two tasks; the test hands it downloads.
class MergeMendsTest : public MergeTest {
protected:
    void SetUp() override {
        MergeTest::SetUp();
        side = &addSide(QStringLiteral("A"));
        list = side->library->createList(text("Errands"), side->library->foldersGroup());
        first = side->library->createTask();
        first->setTitle(text("Post the letter"));
        ASSERT_TRUE(list->orderedTasks()->addObject(first).ok());
        second = side->library->createTask();
        second->setTitle(text("Buy stamps"));
        ASSERT_TRUE(list->orderedTasks()->addObject(second).ok());
        ASSERT_TRUE(side->manager->saveLibrary());
        ASSERT_TRUE(sync(*side).ok());
        ASSERT_TRUE(journalledUIDs(*side).isEmpty());
    }

    // One sync of the side whose download is the given answers.
    Status syncWith(const QList<QJsonObject>& answers, const std::function<void()>& meanwhile = {}) {
        clock->advanceSeconds(1);
        TDCorvaneLibrarySync sync(side->library, TDCorvaneSyncType::Incremental, side->manager.get());
        if (const Status prepared = sync.prepareUpload(); !prepared) return prepared;
        clock->advanceSeconds(1);
        if (meanwhile) meanwhile();
        for (const QJsonObject& answer : answers)
            if (const Status added = sync.addDownloadPage(answer); !added) return added;
        return sync.mergeAndCommit(answers.last().value(QStringLiteral("token")).toString());
    }
    Status syncWithChanges(const QJsonObject& changes, const std::function<void()>& meanwhile = {}) {
        return syncWith(QList<QJsonObject>{QJsonObject{{QStringLiteral("changes"), changes},
                                                       {QStringLiteral("token"), text("LIB-50")}}},
                        meanwhile);
    }

    SyncSide* side = nullptr;
    TDList* list = nullptr;
    TDTask* first = nullptr;
    TDTask* second = nullptr;
};

TEST_F(MergeMendsTest, MalformedDownloadsLeaveLibraryJournalAndTokenUntouched) {
    // A journalled edit, so that the journal has something to keep.
    first->setTitle(text("Post the letter today"));
    ASSERT_TRUE(side->manager->saveLibrary());
    const QString taskUID = first->uid(), secondUID = second->uid(), listUID = list->uid();
    const QString newA = text("00000000000000A1"), newB = text("00000000000000B2");
    QJsonObject renamed = contentsOf(second);
    renamed.insert(QStringLiteral("title"), text("Renamed"));
    const auto task = [&](const QString& key, const QJsonValue& value) {
        QJsonObject contents = renamed;
        contents.insert(key, value);
        return QJsonObject{{QStringLiteral("Task"), QJsonObject{{secondUID, withContents(contents)}}}};
    };
    const auto folder = [](const QString& title, const QJsonValue& parent) {
        return withContents({{QStringLiteral("title"), title},
                             {QStringLiteral("type"), text("folder")},
                             {QStringLiteral("parentGroup"), parent}});
    };
    const QJsonObject goodRename{{QStringLiteral("Task"), QJsonObject{{secondUID, withContents(renamed)}}}};
    const auto page = [](const QJsonValue& changes, const QJsonValue& bookmark = QJsonValue()) {
        QJsonObject answer{{QStringLiteral("changes"), changes}, {QStringLiteral("token"), text("LIB-99")}};
        if (!bookmark.isNull()) answer.insert(QStringLiteral("bookmark"), bookmark);
        return answer;
    };
    QJsonObject badRule = folder(text("Rules"), TDLibrary::FoldersGroupUID);
    QJsonObject badRuleContents = badRule.value(QStringLiteral("contents")).toObject();
    badRuleContents.insert(QStringLiteral("type"), text("smart"));
    badRuleContents.insert(QStringLiteral("rule"), text("bm90IGFuIGFyY2hpdmU="));
    badRule.insert(QStringLiteral("contents"), badRuleContents);

    struct Case {
        const char* what;
        QList<QJsonObject> pages;
    };
    const Case cases[] = {
        {"changes that are not an object", {page(QJsonArray{1})}},
        {"an entity that is not an object", {page(QJsonObject{{QStringLiteral("Task"), QJsonArray()}})}},
        {"a record that is not an object",
         {page(QJsonObject{{QStringLiteral("Task"), QJsonObject{{secondUID, 5}}}})}},
        {"a key that is not a UID",
         {page(QJsonObject{{QStringLiteral("Task"), QJsonObject{{text("second"), withContents(renamed)}}}})}},
        {"a deletion time that is text",
         {page(QJsonObject{
             {QStringLiteral("Task"),
              QJsonObject{{secondUID, QJsonObject{{QStringLiteral("deleted_time"), text("now")}}}}}})}},
        {"a record with neither contents nor deletion",
         {page(QJsonObject{{QStringLiteral("Task"), QJsonObject{{secondUID, QJsonObject()}}}})}},
        {"a title that is a number", {page(task(QStringLiteral("title"), 12))}},
        {"a parent that is a number", {page(task(QStringLiteral("parentList"), 7))}},
        {"tags that are not all UIDs", {page(task(QStringLiteral("tags"), QJsonArray{listUID, 3}))}},
        {"contents naming another UID", {page(task(QStringLiteral("uid"), taskUID))}},
        {"a date that is text", {page(task(QStringLiteral("dueDate"), text("tomorrow")))}},
        {"notes that are not base64",
         {page(QJsonObject{
             {QStringLiteral("TaskNotes"),
              QJsonObject{{newA, withContents({{QStringLiteral("webArchiveData"), text("%%%")}})}}}})}},
        {"two folders that are each other's parent",
         {page(QJsonObject{{QStringLiteral("Folder"), QJsonObject{{newA, folder(text("A"), newB)},
                                                                  {newB, folder(text("B"), newA)}}}})}},
        {"a task below itself", {page(task(QStringLiteral("parentTask"), secondUID))}},
        {"a special group deleted",
         {page(QJsonObject{{QStringLiteral("List"), QJsonObject{{TDLibrary::InboxListUID, kDeleted}}}})}},
        {"a special group moved",
         {page(QJsonObject{{QStringLiteral("Folder"),
                            QJsonObject{{TDLibrary::ArchiveGroupUID, folder(text("Archive"), listUID)}}}})}},
        {"a bookmark that comes again",
         {page(goodRename, text("page-2")), page(QJsonObject(), text("page-2"))}},
        {"a smart folder whose rule does not read, after a good change",
         {page(QJsonObject{{QStringLiteral("Task"), QJsonObject{{secondUID, withContents(renamed)}}},
                           {QStringLiteral("Folder"),
                            QJsonObject{{newB, folder(text("Kept out"), TDLibrary::FoldersGroupUID)}}},
                           {QStringLiteral("SmartFolder"), QJsonObject{{newA, badRule}}}})}},
    };

    const QMap<QString, QString> forms = syncForms(side->library);
    const QStringList journal = journalledUIDs(*side);
    const QVariant token = side->syncSet()->lastSyncToken();
    const QDateTime lastSync = side->syncSet()->lastSyncDate();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Status synced = syncWith(c.pages);
        ASSERT_FALSE(synced.ok());
        EXPECT_TRUE(synced.error().isInDomain(TDCorvaneErrorUnexpected))
            << synced.error().detailedDescription().toStdString();
        EXPECT_EQ(syncForms(side->library), forms);
        EXPECT_EQ(journalledUIDs(*side), journal);
        EXPECT_EQ(side->syncSet()->lastSyncToken(), token);
        EXPECT_EQ(side->syncSet()->lastSyncDate(), lastSync);
        EXPECT_FALSE(side->context()->hasChanges());
        EXPECT_FALSE(side->library->smartFoldersShouldIgnoreMOCChange());
    }
    // The same download without its fault goes through.
    ASSERT_TRUE(syncWithChanges(goodRename).ok());
    EXPECT_EQ(side->library->taskWithUID(secondUID)->title(), text("Renamed"));
}

TEST_F(MergeMendsTest, RecordsOfObjectsChangedHereSinceTheUploadAreNotApplied) {
    QJsonObject remote = contentsOf(first);
    remote.insert(QStringLiteral("title"), text("Remote title"));
    QJsonObject remoteSecond = contentsOf(second);
    remoteSecond.insert(QStringLiteral("title"), text("Remote second"));
    const Status synced = syncWithChanges(
        QJsonObject{{QStringLiteral("Task"), QJsonObject{{first->uid(), withContents(remote)},
                                                         {second->uid(), withContents(remoteSecond)}}}},
        [&] { first->setTitle(text("Local title")); });
    ASSERT_TRUE(synced.ok()) << synced.error().detailedDescription().toStdString();
    EXPECT_EQ(first->title(), text("Local title"));
    EXPECT_EQ(second->title(), text("Remote second"));
    EXPECT_EQ(journalledUIDs(*side), QStringList{first->uid()});
    EXPECT_EQ(side->syncSet()->lastSyncToken(), QVariant(text("LIB-50")));
}

// A list deleted there takes with it the tasks not changed here since the last sync (so that deleted
// history stays deleted); a task added to it here stays, in the Inbox, and goes up. A downloaded task
// whose list is nowhere here is live on the server: it stays too, in the Inbox, and goes up.
TEST_F(MergeMendsTest, ARemoteDeletionTakesUnchangedChildrenAndKeepsWhatIsLiveOnOneSide) {
    TDTask* local = side->library->createTask();
    local->setTitle(text("Stay"));
    ASSERT_TRUE(list->orderedTasks()->addObject(local).ok());
    ASSERT_TRUE(side->manager->saveLibrary());
    const QString stray = text("00000000000000C3");
    QJsonObject strayContents = contentsOf(second);
    strayContents.insert(QStringLiteral("uid"), stray);
    strayContents.insert(QStringLiteral("parentList"), text("00000000000000D4"));
    const QString listUID = list->uid(), firstUID = first->uid(), secondUID = second->uid();
    const QString localUID = local->uid();
    ASSERT_TRUE(syncWithChanges(
                    QJsonObject{{QStringLiteral("List"), QJsonObject{{listUID, kDeleted}}},
                                {QStringLiteral("Task"),
                                 QJsonObject{{firstUID, kDeleted}, {stray, withContents(strayContents)}}}})
                    .ok());
    EXPECT_EQ(side->library->groupWithUID(listUID), nullptr);
    EXPECT_EQ(side->library->taskWithUID(firstUID), nullptr);
    EXPECT_EQ(side->library->taskWithUID(secondUID), nullptr) << "unchanged here: it goes with its list";
    for (const QString& uid : {localUID, stray}) {
        TDTask* kept = side->library->taskWithUID(uid);
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(kept->parentList(), side->library->inboxGroup());
        EXPECT_TRUE(journalledUIDs(*side).contains(uid));
    }
    EXPECT_FALSE(journalledUIDs(*side).contains(secondUID));
    EXPECT_FALSE(side->context()->hasChanges());
}

TEST_F(MergeMendsTest, OfTagsWithOneTitleTheSmallestUIDSurvivesJournalled) {
    for (const char* remoteUID : {"0000000000000001", "FFFFFFFFFFFFFFF0"}) {
        SCOPED_TRACE(remoteUID);
        TDTag* local = side->library->createTagWithTitle(text("work"));
        second->addTagsObject(local);
        ASSERT_TRUE(side->manager->saveLibrary());
        ASSERT_TRUE(sync(*side).ok());
        const QString localUID = local->uid(), tagUID = text(remoteUID);
        QJsonObject tag = contentsOf(local);
        tag.insert(QStringLiteral("uid"), tagUID);
        tag.insert(QStringLiteral("tasks"), QJsonArray());
        const QString taskUID = text("00000000000000E5");
        QJsonObject task = contentsOf(first);
        task.insert(QStringLiteral("uid"), taskUID);
        task.insert(QStringLiteral("title"), text("Call the office /work"));
        task.insert(QStringLiteral("tags"), QJsonArray{tagUID});
        task.insert(QStringLiteral("notes"), QJsonValue());
        task.insert(QStringLiteral("notesUID"), QJsonValue());
        ASSERT_TRUE(
            syncWithChanges(QJsonObject{{QStringLiteral("Tag"), QJsonObject{{tagUID, withContents(tag)}}},
                                        {QStringLiteral("Task"), QJsonObject{{taskUID, withContents(task)}}}})
                .ok());
        const QString survivorUID = qMin(localUID, tagUID), loserUID = qMax(localUID, tagUID);
        const QList<TDTag*> tags = side->library->allTags();
        ASSERT_EQ(tags.size(), 1);
        EXPECT_EQ(tags.first()->uid(), survivorUID);
        EXPECT_EQ(tags.first()->tasks().size(), 2);
        const QStringList journal = journalledUIDs(*side);
        EXPECT_TRUE(journal.contains(survivorUID));
        EXPECT_TRUE(journal.contains(loserUID));
        if (loserUID == localUID) {
            EXPECT_TRUE(journal.contains(second->uid()));
        }
        // Clean slate for the next case.
        tags.first()->deleteObject();
        side->library->taskWithUID(taskUID)->deleteObject();
        ASSERT_TRUE(side->manager->saveLibrary());
        ASSERT_TRUE(sync(*side).ok());
    }
}

TEST_F(MergeMendsTest, AFailedCommitRollsBackTheMergeOnlyAndSmartFoldersFollowAgain) {
    QJsonObject remote = contentsOf(second);
    remote.insert(QStringLiteral("title"), text("Remote title"));
    // An edit here that was never saved.
    first->setTitle(text("Unsaved edit"));
    ASSERT_TRUE(side->context()->hasChanges());
    // The merge's change of the second task breaks the library so that no save can succeed.
    QObject owner;
    second->addObserver(QStringLiteral("title"), &owner, [this](const platform::KeyChange&) {
        if (side->context()->isSyncingLibrary())
            side->library->setValue(QStringLiteral("version"), QVariant());
    });
    const QStringList journalBefore = journalledUIDs(*side);
    const QVariant token = side->syncSet()->lastSyncToken();

    clock->advanceSeconds(1);
    TDCorvaneLibrarySync sync(side->library, TDCorvaneSyncType::FullMerge, side->manager.get());
    ASSERT_TRUE(sync.prepareUpload().ok());
    ASSERT_TRUE(sync.addDownloadPage({{QStringLiteral("changes"),
                                       QJsonObject{{QStringLiteral("Task"),
                                                    QJsonObject{{second->uid(), withContents(remote)}}}}}})
                    .ok());
    const Status committed = sync.mergeAndCommit(text("LIB-77"));
    ASSERT_FALSE(committed.ok());

    // The local edit was saved before the merge and stays; the merge is gone; nothing is left to save.
    EXPECT_EQ(first->title(), text("Unsaved edit"));
    EXPECT_EQ(second->title(), text("Buy stamps"));
    EXPECT_FALSE(side->context()->hasChanges());
    EXPECT_EQ(journalledUIDs(*side), journalBefore);
    EXPECT_EQ(side->syncSet()->lastSyncToken(), token);
    EXPECT_FALSE(side->library->smartFoldersShouldIgnoreMOCChange());
    const QString firstUID = first->uid(), secondUID = second->uid();
    side->manager->closeDiscardingChanges();
    TDLibraryManager reopened(side->manager->libraryPath());
    auto loaded = reopened.loadLibrary();
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ((*loaded)->taskWithUID(firstUID)->title(), text("Unsaved edit"));
    EXPECT_EQ((*loaded)->taskWithUID(secondUID)->title(), text("Buy stamps"));
    reopened.closeDiscardingChanges();
}

TEST_F(MergeMendsTest, ABackgroundMergeCarriedIntoTheMainLibraryKeepsUnsavedLocalValues) {
    TDManagedObjectContext background(side->manager->persistentStoreCoordinator());
    ASSERT_TRUE(background.loadAllObjects().ok());
    background.setSyncingLibrary(true);
    auto* remote = dynamic_cast<TDTask*>(background.objectWithID(second->objectID()));
    ASSERT_NE(remote, nullptr);
    remote->setTitle(text("Remote title"));
    remote->setPriority(4);
    QList<platform::Notification> saves;
    int announced = 0;
    QObject owner;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(&owner, platform::ManagedObjectContextDidSaveNotification,
                       static_cast<platform::ManagedObjectContext*>(&background),
                       [&saves](const platform::Notification& n) { saves.append(n); });
    center.addObserver(&owner, TDSyncMainThreadMergeWillStart, nullptr,
                       [&announced](const platform::Notification&) { ++announced; });
    ASSERT_TRUE(background.save().ok());
    ASSERT_EQ(saves.size(), 1);

    second->setTitle(text("Local title"));
    const QStringList journal = journalledUIDs(*side);
    TDCorvaneMergeMainThreadLibrary(*side->manager, saves.first());
    EXPECT_EQ(announced, 1);
    EXPECT_EQ(second->title(), text("Local title"));
    EXPECT_EQ(second->priority(), 4);
    EXPECT_EQ(journalledUIDs(*side), journal);
    EXPECT_FALSE(side->context()->isSyncingLibrary());
}

}  // namespace
}  // namespace synctest
