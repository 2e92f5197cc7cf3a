#include "tests/sync/sync_operation_fixture.h"

#include "model/library.h"
#include "model/list.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "sync/corvane_task_get_operation.h"

namespace synctest {
namespace {

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

    // Runs one fetch for the list on this thread; the requests it sent to "/sync/tasks/".
    QList<LoopbackSyncServer::RecordedRequest> fetch(SyncSide& side, TDList* list) {
        server->clearRequests();
        TDCorvaneTaskGetOperation operation(side.manager.get(), side.library, list->objectID());
        operation.setUsername(QStringLiteral("carol"));
        operation.setPassword(QStringLiteral("se:cret wörd"));
        operation.setConnectionOptions(connectionOptions());
        operation.setNodeID(QStringLiteral("node-%1").arg(side.node));
        operation.start();
        EXPECT_FALSE(operation.error().has_value())
            << (operation.error() ? operation.error()->detailedDescription().toStdString() : "");
        QList<LoopbackSyncServer::RecordedRequest> sent;
        for (const auto& request : server->requests())
            if (request.path == "/sync/tasks/") sent.append(request);
        return sent;
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

}  // namespace
}  // namespace synctest
