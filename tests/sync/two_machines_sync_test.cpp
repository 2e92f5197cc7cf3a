#include "tests/support/core/sync_peer.h"
#include "tests/support/fault_random.h"
#include "tests/support/test_environment.h"
#include "tests/sync/support/loopback_sync_server.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QThread>

#include <memory>

namespace synctest {
namespace {

using Fault = LoopbackSyncServer::Fault;
using testsupport::SyncPeer;

// A record's fields as the merge reads them, as text: the member lists of parents ("tasks",
// "subtasks", "subgroups") are left out, since each child's own record places it and a parent's record
// goes up only when the parent itself changes.
std::string placedFields(const QJsonObject& record) {
    QJsonObject contents = record.value(QStringLiteral("contents")).toObject();
    for (const char* members : {"tasks", "subtasks", "subgroups"})
        contents.remove(QString::fromLatin1(members));
    return QJsonDocument(contents).toJson(QJsonDocument::Compact).toStdString();
}

const QString kUser = QStringLiteral("dana");
const QString kPassword = QStringLiteral("pass word");

// Two machines, each a process with its own library, settings and node id, syncing through the
// loopback service of this process.
class TwoMachinesTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        server = std::make_unique<LoopbackSyncServer>();
        server->addAccount({kUser, kPassword, QStringLiteral("dana@example.com")});
        const QString anchor = QDir(tempPath()).filePath(QStringLiteral("anchor.pem"));
        QFile pem(anchor);
        ASSERT_TRUE(pem.open(QIODevice::WriteOnly));
        pem.write(LoopbackSyncServer::authorityCertificate().toPem());
        pem.close();
        const testsupport::SyncPeerService service{server->baseURL(), anchor, kUser, kPassword};
        for (const char* name : {"machine-a", "machine-b"}) {
            const QString home = QDir(tempPath()).filePath(QString::fromLatin1(name));
            QDir().mkpath(home);
            machines.push_back(std::make_unique<SyncPeer>(QStringLiteral(ORDELLO_SYNC_PEER), home, service));
            ASSERT_TRUE(machines.back()->isRunning());
        }
        a = machines[0].get();
        b = machines[1].get();
        ASSERT_NE(a->nodeID(), b->nodeID());
    }

    void TearDown() override {
        machines.clear();
        server.reset();
        TempFoldersTest::TearDown();
    }

    // Syncs both machines in turn until neither has anything to send, then compares them with each
    // other and with what the server holds live, field for field.
    void expectSameEverywhere() {
        for (int round = 0; round < 4; ++round)
            for (SyncPeer* machine : {a, b})
                ASSERT_EQ(machine->command(QStringLiteral("sync")), QStringLiteral("OK"));
        const QJsonObject formsA = a->forms();
        const QJsonObject formsB = b->forms();
        ASSERT_FALSE(formsA.isEmpty());
        EXPECT_EQ(formsA.keys(), formsB.keys());
        for (auto it = formsA.begin(); it != formsA.end(); ++it)
            EXPECT_EQ(QJsonDocument(it.value().toObject()).toJson().toStdString(),
                      QJsonDocument(formsB.value(it.key()).toObject()).toJson().toStdString())
                << it.key().toStdString();
        EXPECT_EQ(a->journalCount(), 0);
        EXPECT_EQ(b->journalCount(), 0);
        // The server holds exactly these objects live, each as the machines hold it.
        QStringList live;
        const SyncRecordStore store = server->store(kUser);
        for (auto entity = store.entries().cbegin(); entity != store.entries().cend(); ++entity)
            for (const SyncRecordStore::Entry& entry : *entity)
                if (!entry.record.contains(QStringLiteral("deleted_time"))) {
                    const QString key = entry.entity + QLatin1Char('/') + entry.uid;
                    live.append(key);
                    EXPECT_EQ(placedFields(entry.record), placedFields(formsA.value(key).toObject()))
                        << key.toStdString();
                }
        live.sort();
        EXPECT_EQ(live, formsA.keys());
    }

    std::unique_ptr<LoopbackSyncServer> server;
    std::vector<std::unique_ptr<SyncPeer>> machines;
    SyncPeer* a = nullptr;
    SyncPeer* b = nullptr;
};

TEST_F(TwoMachinesTest, EditsOnBothMachinesInRandomOrderEndTheSameOnBothAndOnTheServer) {
    testsupport::FaultRandom random;
    expectSameEverywhere();
    QStringList tasks;
    for (SyncPeer* machine : {a, b})
        for (int i = 0; i < 3; ++i) tasks << machine->value(QStringLiteral("add Start %1").arg(i));
    expectSameEverywhere();
    const QString listOnA = a->value(QStringLiteral("list Shared"));
    ASSERT_FALSE(listOnA.isEmpty());
    for (int step = 0; step < 40; ++step) {
        SyncPeer* machine = random.bounded(2) == 0 ? a : b;
        const QString task = tasks.value(int(random.bounded(tasks.size())));
        QString answer;
        switch (random.bounded(8)) {
            case 0:
                tasks << machine->value(QStringLiteral("add Step %1").arg(step));
                continue;
            case 1:
                answer = machine->command(QStringLiteral("title %1 Renamed at %2").arg(task).arg(step));
                break;
            case 2:
                answer = machine->command(QStringLiteral("notes %1 Notes of step %2").arg(task).arg(step));
                break;
            case 3:
                answer = machine->command(QStringLiteral("complete %1").arg(task));
                break;
            case 4:
                tasks << machine->value(QStringLiteral("subtask %1 Under at %2").arg(task).arg(step));
                continue;
            case 5:
                answer = machine->command(QStringLiteral("move %1 %2").arg(task, listOnA));
                break;
            case 6:
                answer = machine->command(QStringLiteral("delete %1").arg(task));
                break;
            default:
                answer = machine->command(QStringLiteral("sync"));
                break;
        }
        // A task the other machine deleted, or a list not there yet, is no fault of the sync.
        EXPECT_FALSE(answer.startsWith(QStringLiteral("ERR")) && !answer.contains(QStringLiteral("no ")))
            << answer.toStdString();
    }
    expectSameEverywhere();
}

TEST_F(TwoMachinesTest, ADeletedListWhileTheOtherMachineAddsASubtaskLosesNothingMadeEitherSide) {
    expectSameEverywhere();
    const QString list = a->value(QStringLiteral("list Move"));
    const QString child = a->value(QStringLiteral("add Book the van"));
    ASSERT_EQ(a->command(QStringLiteral("move %1 %2").arg(child, list)), QStringLiteral("OK"));
    expectSameEverywhere();
    ASSERT_EQ(a->command(QStringLiteral("delete %1").arg(list)), QStringLiteral("OK"));
    ASSERT_EQ(a->command(QStringLiteral("sync")), QStringLiteral("OK"));
    ASSERT_EQ(b->command(QStringLiteral("title %1 Book the big van").arg(child)), QStringLiteral("OK"));
    const QString subtask = b->value(QStringLiteral("subtask %1 Ask for a trolley").arg(child));
    ASSERT_FALSE(subtask.isEmpty());
    expectSameEverywhere();
    EXPECT_TRUE(a->forms().contains(QStringLiteral("Task/") + subtask));
    EXPECT_FALSE(a->forms().contains(QStringLiteral("List/") + list));
}

// The connection drops while the answer to an upload page comes, again and again: the sync fails, and
// the next one goes through and converges. With more than one page the server keeps the pages it has,
// under the session of the upload that did not finish.
TEST_F(TwoMachinesTest, AConnectionDroppedDuringASingleOrMultiPageUploadEndsTheSameEverywhere) {
    expectSameEverywhere();
    struct Case {
        const char* what;
        int tasks;
    };
    for (const Case& c : {Case{"one page", 3}, Case{"three pages", 1100}}) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(a->command(QStringLiteral("bulk %1 %2").arg(c.tasks).arg(QString::fromLatin1(c.what))),
                  QStringLiteral("OK"));
        // The first page goes through whole when there are more; then every resend of a page drops.
        if (c.tasks > 500)
            server->injectFault(QStringLiteral("/sync/library/"),
                                Fault::of(Fault::Kind::Drop, qint64(1) << 40));
        server->injectFault(QStringLiteral("/sync/library/"), Fault::of(Fault::Kind::Drop, 0), 5);
        EXPECT_EQ(a->command(QStringLiteral("sync")), QStringLiteral("ERR 601"));
        server->clearFaults();
        expectSameEverywhere();
    }
}

// The last open sub-task completed on one machine closes its parent there; the other machine takes
// the parent as closed, and neither stamps it anew.
TEST_F(TwoMachinesTest, AParentClosedByItsLastSubtaskEndsTheSameEverywhere) {
    for (SyncPeer* machine : {a, b})
        ASSERT_EQ(machine->command(QStringLiteral("switch autoCompleteParentTask on")), QStringLiteral("OK"));
    // Past the first syncs, which are full merges: the service leaves completed tasks out of those.
    expectSameEverywhere();
    const QString parent = a->value(QStringLiteral("add Paint the shed"));
    const QString done = a->value(QStringLiteral("subtask %1 Buy paint").arg(parent));
    const QString last = a->value(QStringLiteral("subtask %1 Paint").arg(parent));
    ASSERT_EQ(a->command(QStringLiteral("complete %1").arg(done)), QStringLiteral("OK"));
    expectSameEverywhere();
    QThread::sleep(1);  // the closing stamp is a later second than the parent's last sync
    ASSERT_EQ(b->command(QStringLiteral("complete %1").arg(last)), QStringLiteral("OK"));
    expectSameEverywhere();
    const QJsonObject closed = a->forms()
                                   .value(QStringLiteral("Task/") + parent)
                                   .toObject()
                                   .value(QStringLiteral("contents"))
                                   .toObject();
    EXPECT_EQ(closed.value(QStringLiteral("status")).toString(), QStringLiteral("C"));
}

}  // namespace
}  // namespace synctest
