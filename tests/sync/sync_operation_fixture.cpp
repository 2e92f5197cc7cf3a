#include "tests/sync/sync_operation_fixture.h"

#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "platform/defaults/user_defaults.h"

namespace synctest {

namespace {
const QString kUser = QStringLiteral("carol");
const QString kPassword = QStringLiteral("se:cret wörd");
}  // namespace

void SyncOperationTest::SetUp() {
    MergeTest::SetUp();
    server = std::make_unique<LoopbackSyncServer>();
    server->addAccount({kUser, kPassword, QStringLiteral("carol@example.com")});
    defaults().setValue(QStringLiteral("corvaneSyncServiceURL"), server->baseURL());
}

void SyncOperationTest::TearDown() {
    MergeTest::TearDown();
    server.reset();
}

TDCorvaneConnection::Options SyncOperationTest::connectionOptions() const {
    TDCorvaneConnection::Options options;
    options.urls = {server->baseURL(), QString()};
    options.extraAnchors = {LoopbackSyncServer::authorityCertificate()};
    return options;
}

std::shared_ptr<TDCorvaneSyncOperation> SyncOperationTest::makeOperation(SyncSide& side) {
    auto operation = std::make_shared<TDCorvaneSyncOperation>(side.manager.get(), side.library);
    operation->setUsername(kUser);
    operation->setPassword(kPassword);
    operation->setConnectionOptions(connectionOptions());
    operation->setNodeID(QStringLiteral("node-%1").arg(side.node));
    return operation;
}

Status SyncOperationTest::syncOverNetwork(SyncSide& side) {
    clock->advanceSeconds(1);
    const std::shared_ptr<TDCorvaneSyncOperation> operation = makeOperation(side);
    operation->start();
    clock->advanceSeconds(1);
    if (operation->error()) return *operation->error();
    return {};
}

void SyncOperationTest::expectConvergedOverNetwork() {
    // Each round sends what the previous one merged; three rounds settle two or three sides.
    for (int round = 0; round < 3; ++round)
        for (const std::unique_ptr<SyncSide>& side : sides) {
            const Status synced = syncOverNetwork(*side);
            ASSERT_TRUE(synced.ok()) << synced.error().detailedDescription().toStdString();
        }
    const QMap<QString, QString> first = syncForms(sides.front()->library);
    for (const std::unique_ptr<SyncSide>& side : sides) {
        const QMap<QString, QString> forms = syncForms(side->library);
        EXPECT_EQ(first.keys(), forms.keys());
        for (auto it = first.cbegin(); it != first.cend(); ++it)
            EXPECT_EQ(it.value().toStdString(), forms.value(it.key()).toStdString())
                << it.key().toStdString();
        EXPECT_TRUE(journalledUIDs(*side).isEmpty());
        EXPECT_FALSE(side->context()->hasChanges());
    }
}

SyncOperationTest::Snapshot SyncOperationTest::snapshot(const SyncSide& side) const {
    return {syncForms(side.library), journalledUIDs(side),
            side.syncSet() ? side.syncSet()->lastSyncToken() : QVariant()};
}

}  // namespace synctest
