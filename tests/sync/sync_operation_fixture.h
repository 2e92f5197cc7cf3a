#pragma once

#include "sync/corvane_sync_operation.h"
#include "tests/sync/merge_fixture.h"
#include "tests/sync/support/loopback_sync_server.h"

#include <memory>

namespace synctest {

// Libraries of MergeTest synced over HTTPS through the loopback service, one account, each side its
// own node.
class SyncOperationTest : public MergeTest {
protected:
    void SetUp() override;
    void TearDown() override;

    TDCorvaneConnection::Options connectionOptions() const;
    std::shared_ptr<TDCorvaneSyncOperation> makeOperation(SyncSide& side);
    // One sync of the side, run on this thread; the clock moves a second before and after it.
    Status syncOverNetwork(SyncSide& side);
    // Syncs every side a few rounds over the network and expects their sync forms equal and their
    // journals empty.
    void expectConvergedOverNetwork();
    // What a failed or interrupted sync must leave alone.
    struct Snapshot {
        QMap<QString, QString> forms;
        QStringList journal;
        QVariant token;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot snapshot(const SyncSide& side) const;

    std::unique_ptr<LoopbackSyncServer> server;
};

}  // namespace synctest
