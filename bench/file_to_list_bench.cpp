// File Task over a library of 10,000 tasks in 2,000 lists: one keystroke in the panel's field, from
// the ranking of every list through highlighting, revealing and marking the best match. It must fit in
// one frame (16 ms).
#include "app/file_to_group_controller.h"
#include "app/groups_controller.h"
#include "bench/bench_support.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kFilingLibraryTasks = 10000;
constexpr int kFilingListsPerFolder = 24;

void BM_FileToListKeystroke(benchmark::State& state) {
    BenchManyListsLibrary open(kFilingLibraryTasks, static_cast<int>(state.range(0)), kFilingListsPerFolder,
                               BenchManyListsLibrary::Counting::ListsOnly);
    if (!open.isOpen()) {
        state.SkipWithError("could not open the library");
        return;
    }
    TDLibraryManager& manager = open.manager();

    {
        // The controllers let go of the library before it closes.
        TDTasksController tasks(manager);
        TDGroupsController groups(manager);
        groups.setTasksController(&tasks);
        TDFileToGroupController filing(groups, tasks);
        (void)filing.open();
        // Two abbreviations in turn, each with many matches: every round ranks, highlights and marks anew.
        const QString typed[] = {QStringLiteral("prv"), QStringLiteral("pr1")};
        int round = 0;
        qsizetype matches = 0;
        for (auto _ : state) {
            matches = filing.completionsForString(typed[++round % 2]).size();
            benchmark::DoNotOptimize(matches);
        }
        state.counters["matches"] = double(matches);
        filing.cancel();
    }
}
BENCHMARK(BM_FileToListKeystroke)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
