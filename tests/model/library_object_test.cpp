#include "tests/model/library_fixture.h"

#include "model/uid.h"
#include "platform/notifications/notification_center.h"
#include "platform/objectstore/object_model.h"
#include "platform/predicates/predicate_parser.h"

namespace {

using modeltest::LibraryTest;
using platform::ManagedObject;

class LibraryObjectTest : public LibraryTest {
protected:
    ManagedObject* savedTask(const QString& title) {
        ManagedObject* task = insert(QStringLiteral("Task"));
        task->setValue(QStringLiteral("title"), title);
        saveAll();
        clearJournal();
        clock->advanceSeconds(60);
        return task;
    }
    void clearJournal() {
        for (TDSyncSetItem* item : journal->items()) journalContext->deleteObject(item);
        saveAll();
    }
    QStringList journalled() const {
        QStringList uids;
        for (TDSyncSetItem* item : journal->items())
            if (!item->isDeleted()) uids << item->itemUID();
        return uids;
    }
};

TEST_F(LibraryObjectTest, InsertionGivesAUIDAndBothDates) {
    ManagedObject* task = insert(QStringLiteral("Task"));
    auto* object = static_cast<TDLibraryObject*>(task);
    EXPECT_EQ(object->uid().size(), 16);
    EXPECT_EQ(task->value(QStringLiteral("createdDate")).toDateTime(), clock->now());
    EXPECT_EQ(object->modifiedDate(), clock->now());
}

TEST_F(LibraryObjectTest, StampingAndJournalRules) {
    struct Case {
        const char* what;
        std::function<void(ManagedObject*)> change;
        bool stamps;
        bool records;
    };
    ManagedObject* tag = insert(QStringLiteral("Tag"));
    saveAll();
    const Case cases[] = {
        {"a new title", [](ManagedObject* t) { t->setValue(QStringLiteral("title"), QStringLiteral("new")); },
         true, true},
        {"the same title",
         [](ManagedObject* t) { t->setValue(QStringLiteral("title"), QStringLiteral("first")); }, false,
         false},
        {"the creation date",
         [](ManagedObject* t) {
             t->setValue(QStringLiteral("createdDate"), QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
         },
         false, false},
        {"a task's calendar link",
         [](ManagedObject* t) { t->setValue(QStringLiteral("calendarStoreUID"), QStringLiteral("cal-1")); },
         false, false},
        {"a tag added", [tag](ManagedObject* t) { t->addObject(QStringLiteral("tags"), tag); }, true, true},
    };
    for (const Case& c : cases) {
        ManagedObject* task = savedTask(QStringLiteral("first"));
        const QDateTime before = static_cast<TDLibraryObject*>(task)->modifiedDate();
        c.change(task);
        const bool stamped = static_cast<TDLibraryObject*>(task)->modifiedDate() != before;
        EXPECT_EQ(stamped, c.stamps) << c.what;
        EXPECT_EQ(journalled().contains(static_cast<TDLibraryObject*>(task)->uid()), c.records) << c.what;
    }
}

TEST_F(LibraryObjectTest, RestoringOrSyncingStampsAndRecordsNothing) {
    for (auto setMode :
         {&TDManagedObjectContext::setRestoringLibrary, &TDManagedObjectContext::setSyncingLibrary}) {
        ManagedObject* task = savedTask(QStringLiteral("first"));
        const QDateTime before = static_cast<TDLibraryObject*>(task)->modifiedDate();
        (context.get()->*setMode)(true);
        task->setValue(QStringLiteral("title"), QStringLiteral("changed"));
        context->deleteObject(task);
        (context.get()->*setMode)(false);
        EXPECT_EQ(static_cast<TDLibraryObject*>(task)->modifiedDate(), before);
        EXPECT_TRUE(journalled().isEmpty());
    }
}

TEST_F(LibraryObjectTest, RecordingTwiceRenewsOneItemAndDeletionIsRecorded) {
    ManagedObject* task = savedTask(QStringLiteral("first"));
    const QString uid = static_cast<TDLibraryObject*>(task)->uid();
    task->setValue(QStringLiteral("title"), QStringLiteral("second"));
    clock->advanceSeconds(30);
    task->setValue(QStringLiteral("title"), QStringLiteral("third"));
    ASSERT_EQ(journalled(), QStringList{uid});
    EXPECT_EQ(journal->items().first()->addedDate(), clock->now());
    EXPECT_EQ(journal->items().first()->entityType(), QStringLiteral("Task"));
    clearJournal();
    context->deleteObject(task);
    EXPECT_EQ(journalled(), QStringList{uid});

    journal->setAddingDisabled(true);
    ManagedObject* other = savedTask(QStringLiteral("other"));
    other->setValue(QStringLiteral("title"), QStringLiteral("unrecorded"));
    EXPECT_TRUE(journalled().isEmpty());
}

// The journal finds an object's item by its uid; items that come and go through another context's save
// (the sync's own context records and clears entries) must be found or forgotten all the same.
TEST_F(LibraryObjectTest, JournalFindsItemsMergedFromAnotherContext) {
    ManagedObject* recorded = savedTask(QStringLiteral("recorded"));
    ManagedObject* mergedIn = savedTask(QStringLiteral("merged in"));
    const QString recordedUID = static_cast<TDLibraryObject*>(recorded)->uid();
    const QString mergedUID = static_cast<TDLibraryObject*>(mergedIn)->uid();
    recorded->setValue(QStringLiteral("title"), QStringLiteral("changed"));
    saveAll();

    TDManagedObjectContext other(coordinator.get());
    ASSERT_TRUE(other.loadAllObjects().ok());
    QList<platform::Notification> saves;
    QObject owner;
    platform::NotificationCenter::defaultCenter().addObserver(
        &owner, platform::ManagedObjectContextDidSaveNotification, &other,
        [&saves](const platform::Notification& n) { saves.append(n); });
    auto* otherJournal = static_cast<TDSyncSet*>(other.objectWithID(journal->objectID()));
    ManagedObject* added = other.insertObject(QStringLiteral("SyncSetItem"));
    added->setValue(QStringLiteral("entityType"), QStringLiteral("Task"));
    added->setValue(QStringLiteral("itemUID"), mergedUID);
    added->setObject(QStringLiteral("syncSet"), otherJournal);
    for (TDSyncSetItem* item : otherJournal->items())
        if (item->itemUID() == recordedUID) other.deleteObject(item);
    ASSERT_TRUE(other.save().ok());
    ASSERT_EQ(saves.size(), 1);
    journalContext->mergeChangesFromContextDidSave(saves.first());
    ASSERT_EQ(journalled(), QStringList{mergedUID});

    clock->advanceSeconds(60);
    mergedIn->setValue(QStringLiteral("title"), QStringLiteral("renewed"));
    recorded->setValue(QStringLiteral("title"), QStringLiteral("recorded again"));
    QStringList uids = journalled();
    uids.sort();
    QStringList expected{mergedUID, recordedUID};
    expected.sort();
    EXPECT_EQ(uids, expected);
    for (TDSyncSetItem* item : journal->items()) {
        if (!item->isDeleted()) {
            EXPECT_EQ(item->addedDate(), clock->now());
        }
    }
}

TEST(SyncToken, Comparison) {
    const struct {
        const char* local;
        const char* server;
        int expected;
    } cases[] = {
        {"lib-5", "lib-6", 1},  {"lib-6", "lib-6", 0},  {"lib-7", "lib-6", 0}, {"lib-5", "other-9", 2},
        {"lib-0", "lib-6", -1}, {"lib-5", "lib-x", -1}, {"a-b-5", "a-6", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(
            TDSyncSet::compareLastSyncToken(QString::fromLatin1(c.local), QString::fromLatin1(c.server)),
            c.expected)
            << c.local << " " << c.server;
    EXPECT_EQ(TDSyncSet::compareLastSyncToken(QVariant(5), QStringLiteral("lib-6")), -1);
}

TEST_F(LibraryObjectTest, ContextCacheAndRecalculation) {
    ManagedObject* task = insert(QStringLiteral("Task"));
    const QString uid = static_cast<TDLibraryObject*>(task)->uid();
    context->cacheObject(task, uid);
    EXPECT_EQ(context->cachedObjectForUID(uid), nullptr);  // not caching yet
    context->initializeObjectLookupCache();
    context->cacheObject(task, uid);
    EXPECT_EQ(context->cachedObjectForUID(uid), task);
    context->deleteObject(task);
    EXPECT_EQ(context->cachedObjectForUID(uid), nullptr);
    context->cacheObject(library, library->uid());
    context->destroyObjectLookupCache();
    EXPECT_EQ(context->cachedObjectForUID(library->uid()), nullptr);
}

}  // namespace

namespace {

TEST_F(LibraryObjectTest, StoredRequestsPredicatesAndSorting) {
    for (const char* title : {"Home", "Work", "home"}) {
        ManagedObject* list = insert(QStringLiteral("List"));
        list->setValue(QStringLiteral("title"), QString::fromLatin1(title));
    }
    const auto& model = context->model();
    auto request = model.fetchRequestFromTemplate(QStringLiteral("groupTitled"),
                                                  {{QStringLiteral("TITLE"), QStringLiteral("Work")}});
    ASSERT_TRUE(request.ok());
    auto found = context->execute(*request);
    ASSERT_TRUE(found.ok());
    ASSERT_EQ(found->size(), 1);
    EXPECT_EQ(found->first()->value(QStringLiteral("title")).toString(), QStringLiteral("Work"));
    EXPECT_FALSE(model.fetchRequestFromTemplate(QStringLiteral("groupTitled")).ok());  // TITLE missing
    EXPECT_FALSE(model.fetchRequestFromTemplate(QStringLiteral("noSuchRequest")).ok());

    auto libraries = model.fetchRequestFromTemplate(QStringLiteral("library"));
    ASSERT_TRUE(libraries.ok());
    EXPECT_EQ(context->execute(*libraries)->size(), 1);

    platform::FetchRequest sorted(
        QStringLiteral("Group"),
        *platform::predicateWithFormat(QStringLiteral("title BEGINSWITH[c] 'h' OR title == 'Work'")),
        {platform::SortDescriptor(QStringLiteral("title"), false)});
    sorted.fetchLimit = 2;
    auto result = context->execute(sorted);
    ASSERT_TRUE(result.ok());
    ASSERT_EQ(result->size(), 2);
    EXPECT_EQ(result->at(0)->value(QStringLiteral("title")).toString(), QStringLiteral("home"));
    EXPECT_EQ(result->at(1)->value(QStringLiteral("title")).toString(), QStringLiteral("Work"));
}

}  // namespace
