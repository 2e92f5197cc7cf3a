// Completing a task deep in a large library: the status change, the aggregates carried up to every
// ancestor, list and folder, and the processing of the change as the library manager runs it.
#include "bench/bench_support.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/undo/undo_manager.h"

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

namespace {

// n tasks in 50 lists, mostly in short trees, plus one chain ten levels deep whose levels each have an
// open sibling (so completing the deepest task does not close its ancestors).
struct DeepLibrary : BenchNewLibrary {
    std::unique_ptr<platform::UndoManager> undo;
    TDTask* deepest = nullptr;

    explicit DeepLibrary(int n) {
        undo = std::make_unique<platform::UndoManager>();
        undo->setGroupsByEvent(false);
        undo->setLevelsOfUndo(20);
        if (!open(undo.get())) return;
        QList<TDList*> lists;
        for (int i = 0; i < 50; ++i)
            lists << library->createList(QStringLiteral("List %1").arg(i), library->foldersGroup());
        TDTask* parent = nullptr;
        for (int i = 0; i < n - 22; ++i) {
            TDTask* task = library->createOrphanTask();
            task->setTitle(QStringLiteral("Task number %1 with a title of usual length").arg(i));
            task->setEstimatedTime(900.0 * (i % 7));
            if (i % 3 == 0) task->setDueDate(QDateTime(QDate(2026, 1, 1), QTime(9, 0)).addSecs(3600LL * i));
            if (i % 5 == 0 || !parent) {
                lists[i % lists.size()]->addTasks({task});
                parent = task;
            } else {
                parent->addSubtasks({task});
            }
            if (i % 4 == 0 && i % 5 != 0) task->setCompleted(true);
        }
        TDTask* level = nullptr;
        for (int depth = 0; depth <= 10; ++depth) {
            TDTask* node = library->createOrphanTask();
            node->setEstimatedTime(600);
            TDTask* sibling = library->createOrphanTask();
            if (level) {
                level->addSubtasks({node, sibling});
            } else {
                lists.first()->addTasks({node, sibling});
            }
            level = node;
        }
        deepest = level;
        context->processPendingChanges();
        context->recalculateTransientProperties();
        library->processModifiedObjects();
        undo->enableUndoRegistration();
        context->setCreatingLibrary(false);
    }
    ~DeepLibrary() { context.reset(); }

    void process() {
        context->processPendingChanges();
        context->recalculateTransientProperties();
        library->processModifiedObjects();
        context->processPendingChanges();
    }
    // One user action: the change and its processing in one undo group, as an event-loop pass makes it.
    void setDeepestCompleted(bool completed) {
        undo->beginUndoGrouping();
        deepest->setCompleted(completed);
        process();
        undo->endUndoGrouping();
    }
};

DeepLibrary& deepLibrary(int n) {
    static std::map<int, std::unique_ptr<DeepLibrary>> libraries;
    auto& library = libraries[n];
    if (!library) library = std::make_unique<DeepLibrary>(n);
    return *library;
}

void BM_CompleteTaskDeepTree(benchmark::State& state) {
    DeepLibrary& library = deepLibrary(int(state.range(0)));
    if (!library.deepest) {
        state.SkipWithError("could not build the library");
        return;
    }
    for (auto _ : state) {
        library.setDeepestCompleted(true);
        state.PauseTiming();
        library.setDeepestCompleted(false);
        state.ResumeTiming();
    }
    state.counters["libraryTasks"] = double(library.library->rootGroup()->taskCount());
}
BENCHMARK(BM_CompleteTaskDeepTree)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace
