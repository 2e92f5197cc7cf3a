#include "tests/sync/sync_operation_fixture.h"

#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_task_get_operation.h"

#include <QJsonObject>

#include <optional>

namespace synctest {
namespace {

// UIDs of tasks only the service knows at first.
const QString kSocks = QStringLiteral("5A0C000000000001");
const QString kShoes = QStringLiteral("5A0C000000000002");
const QString kPacking = QStringLiteral("5A0C000000000003");
const QString kHoliday = QStringLiteral("5A0C000000000004");
const QString kLuggage = QStringLiteral("5A0C000000000005");

class TaskGetTest : public SyncOperationTest {
protected:
    void SetUp() override {
        SyncOperationTest::SetUp();
        // Small pages, so that fetching goes on from where the last page ended.
        server = std::make_unique<LoopbackSyncServer>(LoopbackSyncServer::Options{false, 500, 2});
        server->addAccount(
            {QStringLiteral("carol"), QStringLiteral("se:cret wörd"), QStringLiteral("carol@example.com")});
        defaults().setValue(QStringLiteral("corvaneSyncServiceURL"), server->baseURL());
        a = &addSide(QStringLiteral("A"));
        b = &addSide(QStringLiteral("B"));
    }

    TDTask* addTask(SyncSide& side, TDLibraryObject* parent, const QString& title, bool completed) {
        TDTask* task =
            side.library->createTaskFromImportDictionary({{QStringLiteral("title"), title}}, parent);
        clock->advanceSeconds(10);
        if (completed) task->setCompleted(true);
        return task;
    }

    // Runs one fetch for the list on this thread: its error, if any.
    std::optional<TDError> runFetch(SyncSide& side, TDList* list) {
        server->clearRequests();
        TDCorvaneTaskGetOperation operation(side.manager.get(), side.library, list->objectID());
        operation.setUsername(QStringLiteral("carol"));
        operation.setPassword(QStringLiteral("se:cret wörd"));
        operation.setConnectionOptions(connectionOptions());
        operation.setNodeID(QStringLiteral("node-%1").arg(side.node));
        operation.start();
        return operation.error();
    }

    // The requests of the last fetch to the path.
    QList<LoopbackSyncServer::RecordedRequest> sentTo(const QByteArray& path) const {
        QList<LoopbackSyncServer::RecordedRequest> sent;
        for (const auto& request : server->requests())
            if (request.path == path) sent.append(request);
        return sent;
    }

    // Runs one fetch that must succeed; the requests it sent to "/sync/tasks/".
    QList<LoopbackSyncServer::RecordedRequest> fetch(SyncSide& side, TDList* list) {
        const std::optional<TDError> error = runFetch(side, list);
        EXPECT_FALSE(error.has_value()) << (error ? error->detailedDescription().toStdString() : "");
        return sentTo("/sync/tasks/");
    }

    // A task only the service knows, as another machine sent it.
    struct ServiceTask {
        QString uid;
        QString title;
        QString parentTask;        // empty: none
        QString parentList;        // empty: none
        double completedTime = 0;  // 0: open
    };

    // Adds the tasks to the service, written over the record of a real task of the account.
    void addServiceTasks(const QString& templateUID, const QList<ServiceTask>& tasks) {
        SyncRecordStore store = server->store(QStringLiteral("carol"));
        const std::optional<QJsonObject> model = store.record(QStringLiteral("Task"), templateUID);
        ASSERT_TRUE(model.has_value());
        QJsonObject records;
        for (const ServiceTask& task : tasks) {
            QJsonObject record = *model;
            QJsonObject contents = record.value(QStringLiteral("contents")).toObject();
            contents.insert(QStringLiteral("uid"), task.uid);
            contents.insert(QStringLiteral("title"), task.title);
            const auto uidOrNull = [](const QString& uid) {
                return uid.isEmpty() ? QJsonValue() : QJsonValue(uid);
            };
            contents.insert(QStringLiteral("parentTask"), uidOrNull(task.parentTask));
            contents.insert(QStringLiteral("parentList"), uidOrNull(task.parentList));
            record.insert(QStringLiteral("contents"), contents);
            record.remove(QStringLiteral("completed_time"));
            if (task.completedTime > 0) record.insert(QStringLiteral("completed_time"), task.completedTime);
            records.insert(task.uid, record);
        }
        store.apply({{QStringLiteral("Task"), records}}, QStringLiteral("node-other"));
        server->setStore(QStringLiteral("carol"), store);
    }

    // The "uids" asked of "/sync/objects/" in the last fetch, request by request.
    QStringList objectRequests() const {
        QStringList uids;
        for (const auto& request : sentTo("/sync/objects/"))
            uids.append(request.queryValue(QStringLiteral("uids")));
        return uids;
    }

    // A list made on A and known to both sides, with an open task whose record the service holds.
    TDList* sharedList(TDTask** open) {
        TDList* errands = a->library->createList(QStringLiteral("Errands"), a->library->foldersGroup());
        *open = addTask(*a, errands, QStringLiteral("Open"), false);
        EXPECT_TRUE(syncOverNetwork(*a).ok());
        EXPECT_TRUE(syncOverNetwork(*b).ok());
        return dynamic_cast<TDList*>(b->library->groupWithUID(errands->uid()));
    }

    static QStringList titles(TDList* list) {
        QStringList result;
        for (TDTask* task : list->tasks()) result.append(task->title());
        result.sort();
        return result;
    }

    SyncSide* a = nullptr;
    SyncSide* b = nullptr;
};

TEST_F(TaskGetTest, CompletedTasksOfAListComeOnDemandPageAfterPageFromTheOldestFetched) {
    TDList* errands = a->library->createList(QStringLiteral("Errands"), a->library->foldersGroup());
    addTask(*a, errands, QStringLiteral("Open"), false);
    for (const char* title : {"Done 1", "Done 2", "Done 3"})
        addTask(*a, errands, QString::fromLatin1(title), true);
    ASSERT_TRUE(syncOverNetwork(*a).ok());
    // B's first sync is a full merge, which leaves completed tasks on the server.
    ASSERT_TRUE(syncOverNetwork(*b).ok());
    TDList* list = dynamic_cast<TDList*>(b->library->groupWithUID(errands->uid()));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(titles(list), QStringList{QStringLiteral("Open")});
    EXPECT_EQ(TDCorvaneCompletedTaskDownloadStatus(list), 0);

    // The newest two first, then the rest from after the oldest of them.
    const auto first = fetch(*b, list);
    ASSERT_EQ(first.size(), 1);
    EXPECT_TRUE(first[0].queryValue(QStringLiteral("last_uid")).isEmpty());
    EXPECT_EQ(titles(list),
              (QStringList{QStringLiteral("Done 2"), QStringLiteral("Done 3"), QStringLiteral("Open")}));
    EXPECT_EQ(TDCorvaneCompletedTaskDownloadStatus(list), 1);

    const auto second = fetch(*b, list);
    ASSERT_EQ(second.size(), 1);
    EXPECT_FALSE(second[0].queryValue(QStringLiteral("last_uid")).isEmpty());
    EXPECT_FALSE(second[0].queryValue(QStringLiteral("completed_start")).isEmpty());
    EXPECT_EQ(titles(list), (QStringList{QStringLiteral("Done 1"), QStringLiteral("Done 2"),
                                         QStringLiteral("Done 3"), QStringLiteral("Open")}));
    EXPECT_EQ(TDCorvaneCompletedTaskDownloadStatus(list), 2);

    // Everything fetched: nothing is asked.
    EXPECT_TRUE(fetch(*b, list).isEmpty());
    // The fetched tasks are B's own now and sync on without coming back as changes.
    ASSERT_TRUE(syncOverNetwork(*b).ok());
    EXPECT_EQ(titles(list).size(), 4);
}

// Completed subtasks come with their list, newest first; parents missing here are asked for before the
// merge, each UID once, up the chain.
TEST_F(TaskGetTest, MissingParentsOfFetchedTasksAreFetchedOncePerUIDBeforeTheMerge) {
    TDTask* open = nullptr;
    TDList* list = sharedList(&open);
    ASSERT_NE(list, nullptr);
    const QString errands = list->uid();
    addServiceTasks(open->uid(), {
                                     {kSocks, QStringLiteral("Socks"), kPacking, QString(), 300},
                                     {kShoes, QStringLiteral("Shoes"), kPacking, QString(), 200},
                                     {kPacking, QStringLiteral("Packing"), kHoliday, QString(), 100},
                                     {kHoliday, QStringLiteral("Holiday"), QString(), errands, 0},
                                 });

    fetch(*b, list);
    EXPECT_EQ(objectRequests(), (QStringList{kPacking, kHoliday}));
    TDTask* holiday = b->library->taskWithUID(kHoliday);
    TDTask* packing = b->library->taskWithUID(kPacking);
    ASSERT_NE(holiday, nullptr);
    ASSERT_NE(packing, nullptr);
    EXPECT_EQ(holiday->parentList(), list);
    EXPECT_EQ(packing->parentTask(), holiday);
    for (const QString& uid : {kSocks, kShoes}) {
        SCOPED_TRACE(uid.toStdString());
        const TDTask* subtask = b->library->taskWithUID(uid);
        ASSERT_NE(subtask, nullptr);
        EXPECT_EQ(subtask->parentTask(), packing);
    }
    EXPECT_EQ(TDCorvaneCompletedTaskDownloadStatus(list), 1);  // "Packing" is on the next page
}

// Parents that come back around are asked for once each; the cycle fails the fetch with 600 and
// nothing of it is merged. (The service's record of "Socks" names both a list and a parent task.)
TEST_F(TaskGetTest, AParentCycleAmongFetchedTasksIs600AndMergesNothing) {
    TDTask* open = nullptr;
    TDList* list = sharedList(&open);
    ASSERT_NE(list, nullptr);
    addServiceTasks(open->uid(), {
                                     {kSocks, QStringLiteral("Socks"), kPacking, list->uid(), 300},
                                     {kPacking, QStringLiteral("Packing"), kLuggage, QString(), 200},
                                     {kLuggage, QStringLiteral("Luggage"), kPacking, QString(), 100},
                                 });
    const QMap<QString, QString> forms = syncForms(b->library);

    const std::optional<TDError> error = runFetch(*b, list);
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->isInDomain(TDCorvaneErrorUnexpected)) << error->detailedDescription().toStdString();
    EXPECT_EQ(objectRequests(), (QStringList{kPacking, kLuggage}));
    EXPECT_EQ(syncForms(b->library), forms);
    EXPECT_EQ(b->library->taskWithUID(kSocks), nullptr);
    EXPECT_FALSE(b->context()->hasChanges());
    EXPECT_EQ(TDCorvaneCompletedTaskDownloadStatus(list), 0);
}

}  // namespace
}  // namespace synctest
