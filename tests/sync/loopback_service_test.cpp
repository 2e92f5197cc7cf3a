#include "tests/sync/transport_fixture.h"

#include <QJsonArray>

namespace synctest {
namespace {

// The loopback service's protocol, driven through the transport as the sync operation will drive it.
class LoopbackServiceTest : public TransportTest {
protected:
    Result<TDCorvaneAnswer> getLibrary(TDCorvaneParameters parameters) {
        auto operation = makeOperation();
        return get(*operation, QStringLiteral("/sync/library/"), parameters);
    }
    Result<TDCorvaneAnswer> putLibrary(const QJsonObject& body) {
        auto operation = makeOperation();
        auto request = operation->request(operation->corvaneURL(QStringLiteral("/sync/library/")), "PUT");
        if (!request) return request.error();
        if (Status encoded = operation->setJSONBody(*request, body); !encoded) return encoded.error();
        return operation->responseDictionary(*request);
    }
    static QJsonObject taskRecords(int first, int count, const QString& title = QStringLiteral("Task")) {
        QJsonObject tasks;
        for (int i = first; i < first + count; ++i)
            tasks.insert(uid(i), QJsonObject{{QStringLiteral("contents"),
                                              QJsonObject{{QStringLiteral("title"), title}}}});
        return QJsonObject{{QStringLiteral("Task"), tasks}};
    }
    static QString uid(int i) { return QStringLiteral("%1").arg(i, 16, 16, QLatin1Char('0')).toUpper(); }
    void seed(int count, const QString& node = QStringLiteral("OTHER")) {
        SyncRecordStore store;
        if (count > 0) store.apply(taskRecords(0, count), node);
        server->setStore(kUser, store);
    }
    static int recordCount(const TDCorvaneAnswer& answer) {
        int count = 0;
        const QJsonObject changes = answer.object().value(QStringLiteral("changes")).toObject();
        for (const QJsonValue& entity : changes) count += entity.toObject().size();
        return count;
    }
    // Follows the pages as the sync operation does; the sizes of the pages and the final token.
    std::pair<QList<int>, QString> download(TDCorvaneParameters parameters) {
        QList<int> sizes;
        auto answer = getLibrary(parameters);
        while (answer.ok()) {
            sizes.append(recordCount(*answer));
            const QJsonObject object = answer->object();
            if (!object.contains(QStringLiteral("bookmark")) ||
                !object.contains(QStringLiteral("getsession")))
                return {sizes, object.value(QStringLiteral("token")).toString()};
            EXPECT_FALSE(object.contains(QStringLiteral("token"))) << "a token before the last page";
            for (const QString& key :
                 {QStringLiteral("bookmark"), QStringLiteral("getsession"), QStringLiteral("limit")}) {
                parameters.removeIf([&](const auto& p) { return p.first == key; });
                parameters.append({key, object.value(key).toVariant()});
            }
            answer = getLibrary(parameters);
        }
        ADD_FAILURE() << describe(answer.error());
        return {};
    }
};

struct PagingCase {
    int records;
    QList<int> pages;
};

TEST_F(LoopbackServiceTest, DownloadsComeInPagesOf500WithTheTokenOnTheLast) {
    const PagingCase cases[] = {{0, {0}}, {1, {1}}, {500, {500}}, {501, {500, 1}}, {1200, {500, 500, 200}}};
    for (const PagingCase& row : cases) {
        SCOPED_TRACE(row.records);
        seed(row.records);
        const auto [sizes, token] = download({{QStringLiteral("node_id"), QStringLiteral("N1")},
                                              {QStringLiteral("synctype"), QStringLiteral("full")}});
        EXPECT_EQ(sizes, row.pages);
        EXPECT_EQ(token, server->store(kUser).token());
    }
}

struct UploadCase {
    const char* name;
    QList<int> pageSizes;  // the last page has no "more"
};

// Pages of one putsession are applied together, once the page without "more" has come.
TEST_F(LoopbackServiceTest, UploadPagesAreAppliedWhenTheLastArrives) {
    const UploadCase cases[] = {{"one page", {3}}, {"three pages", {500, 500, 200}}};
    for (const UploadCase& row : cases) {
        SCOPED_TRACE(row.name);
        seed(0);
        int first = 0;
        for (int i = 0; i < row.pageSizes.size(); ++i) {
            const bool last = i + 1 == row.pageSizes.size();
            QJsonObject body{{QStringLiteral("node_id"), QStringLiteral("N1")},
                             {QStringLiteral("putsession"), QStringLiteral("SESSION1")},
                             {QStringLiteral("synctype"), QStringLiteral("full")},
                             {QStringLiteral("changes"), taskRecords(first, row.pageSizes[i])}};
            if (!last) body.insert(QStringLiteral("more"), true);
            first += row.pageSizes[i];
            auto answer = putLibrary(body);
            ASSERT_TRUE(answer.ok()) << describe(answer.error());
            if (!last) {
                EXPECT_TRUE(answer->isEmpty());
                EXPECT_EQ(server->store(kUser).liveRecordCount(), 0);
            } else {
                EXPECT_EQ(server->store(kUser).liveRecordCount(), first);
                EXPECT_EQ(server->store(kUser).counter(), 1);
                EXPECT_TRUE(answer->contains(QStringLiteral("changes")));
            }
        }
    }
}

TEST_F(LoopbackServiceTest, APutWhileAnotherSessionHasPagesPendingIs409) {
    seed(0);
    const QJsonObject first{{QStringLiteral("node_id"), QStringLiteral("N1")},
                            {QStringLiteral("putsession"), QStringLiteral("SESSION1")},
                            {QStringLiteral("more"), true},
                            {QStringLiteral("changes"), taskRecords(0, 1)}};
    ASSERT_TRUE(putLibrary(first).ok());
    QJsonObject other = first;
    other.insert(QStringLiteral("putsession"), QStringLiteral("SESSION2"));
    other.insert(QStringLiteral("node_id"), QStringLiteral("N2"));
    auto refused = putLibrary(other);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code, TDCorvaneErrorLibraryLocked);
}

struct TokenCase {
    const char* name;
    QString token;
    const char* node;
    int status;  // 200, 304, or the error code
    int records;
};

// Library "LIB1" at counter 2: the first upload by node N1, the second by N2.
TEST_F(LoopbackServiceTest, IncrementalDownloadsFollowTheToken) {
    SyncRecordStore store;
    store.apply(taskRecords(0, 2), QStringLiteral("N1"));
    store.apply(taskRecords(2, 3), QStringLiteral("N2"));
    server->setStore(kUser, store);
    const TokenCase cases[] = {
        {"current token", QStringLiteral("LIB1-2"), "N1", 304, 0},
        {"one behind, the change of another node", QStringLiteral("LIB1-1"), "N1", 200, 3},
        {"one behind, only its own change", QStringLiteral("LIB1-1"), "N2", 304, 0},
        {"from the start", QStringLiteral("LIB1-0"), "N3", 200, 5},
        {"another library", QStringLiteral("LIB9-2"), "N1", 605, 0},
        {"ahead of the library", QStringLiteral("LIB1-3"), "N1", 605, 0},
        {"malformed", QStringLiteral("LIB1"), "N1", 605, 0},
    };
    for (const TokenCase& row : cases) {
        SCOPED_TRACE(row.name);
        auto answer = getLibrary(
            {{QStringLiteral("node_id"), QString::fromUtf8(row.node)}, {QStringLiteral("token"), row.token}});
        if (row.status >= 600) {
            ASSERT_FALSE(answer.ok());
            EXPECT_EQ(answer.error().code, row.status);
            EXPECT_TRUE(isImportantSyncError(answer.error()));
            continue;
        }
        ASSERT_TRUE(answer.ok()) << describe(answer.error());
        EXPECT_EQ(answer->status(), row.status);
        EXPECT_EQ(recordCount(*answer), row.records);
        if (row.status == 200) {
            EXPECT_EQ(answer->object().value(QStringLiteral("token")).toString(), QStringLiteral("LIB1-2"));
        }
    }
}

TEST_F(LoopbackServiceTest, AFullPutMakesANewLibraryAndOlderTokensNeedAFullSync) {
    seed(4);
    const QString oldToken = server->store(kUser).token();
    auto answer = putLibrary({{QStringLiteral("node_id"), QStringLiteral("N1")},
                              {QStringLiteral("putsession"), QStringLiteral("P")},
                              {QStringLiteral("synctype"), QStringLiteral("fullput")},
                              {QStringLiteral("changes"), taskRecords(100, 2)}});
    ASSERT_TRUE(answer.ok()) << describe(answer.error());
    EXPECT_EQ(server->store(kUser).liveRecordCount(), 2);
    EXPECT_EQ(recordCount(*answer), 2);
    auto stale =
        getLibrary({{QStringLiteral("node_id"), QStringLiteral("N2")}, {QStringLiteral("token"), oldToken}});
    ASSERT_FALSE(stale.ok());
    EXPECT_EQ(stale.error().code, TDCorvaneErrorFullSyncRequired);
}

TEST_F(LoopbackServiceTest, ADeletionReachesOtherNodesAndLeavesFullDownloads) {
    seed(2, QStringLiteral("N1"));
    auto deleted = putLibrary(
        {{QStringLiteral("node_id"), QStringLiteral("N1")},
         {QStringLiteral("putsession"), QStringLiteral("P")},
         {QStringLiteral("token"), QStringLiteral("LIB1-1")},
         {QStringLiteral("changes"),
          QJsonObject{{QStringLiteral("Task"),
                       QJsonObject{{uid(0), QJsonObject{{QStringLiteral("deleted_time"), 123}}}}}}}});
    ASSERT_TRUE(deleted.ok()) << describe(deleted.error());
    EXPECT_EQ(recordCount(*deleted), 0) << "its own change is not sent back";
    auto other = getLibrary({{QStringLiteral("node_id"), QStringLiteral("N2")},
                             {QStringLiteral("token"), QStringLiteral("LIB1-1")}});
    ASSERT_TRUE(other.ok());
    EXPECT_EQ(other
                  ->object()[QStringLiteral("changes")][QStringLiteral("Task")][uid(0)]
                            [QStringLiteral("deleted_time")]
                  .toInt(),
              123);
    const auto [sizes, token] = download({{QStringLiteral("node_id"), QStringLiteral("N3")},
                                          {QStringLiteral("synctype"), QStringLiteral("full")}});
    EXPECT_EQ(sizes, QList<int>{1});
}

TEST_F(LoopbackServiceTest, StatusSwitchesOfTheService) {
    struct Switch {
        const char* name;
        std::function<void(bool)> set;
        int code;
    } switches[] = {
        {"maintenance", [&](bool on) { server->setUnderMaintenance(on); }, TDCorvaneErrorMaintenance},
        {"version refused", [&](bool on) { server->setVersionRefused(on); }, TDCorvaneErrorVersionTooOld},
        {"library processing", [&](bool on) { server->setLibraryProcessing(on); },
         TDCorvaneErrorLibraryProcessing},
    };
    for (const Switch& row : switches) {
        SCOPED_TRACE(row.name);
        row.set(true);
        auto answer = getLibrary({{QStringLiteral("node_id"), QStringLiteral("N1")}});
        row.set(false);
        ASSERT_FALSE(answer.ok());
        EXPECT_EQ(answer.error().code, row.code);
    }
}

TEST_F(LoopbackServiceTest, CompletedTasksAreLeftOutOfFullDownloadsAndFetchedPerParent) {
    SyncRecordStore store;
    QJsonObject tasks;
    tasks.insert(QStringLiteral("OPEN"),
                 QJsonObject{{QStringLiteral("contents"),
                              QJsonObject{{QStringLiteral("parentList"), QStringLiteral("L1")}}}});
    for (int i = 0; i < 5; ++i)
        tasks.insert(uid(i),
                     QJsonObject{{QStringLiteral("completed_time"), 1000 - (i / 2) * 10},
                                 {QStringLiteral("contents"),
                                  QJsonObject{{QStringLiteral("parentList"), QStringLiteral("L1")}}}});
    store.apply(QJsonObject{{QStringLiteral("Task"), tasks}}, QStringLiteral("N1"));
    server->setStore(kUser, store);
    const auto [sizes, token] = download({{QStringLiteral("node_id"), QStringLiteral("N2")},
                                          {QStringLiteral("synctype"), QStringLiteral("full")}});
    EXPECT_EQ(sizes, QList<int>{1});

    QStringList fetched;
    TDCorvaneParameters parameters{{QStringLiteral("node_id"), QStringLiteral("N2")},
                                   {QStringLiteral("parent_uid"), QStringLiteral("L1")}};
    LoopbackSyncServer limited(LoopbackSyncServer::Options{.taskPageLimit = 2});
    limited.addAccount({kUser, kPassword, QString()});
    limited.setStore(kUser, store);
    auto connectionOptions = options();
    connectionOptions.urls.primary = limited.baseURL();
    defaults().setValue(QStringLiteral("corvaneSyncServiceURL"), limited.baseURL());
    for (int round = 0; round < 4; ++round) {
        auto operation = makeOperation(connectionOptions);
        auto answer = get(*operation, QStringLiteral("/sync/tasks/"), parameters);
        ASSERT_TRUE(answer.ok()) << describe(answer.error());
        const QJsonArray page = answer->object().value(QStringLiteral("tasks")).toArray();
        for (const QJsonValue& task : page) fetched.append(task[QStringLiteral("uid")].toString());
        if (answer->object().value(QStringLiteral("nomore")).toBool()) break;
        const QJsonObject oldest = page.last().toObject();
        parameters = {
            {QStringLiteral("node_id"), QStringLiteral("N2")},
            {QStringLiteral("parent_uid"), QStringLiteral("L1")},
            {QStringLiteral("last_uid"), oldest[QStringLiteral("uid")].toString()},
            {QStringLiteral("completed_start"), oldest[QStringLiteral("completed_time")].toDouble()}};
    }
    // Newest first; equal times by the greater UID first.
    EXPECT_EQ(fetched, (QStringList{uid(1), uid(0), uid(3), uid(2), uid(4)}));
}

TEST_F(LoopbackServiceTest, ObjectsAreFetchedByUID) {
    seed(3);
    auto operation = makeOperation();
    auto answer = get(*operation, QStringLiteral("/sync/objects/"),
                      TDCorvaneParameters{{QStringLiteral("uids"), uid(0) + QLatin1Char(',') + uid(2)},
                                          {QStringLiteral("node_id"), QStringLiteral("N1")}});
    ASSERT_TRUE(answer.ok()) << describe(answer.error());
    const QJsonArray objects = answer->object().value(QStringLiteral("objects")).toArray();
    ASSERT_EQ(objects.size(), 2);
    EXPECT_EQ(objects[0][QStringLiteral("uid")].toString(), uid(0));
    EXPECT_EQ(objects[1][QStringLiteral("uid")].toString(), uid(2));
}

TEST_F(LoopbackServiceTest, TheUserAnswerTellsAnEmptyLibrary) {
    for (int records : {0, 2}) {
        SCOPED_TRACE(records);
        seed(records);
        auto operation = makeOperation<TDCorvaneGetUserDetailsOperation>(options());
        operation->start();
        EXPECT_TRUE(operation->verified());
        EXPECT_EQ(operation->email(), QStringLiteral("alice@example.com"));
        EXPECT_EQ(operation->isEmpty(), records == 0);
    }
    auto wrong = makeOperation<TDCorvaneGetUserDetailsOperation>(options());
    wrong->setPassword(QStringLiteral("wrong"));
    wrong->start();
    EXPECT_FALSE(wrong->verified());
    ASSERT_TRUE(wrong->error());
    EXPECT_EQ(wrong->error()->code, TDCorvaneErrorAuthentication);
}

}  // namespace
}  // namespace synctest

namespace synctest {
namespace {

// A held answer lets a test act while the server has handled the request but not yet answered.
TEST_F(LoopbackServiceTest, AHeldAnswerArrivesOnlyWhenReleased) {
    seed(2);
    server->injectFault(QStringLiteral("/sync/library/"),
                        LoopbackSyncServer::Fault::of(LoopbackSyncServer::Fault::Kind::Hold));
    bool sawHeld = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (server->heldAnswerCount() == 0) return;
        sawHeld = true;
        EXPECT_EQ(server->requests().size(), 1) << "handled before the answer is sent";
        server->releaseHeldAnswers();
        poll.stop();
    });
    poll.start();
    auto answer = getLibrary({{QStringLiteral("node_id"), QStringLiteral("N1")},
                              {QStringLiteral("synctype"), QStringLiteral("full")}});
    ASSERT_TRUE(answer.ok()) << describe(answer.error());
    EXPECT_TRUE(sawHeld);
    EXPECT_EQ(recordCount(*answer), 2);
}

}  // namespace
}  // namespace synctest
