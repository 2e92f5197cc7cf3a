// One title edit in a shown list of 10,000 tasks of a 100,000-task library, through to the rows: the
// context's processing pass, the tasks controller's reload (which that pass triggers) and the item
// model's row signals.
#include "bench/bench_support.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "store/library_manager.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int kShownTasks = 10000;

void BM_EditOneTaskAndReload(benchmark::State& state) {
    const int total = int(state.range(0));
    BenchOpenLibrary open(total - kShownTasks);
    if (!open.isOpen()) {
        state.SkipWithError("could not open the library");
        return;
    }
    TDLibrary* library = open.manager().library();
    TDManagedObjectContext* context = open.manager().managedObjectContext();
    TDList* shown = library->createList(QStringLiteral("Shown"), library->foldersGroup());
    QList<platform::ManagedObject*> tasks;
    for (int i = 0; i < kShownTasks; ++i) {
        TDTask* task = library->createOrphanTask();
        task->setTitle(QStringLiteral("Shown task %1 with a title of usual length").arg(i));
        tasks << task;
    }
    if (!shown->orderedTasks()->insertObjects(tasks, 0).ok()) {
        state.SkipWithError("could not fill the list");
        return;
    }
    context->processPendingChanges();
    // The pending once-per-pass notifications of the setup go out now, as after any event.
    QCoreApplication::processEvents();

    TDTasksController controller(open.manager());
    controller.setGroup(shown);
    TDTaskTreeModel model(&controller);
    if (model.rowCount() != kShownTasks + 1) {
        state.SkipWithError("the model does not show the list");
        return;
    }
    qint64 resets = 0;
    QObject::connect(&model, &QAbstractItemModel::modelReset, &model, [&resets] { ++resets; });
    auto* edited = static_cast<TDTask*>(tasks.at(kShownTasks / 2));
    const QModelIndex row = model.indexForItem(TDTaskRowItem::task(edited));
    qint64 round = 0;
    for (auto _ : state) {
        edited->setTitle(QStringLiteral("Edited %1").arg(++round));
        // The context's change notification has the controller reload and the collection publish.
        context->processPendingChanges();
        benchmark::DoNotOptimize(model.data(row));
    }
    if (resets) state.SkipWithError("an edit reset the model");
}

BENCHMARK(BM_EditOneTaskAndReload)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
