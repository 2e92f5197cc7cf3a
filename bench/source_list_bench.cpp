// The source list over a library of 10,000 tasks in about 2,000 groups: building its rows from scratch,
// following one rename through the context's processing pass, and a click on a list through to the
// tasks controller showing it. Each must fit in one frame (16 ms).
#include "app/groups_controller.h"
#include "bench/bench_support.h"
#include "model/folder.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int kTasks = 10000;
constexpr int kListsPerFolder = 49;
constexpr int kTasksPerClickedList = 100;

// Folders of lists filling the groups count; the library's tasks stay in their one list but for a
// hundred in each of a few lists the benchmarks click.
struct GroupedLibrary {
    std::unique_ptr<BenchOpenLibrary> open;
    QList<TDList*> lists;
    bool ok = false;

    explicit GroupedLibrary(int groups) {
        // No autosave while building: the next run opens the package as it was.
        platform::UserDefaults::standard().setValue(QStringLiteral("libraryAutosaveDelay"), 24 * 60 * 60);
        open = std::make_unique<BenchOpenLibrary>(kTasks);
        if (!open->isOpen()) return;
        TDLibraryManager& manager = open->manager();
        TDLibrary* library = manager.library();
        manager.undoManager()->disableUndoRegistration();
        for (int made = 0; made < groups;) {
            TDFolder* folder =
                library->createFolder(QStringLiteral("Area %1").arg(made), library->foldersGroup());
            ++made;
            for (int i = 0; i < kListsPerFolder && made < groups; ++i, ++made)
                lists << library->createList(QStringLiteral("Project %1").arg(made), folder);
            // The delayed change notifications gather every change until the event loop delivers them.
            QCoreApplication::processEvents();
        }
        const QList<TDTask*> tasks = library->allTasks();
        const QList<TDList*> clicked{lists.at(7), lists.at(lists.size() - 7)};
        for (qsizetype i = 0; i < kTasksPerClickedList * clicked.size() && i < tasks.size(); ++i)
            (void)clicked.at(i % clicked.size())->orderedTasks()->addObject(tasks.at(i));
        manager.managedObjectContext()->processPendingChanges();
        QCoreApplication::processEvents();
        manager.undoManager()->enableUndoRegistration();
        manager.undoManager()->removeAllActions();
        ok = true;
    }
    ~GroupedLibrary() {
        if (open && open->isOpen()) open->manager().closeDiscardingChanges();
    }
};

qint64 rowsOf(const QAbstractItemModel& model, const QModelIndex& parent = {}) {
    qint64 rows = model.rowCount(parent);
    for (int row = 0; row < model.rowCount(parent); ++row) rows += rowsOf(model, model.index(row, 0, parent));
    return rows;
}

void BM_SourceListReload(benchmark::State& state) {
    GroupedLibrary grouped(int(state.range(0)));
    if (!grouped.ok) {
        state.SkipWithError("could not open the library");
        return;
    }
    TDSourceListModel model;
    TDLibrary* library = grouped.open->manager().library();
    for (auto _ : state) {
        model.setLibrary(nullptr);
        model.setLibrary(library);
        benchmark::DoNotOptimize(model.rowCount());
    }
    state.counters["rows"] = double(rowsOf(model));
}
BENCHMARK(BM_SourceListReload)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_SourceListFollowRename(benchmark::State& state) {
    GroupedLibrary grouped(int(state.range(0)));
    if (!grouped.ok) {
        state.SkipWithError("could not open the library");
        return;
    }
    TDLibraryManager& manager = grouped.open->manager();
    TDGroupsController controller(manager);
    qint64 resets = 0;
    QObject::connect(controller.model(), &QAbstractItemModel::modelReset, controller.model(),
                     [&resets] { ++resets; });
    TDList* renamed = grouped.lists.at(grouped.lists.size() / 2);
    qint64 round = 0;
    for (auto _ : state) {
        renamed->setTitle(QStringLiteral("Renamed %1").arg(++round));
        manager.managedObjectContext()->processPendingChanges();
    }
    if (resets) state.SkipWithError("a rename reset the rows");
}
BENCHMARK(BM_SourceListFollowRename)->Arg(2000)->Unit(benchmark::kMillisecond);

void BM_SourceListSelectGroup(benchmark::State& state) {
    GroupedLibrary grouped(int(state.range(0)));
    if (!grouped.ok) {
        state.SkipWithError("could not open the library");
        return;
    }
    TDLibraryManager& manager = grouped.open->manager();
    TDTasksController tasks(manager);
    TDGroupsController controller(manager);
    controller.setTasksController(&tasks);
    TDList* first = grouped.lists.at(7);
    TDList* second = grouped.lists.at(grouped.lists.size() - 7);
    bool flip = false;
    for (auto _ : state) {
        TDList* target = (flip = !flip) ? first : second;
        controller.selectionModel()->setCurrentIndex(
            controller.model()->indexForGroup(target),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        if (tasks.group() != target) {
            state.SkipWithError("the click did not show the list");
            return;
        }
    }
}
BENCHMARK(BM_SourceListSelectGroup)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
