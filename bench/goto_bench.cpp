// Go-to over a library of 10,000 tasks in about 500 groups: one keystroke in the field, from the
// ranking of every group through highlighting, revealing and showing the best match. It must fit in
// one frame (16 ms).
#include "app/goto_controller.h"
#include "app/groups_controller.h"
#include "bench/bench_support.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kTasks = 10000;
constexpr int kListsPerFolder = 24;

void BM_GotoKeystroke(benchmark::State& state) {
    BenchManyListsLibrary open(kTasks, static_cast<int>(state.range(0)), kListsPerFolder,
                               BenchManyListsLibrary::Counting::FoldersAndLists);
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
        TDGotoController gotoController(groups, tasks);
        // Two abbreviations in turn, each with many matches: every round ranks, highlights and shows anew.
        const QString typed[] = {QStringLiteral("prv"), QStringLiteral("ar1")};
        int round = 0;
        qsizetype matches = 0;
        for (auto _ : state) {
            matches = gotoController.completionsForString(typed[++round % 2]).size();
            benchmark::DoNotOptimize(matches);
        }
        state.counters["matches"] = double(matches);
        gotoController.cancel();
    }
}
BENCHMARK(BM_GotoKeystroke)->Arg(500)->Unit(benchmark::kMillisecond);

}  // namespace
