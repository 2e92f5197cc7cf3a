// Pasting copied tasks into a list of a large library, the save included: the cost a user waits for
// after Paste, to be read against one saved change of the same library (BM_SaveOneChange).
#include "bench/bench_support.h"

#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/task_pasteboard.h"
#include "taskviews/tasks_controller.h"

#include <benchmark/benchmark.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

void BM_PasteTasks(benchmark::State& state) {
    BenchOpenLibrary open(100000);
    if (!open.isOpen()) {
        state.SkipWithError("could not open the library");
        return;
    }
    TDLibraryManager& manager = open.manager();
    TDGroup* list = manager.library()->groupTitled(QStringLiteral("Everything"));
    if (!list) {
        state.SkipWithError("no list");
        return;
    }
    // The copied tasks carry notes of a few lines, as copies with notes do.
    const int copied = static_cast<int>(state.range(0));
    QList<TDTask*> originals = list->orderedTasks()->objectsAs<TDTask>().mid(0, copied);
    manager.undoManager()->disableUndoRegistration();
    for (TDTask* task : originals)
        task->setNotesString(
            QStringLiteral("Ask about the plan.\nhttps://example.com/plan\nThen call back."));
    manager.managedObjectContext()->processPendingChanges();
    manager.undoManager()->enableUndoRegistration();
    manager.saveLibrary();
    QGuiApplication::clipboard()->setMimeData(TDTaskPasteboard::mimeDataForTasks(originals, true).release());

    TDTasksController controller(manager);
    controller.setGroup(list);
    for (auto _ : state) {
        controller.paste(QStringLiteral("Paste"));
        state.PauseTiming();
        // Back to the library the next paste starts from.
        QList<TDTask*> pasted = list->orderedTasks()->objectsAs<TDTask>().mid(0, copied);
        if (pasted.contains(originals.first())) state.SkipWithError("nothing was pasted");
        for (TDTask* task : pasted)
            if (!task->isDeleted()) task->deleteObject();
        manager.managedObjectContext()->processPendingChanges();
        manager.saveLibrary();
        manager.undoManager()->removeAllActions();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * copied);
}
BENCHMARK(BM_PasteTasks)->Arg(1000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
