// A full merge sync of a large download into a library, against its floor: the same records
// serialised as JSON, gzipped, inflated and parsed again, as they travel.
#include "bench/bench_support.h"
#include "foundation/data_additions.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "store/library_manager.h"
#include "sync/corvane_library_sync.h"
#include "sync/corvane_upload.h"

#include <QDir>
#include <QHash>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// What a full sync of a library of n tasks downloads: every object's record, by entity.
const QJsonObject& downloadOfLibraryWithTasks(int n) {
    static QHash<int, QJsonObject> downloads;
    if (const auto found = downloads.constFind(n); found != downloads.cend()) return *found;
    QJsonObject changes;
    BenchOpenLibrary source(n);
    if (source.isOpen())
        if (const Result<TDCorvaneUpload> upload = TDCorvaneAllObjects(source.manager().library());
            upload.ok())
            for (auto entity = upload->changes.cbegin(); entity != upload->changes.cend(); ++entity) {
                QJsonObject byUID;
                for (auto record = entity->cbegin(); record != entity->cend(); ++record)
                    byUID.insert(record.key(), record.value());
                changes.insert(entity.key(), byUID);
            }
    if (source.isOpen()) (void)source.manager().close();
    return downloads[n] = changes;
}

// A new library, signed in (it has a sync set) and never synced.
std::unique_ptr<TDLibraryManager> newSyncedLibrary(const QTemporaryDir& folder) {
    auto manager =
        std::make_unique<TDLibraryManager>(QDir(folder.path()).filePath(QStringLiteral("Merged.odllibrary")));
    if (!manager->createLibrary().ok()) return nullptr;
    TDManagedObjectContext* journal = manager->syncSetManagedObjectContext();
    journal->insertObject<TDSyncSet>(QStringLiteral("SyncSet"))->setSyncType(QStringLiteral("corvane"));
    if (!journal->save().ok()) return nullptr;
    return manager;
}

void BM_FullMergeSync(benchmark::State& state) {
    const QJsonObject& changes = downloadOfLibraryWithTasks(static_cast<int>(state.range(0)));
    if (changes.isEmpty()) {
        state.SkipWithError("could not make the download");
        return;
    }
    const QJsonObject answer{{QStringLiteral("changes"), changes},
                             {QStringLiteral("token"), QStringLiteral("LIB-1")}};
    for (auto _ : state) {
        state.PauseTiming();
        auto folder = std::make_unique<QTemporaryDir>();
        std::unique_ptr<TDLibraryManager> manager = newSyncedLibrary(*folder);
        if (!manager) {
            state.SkipWithError("could not make the library");
            break;
        }
        state.ResumeTiming();
        TDCorvaneLibrarySync sync(manager->library(), TDCorvaneSyncType::Incremental, manager.get());
        const bool synced = sync.prepareUpload().ok() && sync.addDownloadPage(answer).ok() &&
                            sync.mergeAndCommit(QStringLiteral("LIB-1")).ok();
        state.PauseTiming();
        if (!synced) state.SkipWithError("the merge failed");
        manager->closeDiscardingChanges();
        manager.reset();
        folder.reset();
        state.ResumeTiming();
        if (!synced) break;
    }
}
BENCHMARK(BM_FullMergeSync)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_SyncJsonFloor(benchmark::State& state) {
    const QJsonObject& changes = downloadOfLibraryWithTasks(static_cast<int>(state.range(0)));
    const QJsonObject answer{{QStringLiteral("changes"), changes},
                             {QStringLiteral("token"), QStringLiteral("LIB-1")}};
    for (auto _ : state) {
        const Result<QByteArray> gzipped =
            gzipCompressedData(QJsonDocument(answer).toJson(QJsonDocument::Compact));
        const Result<QByteArray> inflated = gzipped.ok() ? gzipDecompressedData(*gzipped) : gzipped;
        const QJsonObject parsed =
            inflated.ok() ? QJsonDocument::fromJson(*inflated).object() : QJsonObject();
        if (parsed.value(QStringLiteral("changes")).toObject().size() != changes.size())
            state.SkipWithError("the records did not come back");
        benchmark::DoNotOptimize(parsed);
    }
}
BENCHMARK(BM_SyncJsonFloor)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
