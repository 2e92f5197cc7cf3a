// Stepping through the cards of a long list: each step walks the outline's rows from the shown task, so
// the last card of the list is the slowest next one. The list is built task by task here, which grows
// slowly past a few thousand tasks; the step itself grows about linearly with the rows (0.09 ms at 1,000,
// 0.4 ms at 3,000).
#include "bench/bench_support.h"

#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/card_deck.h"
#include "taskviews/tasks_controller.h"

#include <benchmark/benchmark.h>

namespace {

void BM_NextCardFromTheLast(benchmark::State& state) {
    BenchOpenLibrary open(0);
    if (!open.isOpen()) return state.SkipWithError("could not make the library");
    TDLibraryManager& manager = open.manager();
    TDLibrary* library = manager.library();
    manager.undoManager()->disableUndoRegistration();
    TDList* list = library->createList(QStringLiteral("Long"), library->foldersGroup());
    TDTask* last = nullptr;
    for (int i = 0; i < state.range(0); ++i) {
        last = library->createOrphanTask();
        last->setTitle(QStringLiteral("Task %1").arg(i));
        // Every tenth one is done: actions-only mode steps over them.
        if (i % 10 == 9) last->setCompleted(true);
        (void)list->orderedTasks()->addObject(last);
    }
    last->setCompleted(false);
    manager.managedObjectContext()->processPendingChanges();
    platform::UserDefaults::standard().setValue(QStringLiteral("showActionsOnlyInCardView"),
                                                state.range(1) != 0);
    TDTasksController controller(manager);
    controller.setSavesOptions(false);
    controller.setGroup(list);
    controller.setMode(1);
    TDCardDeck* deck = controller.cardDeck();
    for (auto _ : state) {
        deck->setTask(last);
        deck->nextCard();
        benchmark::DoNotOptimize(deck->task());
    }
    controller.setMode(0);
    controller.setGroup(nullptr);
    platform::UserDefaults::standard().removeValue(QStringLiteral("showActionsOnlyInCardView"));
}
BENCHMARK(BM_NextCardFromTheLast)
    ->Args({1000, 0})
    ->Args({1000, 1})
    ->Args({3000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace
