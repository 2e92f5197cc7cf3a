#include "tests/sync/sync_operation_fixture.h"

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/sync_set.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/notifications/notification_center.h"
#include "sync/corvane_errors.h"

#include <QJsonArray>
#include <QTimer>

#include <random>

namespace synctest {
namespace {

using Fault = LoopbackSyncServer::Fault;

QString text(const char* latin1) {
    return QString::fromLatin1(latin1);
}

class TwoSidedSyncTest : public SyncOperationTest {
protected:
    void SetUp() override {
        SyncOperationTest::SetUp();
        a = &addSide(QStringLiteral("A"));
        b = &addSide(QStringLiteral("B"));
    }

    TDTask* addTask(SyncSide& side, const QString& title) {
        TDTask* task = side.library->createTask();
        task->setTitle(title);  // at the top of the Inbox
        return task;
    }

    // Runs `during` on this thread once the server holds the answer to the side's sync, then lets it go.
    Status syncWhileHeld(SyncSide& side, const std::function<void()>& during) {
        server->injectFault(QStringLiteral("/sync/library/"), Fault::of(Fault::Kind::Hold));
        QTimer poll;
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
            if (server->heldAnswerCount() == 0) return;
            poll.stop();
            clock->advanceSeconds(1);
            during();
            server->releaseHeldAnswers();
        });
        poll.start();
        return syncOverNetwork(side);
    }

    SyncSide* a = nullptr;
    SyncSide* b = nullptr;
};

TEST_F(TwoSidedSyncTest, TwoLibrariesConvergeOverTheNetworkAfterEditsMovesDeletionsNotesAndTags) {
    expectConvergedOverNetwork();

    TDList* garden = a->library->createList(text("Garden"), a->library->foldersGroup());
    TDTask* seeds = a->library->createTask();
    seeds->setTitle(text("Buy seeds"));
    ASSERT_TRUE(garden->orderedTasks()->addObject(seeds).ok());
    seeds->setNotesString(text("Tomatoes, beans"));
    TDTask* soil = a->library->createTask();
    soil->setTitle(text("Order soil"));
    ASSERT_TRUE(seeds->orderedTasks()->addObject(soil).ok());
    seeds->addTagsObject(a->library->createTagWithTitle(text("home")));
    TDTask* doomed = addTask(*b, text("Soon gone"));
    const QString gardenUID = garden->uid(), seedsUID = seeds->uid(), soilUID = soil->uid(),
                  doomedUID = doomed->uid();
    ASSERT_TRUE(a->manager->saveLibrary() && b->manager->saveLibrary());
    expectConvergedOverNetwork();
    ASSERT_NE(b->library->taskWithUID(soilUID), nullptr);
    EXPECT_EQ(b->library->taskWithUID(soilUID)->parentTask(), b->library->taskWithUID(seedsUID));
    EXPECT_EQ(b->library->allTags().size(), 1);

    // An edit on each side, a move, a deletion and new notes.
    b->library->taskWithUID(seedsUID)->setTitle(text("Buy seeds early"));
    ASSERT_TRUE(
        b->library->inboxGroup()->orderedTasks()->insertObject(b->library->taskWithUID(soilUID), 0).ok());
    a->library->taskWithUID(doomedUID)->deleteObject();
    a->library->taskWithUID(soilUID)->setNotesString(text("Ten bags"));
    ASSERT_TRUE(a->manager->saveLibrary() && b->manager->saveLibrary());
    expectConvergedOverNetwork();
    for (TDLibrary* library : {a->library, b->library}) {
        EXPECT_EQ(library->taskWithUID(doomedUID), nullptr);
        EXPECT_EQ(library->taskWithUID(seedsUID)->title(), text("Buy seeds early"));
        EXPECT_EQ(library->taskWithUID(soilUID)->parentList(), library->inboxGroup());
        EXPECT_NE(library->taskWithUID(soilUID)->notes(), nullptr);
    }

    a->library->groupWithUID(gardenUID)->deleteObject();
    ASSERT_TRUE(a->manager->saveLibrary());
    expectConvergedOverNetwork();
    EXPECT_EQ(b->library->groupWithUID(gardenUID), nullptr);
}

// Both directions page: the upload in PUTs of at most 500 records with "more" on all but the last, the
// download through the server's bookmarks; the token arrives with the last page only.
TEST_F(TwoSidedSyncTest, ALargeChangePagesBothWays) {
    expectConvergedOverNetwork();
    for (int index = 0; index < 1100; ++index) addTask(*a, QStringLiteral("Task %1").arg(index));
    ASSERT_TRUE(a->manager->saveLibrary());
    server->clearRequests();
    ASSERT_TRUE(syncOverNetwork(*a).ok());
    QList<bool> more;
    for (const LoopbackSyncServer::RecordedRequest& request : server->requests())
        if (request.method == "PUT") {
            const QJsonObject body = request.json();
            more << body.value(QStringLiteral("more")).toBool();
            EXPECT_LE(body.value(QStringLiteral("changes"))
                          .toObject()
                          .value(QStringLiteral("Task"))
                          .toObject()
                          .size(),
                      500);
            EXPECT_EQ(body.value(QStringLiteral("putsession")).toString().size(), 8);
        }
    EXPECT_EQ(more, (QList<bool>{true, true, false}));

    server->clearRequests();
    ASSERT_TRUE(syncOverNetwork(*b).ok());
    int bookmarkedGets = 0;
    for (const LoopbackSyncServer::RecordedRequest& request : server->requests())
        if (request.method == "GET" && !request.queryValue(QStringLiteral("bookmark")).isEmpty())
            ++bookmarkedGets;
    EXPECT_EQ(bookmarkedGets, 2);
    EXPECT_EQ(syncForms(a->library), syncForms(b->library));
}

TEST_F(TwoSidedSyncTest, NothingNewIsASuccessThatCommitsNothing) {
    expectConvergedOverNetwork();
    const Snapshot before = snapshot(*b);
    server->clearRequests();
    int finished = 0;
    auto observer = platform::NotificationCenter::defaultCenter().addObserver(
        nullptr, TDSyncDidFinish, nullptr, [&](const platform::Notification& note) {
            EXPECT_FALSE(note.userInfo.contains(TDSyncError));
            ++finished;
        });
    ASSERT_TRUE(syncOverNetwork(*b).ok());
    platform::NotificationCenter::defaultCenter().removeObserver(observer);
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(snapshot(*b) == before);
    ASSERT_EQ(server->requests().size(), 1);
    const LoopbackSyncServer::RecordedRequest& only = server->requests().front();
    EXPECT_EQ(only.method, QByteArray("GET"));
    EXPECT_EQ(only.queryValue(QStringLiteral("token")), before.token.toString());
    EXPECT_TRUE(only.queryValue(QStringLiteral("synctype")).isEmpty());
}

struct BadSyncCase {
    const char* name;
    Fault fault;
    int faultCount;  // the first requests to the path that get the fault
    int code;
    bool important;
};

Fault answer(int status, const QByteArray& body = {}) {
    return Fault::answer(status, body);
}

const BadSyncCase kBadSyncs[] = {
    {"locked", answer(409, R"({"code":40900})"), 1, TDCorvaneErrorLibraryLocked, false},
    {"full sync required", answer(410, R"({"code":41000})"), 1, TDCorvaneErrorFullSyncRequired, true},
    {"maintenance", answer(503), 1, TDCorvaneErrorMaintenance, false},
    {"server error", answer(500, "oops"), 1, TDCorvaneErrorUnexpected, false},
    {"changes not an object", answer(200, R"({"changes":[1],"token":"T-9"})"), 1, TDCorvaneErrorUnexpected,
     false},
    {"a record not an object", answer(200, R"({"changes":{"Task":{"X":3}},"token":"T-9"})"), 1,
     TDCorvaneErrorUnexpected, false},
    {"token a number", answer(200, R"({"changes":{},"token":9})"), 1, TDCorvaneErrorUnexpected, false},
    {"bookmark an object", answer(200, R"({"changes":{},"bookmark":{},"getsession":"s"})"), 1,
     TDCorvaneErrorUnexpected, false},
    {"malformed JSON", answer(200, R"({"changes":{)"), 1, TDCorvaneErrorUnexpected, false},
    {"truncated", Fault::of(Fault::Kind::Truncated), 5, TDCorvaneErrorCommunication, false},
    {"dropped", Fault::of(Fault::Kind::Drop, 0), 5, TDCorvaneErrorCommunication, false},
};

// A bad status or answer fails the sync with its error before anything is merged: the library, the
// journal and the token stay, and the same changes go up with the next sync.
TEST_F(TwoSidedSyncTest, BadStatusesAndAnswersLeaveLibraryJournalAndTokenUntouched) {
    expectConvergedOverNetwork();
    addTask(*a, text("From A"));
    ASSERT_TRUE(a->manager->saveLibrary());
    ASSERT_TRUE(syncOverNetwork(*a).ok());
    addTask(*b, text("From B"));
    ASSERT_TRUE(b->manager->saveLibrary());
    const Snapshot before = snapshot(*b);
    ASSERT_FALSE(before.journal.isEmpty());
    for (const BadSyncCase& row : kBadSyncs) {
        SCOPED_TRACE(row.name);
        server->injectFault(QStringLiteral("/sync/library/"), row.fault, row.faultCount);
        std::optional<TDError> reported;
        auto observer = platform::NotificationCenter::defaultCenter().addObserver(
            nullptr, TDSyncDidFinish, nullptr, [&](const platform::Notification& note) {
                if (note.userInfo.contains(TDSyncError))
                    reported = note.userInfo.value(TDSyncError).value<TDError>();
            });
        const Status synced = syncOverNetwork(*b);
        platform::NotificationCenter::defaultCenter().removeObserver(observer);
        server->clearFaults();
        ASSERT_FALSE(synced.ok());
        EXPECT_EQ(synced.error().code, row.code) << synced.error().detailedDescription().toStdString();
        EXPECT_EQ(isImportantSyncError(synced.error()), row.important);
        ASSERT_TRUE(reported);
        EXPECT_EQ(reported->code, row.code);
        EXPECT_TRUE(snapshot(*b) == before);
    }
    expectConvergedOverNetwork();
}

// A server that keeps handing out bookmarks is followed only so far: the sync fails with 600 and
// nothing is merged.
TEST_F(TwoSidedSyncTest, EndlessDownloadPagesStopAtTheCapAsAnUnexpectedAnswer) {
    expectConvergedOverNetwork();
    addTask(*b, text("From B"));
    ASSERT_TRUE(b->manager->saveLibrary());
    const Snapshot before = snapshot(*b);
    const int cap = 3;
    server->clearRequests();
    for (int page = 0; page < cap + 5; ++page)
        server->injectFault(
            QStringLiteral("/sync/library/"),
            answer(200,
                   QStringLiteral(R"({"changes":{},"bookmark":"b%1","getsession":"s"})").arg(page).toUtf8()));
    const std::shared_ptr<TDCorvaneSyncOperation> operation = makeOperation(*b);
    operation->setMaximumDownloadPages(cap);
    operation->start();
    ASSERT_TRUE(operation->error());
    EXPECT_EQ(operation->error()->code, TDCorvaneErrorUnexpected);
    EXPECT_EQ(server->requests().size(), cap) << "the upload's answer and two more pages";
    EXPECT_TRUE(snapshot(*b) == before);
    server->clearFaults();
    expectConvergedOverNetwork();
}

// The connection drops at seeded bytes of the answer to the upload: the side is as before or wholly
// merged, and the next sync converges.
TEST_F(TwoSidedSyncTest, ADroppedConnectionLeavesTheSideAsBeforeOrFullyMerged) {
    expectConvergedOverNetwork();
    std::mt19937 random(32);
    constexpr int kDropPoints = 200;
    for (int point = 0; point < kDropPoints; ++point) {
        SCOPED_TRACE(point);
        addTask(*a, QStringLiteral("A edit %1").arg(point));
        ASSERT_TRUE(a->manager->saveLibrary());
        ASSERT_TRUE(syncOverNetwork(*a).ok());
        addTask(*b, QStringLiteral("B edit %1").arg(point));
        ASSERT_TRUE(b->manager->saveLibrary());
        const Snapshot before = snapshot(*b);
        const qint64 size = 2 * qMax<qint64>(server->lastAnswerSize(), 64);
        server->injectFault(
            QStringLiteral("/sync/library/"),
            Fault::of(Fault::Kind::Drop, std::uniform_int_distribution<qint64>(0, size)(random)), 5);
        const Status synced = syncOverNetwork(*b);
        server->clearFaults();
        const Snapshot after = snapshot(*b);
        if (synced.ok()) {
            EXPECT_TRUE(after.journal.isEmpty());
            EXPECT_NE(after.token, before.token);
        } else {
            EXPECT_EQ(synced.error().code, TDCorvaneErrorCommunication);
            EXPECT_TRUE(after == before);
        }
        if (point % 20 == 19) expectConvergedOverNetwork();
    }
    expectConvergedOverNetwork();
}

// An edit, a new subtask and a deletion made while the server holds the answer stay on this side,
// stay journalled, and reach the other side with the next syncs.
TEST_F(TwoSidedSyncTest, EditsMadeWhileTheServerHoldsItsAnswerSurviveAndReachTheOtherSide) {
    TDTask* edited = addTask(*b, text("Post the letter"));
    TDTask* parent = addTask(*b, text("Groceries"));
    TDTask* deleted = addTask(*b, text("Call the bank"));
    const QString editedUID = edited->uid(), parentUID = parent->uid(), deletedUID = deleted->uid();
    ASSERT_TRUE(b->manager->saveLibrary());
    expectConvergedOverNetwork();

    a->library->taskWithUID(editedUID)->setTitle(text("Post the letter (A)"));
    a->library->taskWithUID(deletedUID)->setTitle(text("Call the bank (A)"));
    ASSERT_TRUE(a->manager->saveLibrary());
    ASSERT_TRUE(syncOverNetwork(*a).ok());
    QString subtaskUID;
    const Status synced = syncWhileHeld(*b, [&] {
        b->library->taskWithUID(editedUID)->setTitle(text("Post the letter (B)"));
        TDTask* subtask = b->library->createTask();
        subtask->setTitle(text("Milk"));
        ASSERT_TRUE(b->library->taskWithUID(parentUID)->orderedTasks()->addObject(subtask).ok());
        subtaskUID = subtask->uid();
        b->library->taskWithUID(deletedUID)->deleteObject();
    });
    ASSERT_TRUE(synced.ok()) << synced.error().detailedDescription().toStdString();
    ASSERT_FALSE(subtaskUID.isEmpty());
    EXPECT_EQ(b->library->taskWithUID(editedUID)->title(), text("Post the letter (B)"));
    EXPECT_EQ(b->library->taskWithUID(deletedUID), nullptr);
    for (const QString& uid : {editedUID, subtaskUID, deletedUID})
        EXPECT_TRUE(journalledUIDs(*b).contains(uid));

    expectConvergedOverNetwork();
    EXPECT_EQ(a->library->taskWithUID(editedUID)->title(), text("Post the letter (B)"));
    ASSERT_NE(a->library->taskWithUID(subtaskUID), nullptr);
    EXPECT_EQ(a->library->taskWithUID(subtaskUID)->parentTask(), a->library->taskWithUID(parentUID));
    EXPECT_EQ(a->library->taskWithUID(deletedUID), nullptr);
}

// A cancel while the answer is awaited ends the sync silently: no finish notice, nothing merged. A
// stalled server is a time-out instead: an error, nothing merged either.
TEST_F(TwoSidedSyncTest, ACancelEndsSilentlyAndATimeOutFailsBothLeavingTheSideAlone) {
    expectConvergedOverNetwork();
    addTask(*a, text("From A"));
    ASSERT_TRUE(a->manager->saveLibrary());
    ASSERT_TRUE(syncOverNetwork(*a).ok());
    const Snapshot before = snapshot(*b);
    int finished = 0;
    auto observer = platform::NotificationCenter::defaultCenter().addObserver(
        nullptr, TDSyncDidFinish, nullptr, [&](const platform::Notification&) { ++finished; });

    server->injectFault(QStringLiteral("/sync/library/"), Fault::of(Fault::Kind::Stall), 5);
    const std::shared_ptr<TDCorvaneSyncOperation> cancelled = makeOperation(*b);
    QTimer::singleShot(100, [&] { cancelled->cancel(); });
    cancelled->start();
    EXPECT_FALSE(cancelled->error());
    EXPECT_EQ(finished, 0);
    EXPECT_TRUE(snapshot(*b) == before);

    const std::shared_ptr<TDCorvaneSyncOperation> timedOut = makeOperation(*b);
    TDCorvaneConnection::Options options = connectionOptions();
    options.timeoutMilliseconds = 300;
    timedOut->setConnectionOptions(options);
    timedOut->start();
    ASSERT_TRUE(timedOut->error());
    EXPECT_EQ(timedOut->error()->code, TDCorvaneErrorCommunication);
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(snapshot(*b) == before);
    platform::NotificationCenter::defaultCenter().removeObserver(observer);
    server->clearFaults();
    expectConvergedOverNetwork();
}

}  // namespace
}  // namespace synctest
