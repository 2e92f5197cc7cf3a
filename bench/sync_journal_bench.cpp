// Journalling objects for sync: each of n tasks that already exist recorded once in the sync journal, as
// a change to each does. A record should cost the same in a long journal as in a short one, so ten times
// the tasks should take about ten times as long.
#include "bench/bench_support.h"

#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "model/task.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

void BM_JournalNewTasks(benchmark::State& state) {
    const int count = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto built = std::make_unique<BenchNewLibrary>();
        if (!built->open()) {
            state.SkipWithError("could not make the library");
            return;
        }
        TDLibrary* library = built->library;
        std::vector<TDTask*> tasks;
        tasks.reserve(size_t(count));
        for (int i = 0; i < count; ++i) tasks.push_back(library->createOrphanTask());
        built->context->processPendingChanges();
        built->context->setCreatingLibrary(false);
        auto journalContext = std::make_unique<TDManagedObjectContext>(built->coordinator.get());
        auto* journal = journalContext->insertObject<TDSyncSet>(QStringLiteral("SyncSet"));
        journal->setSyncType(QStringLiteral("corvane"));
        journalContext->setLibrary(library);
        state.ResumeTiming();

        for (TDTask* task : tasks) journal->addObject(task);

        state.PauseTiming();
        if (journal->items().size() != count) state.SkipWithError("not every task was journalled");
        journalContext.reset();
        built.reset();
        state.ResumeTiming();
    }
    state.counters["tasks"] = count;
}
BENCHMARK(BM_JournalNewTasks)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
