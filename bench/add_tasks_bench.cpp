// Adding tasks one at a time to one list, as New Task does: an orphan task with the filter's tags, put
// at the top of the list, its tags inherited, its title typed, and the change processed before the next.
// An add should cost the same in a long list as in a short one.
#include "bench/bench_support.h"

#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/undo/undo_manager.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

void BM_AddTasksOneByOne(benchmark::State& state) {
    const int count = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto undo = std::make_unique<platform::UndoManager>();
        auto built = std::make_unique<BenchNewLibrary>();
        if (!built->open(undo.get())) {
            state.SkipWithError("could not make the library");
            return;
        }
        TDLibrary* library = built->library;
        TDManagedObjectContext* context = built->context.get();
        TDList* list = library->createList(QStringLiteral("Long"), library->foldersGroup());
        TDTag* tag = library->createTagWithTitle(QStringLiteral("errand"));
        context->processPendingChanges();
        context->setCreatingLibrary(false);
        undo->enableUndoRegistration();
        TDOrderedCollection* tasks = list->orderedTasks();
        state.ResumeTiming();

        for (int i = 0; i < count; ++i) {
            TDTask* task = library->createOrphanTask();
            task->setTitle(QString());
            task->addTags({tag});
            if (!tasks->insertObject(task, 0).ok()) std::abort();
            task->inheritTags();
            task->setTitle(QStringLiteral("Task %1 /errand").arg(i));
            context->processPendingChanges();
        }

        state.PauseTiming();
        if (tasks->count() != count) state.SkipWithError("not every task was added");
        built->context.reset();
        built.reset();
        undo.reset();
        state.ResumeTiming();
    }
    state.counters["tasks"] = count;
}
BENCHMARK(BM_AddTasksOneByOne)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
