// One incremental sync of a single change over the loopback HTTPS service, for libraries of growing
// size: its cost should stay near one round trip whatever the library holds.
#include "bench/bench_support.h"
#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/sync_set.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "sync/corvane_sync_operation.h"
#include "tests/sync/support/loopback_sync_server.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const QString kUser = QStringLiteral("alice");
const QString kPassword = QStringLiteral("secret");

void BM_IncrementalSyncOneChange(benchmark::State& state) {
    BenchOpenLibrary open(static_cast<int>(state.range(0)));
    if (!open.isOpen()) {
        state.SkipWithError("could not open the library");
        return;
    }
    TDLibraryManager& manager = open.manager();
    manager.setDisableSyncOnSave(true);
    QTemporaryDir folder;
    platform::UserDefaults defaults(folder.path() + QStringLiteral("/Ordello.conf"));
    synctest::LoopbackSyncServer server;
    server.addAccount({kUser, kPassword, QStringLiteral("alice@example.com")});
    defaults.setValue(QStringLiteral("corvaneSyncServiceURL"), server.baseURL());

    // Signed in and in step with the (empty) library on the server. The package is shared by the runs
    // of one process, so a later run finds the sync set of an earlier one.
    TDManagedObjectContext* journal = manager.syncSetManagedObjectContext();
    TDSyncSet* syncSet = manager.library()->corvaneSyncSet(false);
    if (!syncSet) {
        syncSet = journal->insertObject<TDSyncSet>(QStringLiteral("SyncSet"));
        syncSet->setSyncType(QStringLiteral("corvane"));
    }
    syncSet->setLastSyncDate(QDateTime::currentDateTimeUtc());
    syncSet->setLastSyncToken(server.store(kUser).token());
    if (!journal->save().ok()) {
        state.SkipWithError("could not save the journal");
        return;
    }
    TDCorvaneConnection::Options options;
    options.urls = {server.baseURL(), QString()};
    options.extraAnchors = {synctest::LoopbackSyncServer::authorityCertificate()};
    TDTask* task = manager.library()->createTask();

    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        task->setTitle(QStringLiteral("Change %1").arg(++round));
        // Saved without the manager's rolling backup, which would export the whole library on another
        // thread while the sync is timed.
        const bool saved = manager.managedObjectContext()->save().ok() && journal->save().ok();
        TDCorvaneSyncOperation operation(&manager, manager.library());
        operation.setDefaults(&defaults);
        operation.setUsername(kUser);
        operation.setPassword(kPassword);
        operation.setConnectionOptions(options);
        operation.setNodeID(QStringLiteral("bench-node"));
        state.ResumeTiming();
        operation.start();
        if (!saved || operation.error()) {
            state.SkipWithError(saved ? operation.error()->detailedDescription().toUtf8().constData()
                                      : "could not save");
            break;
        }
    }
}
BENCHMARK(BM_IncrementalSyncOneChange)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
