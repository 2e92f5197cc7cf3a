// The library manager on a large library: one edit saved the way autosave saves it, and opening the
// package until the library is usable. Their baselines are the bare SQLite benchmarks of the object store.
#include "bench/bench_support.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "store/library_manager.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>

namespace {

void BM_AutosaveOneChange(benchmark::State& state) {
    BenchOpenLibrary library(static_cast<int>(state.range(0)));
    if (!library.isOpen()) {
        state.SkipWithError("could not open the library");
        return;
    }
    TDLibraryManager& manager = library.manager();
    const auto tasks =
        manager.managedObjectContext()->execute(platform::FetchRequest(QStringLiteral("Task")));
    platform::ManagedObject* task = tasks->at(tasks->size() / 2);
    int i = 0;
    for (auto _ : state) {
        task->setValue(QStringLiteral("title"), QStringLiteral("edited %1").arg(++i));
        manager.managedObjectContext()->processPendingChanges();
        if (!manager.saveLibrary()) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_AutosaveOneChange)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_OpenLibrary(benchmark::State& state) {
    const QString package = benchLibraryPackageWithTasks(static_cast<int>(state.range(0)));
    double peakGrowthMiB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const BenchPeakMemory memory;
        state.ResumeTiming();
        auto manager = std::make_unique<TDLibraryManager>(package);
        if (package.isEmpty() || !manager->loadLibrary().ok())
            state.SkipWithError("could not open the library");
        state.PauseTiming();
        peakGrowthMiB = std::max(peakGrowthMiB, memory.growthMiB());
        manager.reset();
        state.ResumeTiming();
    }
    // The rise of resident memory while the library opens.
    state.counters["peak_memory_growth_MiB"] = peakGrowthMiB;
}
BENCHMARK(BM_OpenLibrary)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
