// Quick entry over a large library: from the hot key's toggle to the title editor having the keyboard,
// without the fade; and Done filing twenty tasks, against one ordinary save.
#include "auxiliary/gui/quick_entry_window.h"
#include "auxiliary/quick_entry_window_controller.h"
#include "bench/bench_support.h"
#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <memory>

namespace {

struct PanelOverLibrary {
    QTemporaryDir settings;
    platform::UserDefaults defaults;
    std::unique_ptr<BenchOpenLibrary> open;
    std::unique_ptr<TDQuickEntryWindow> panel;

    explicit PanelOverLibrary(int taskCount) : defaults(settings.filePath(QStringLiteral("quick.conf"))) {
        platform::UserDefaults::setStandard(&defaults);
        open = std::make_unique<BenchOpenLibrary>(taskCount);
    }
    ~PanelOverLibrary() {
        panel.reset();
        open.reset();
        platform::UserDefaults::setStandard(nullptr);
    }
    // What the toggle does the first time: the panel made, then opened.
    bool makeAndOpen() {
        panel = TDQuickEntryWindow::make(open->manager());
        return panel && openPanel();
    }
    bool openPanel() {
        panel->controller().showWindowWithAnimation(false, false);
        QCoreApplication::processEvents();
        QWidget* focus = QApplication::focusWidget();
        return focus && panel->isAncestorOf(focus) && panel->controller().tasksController().isEditingTitle();
    }
    void typeTasks(int count) {
        TDQuickEntryWindowController& controller = panel->controller();
        TDOrderedCollection* scratch = controller.scratchList()->orderedTasks();
        TDLibrary* library = controller.managedObjectContext().library();
        controller.tasksController().finishEditing();
        for (int i = 0; i < count; ++i) {
            TDTask* task =
                i == 0 ? dynamic_cast<TDTask*>(scratch->objectAtIndex(0)) : library->createOrphanTask();
            task->setTitle(QStringLiteral("typed task %1").arg(i));
            if (i > 0) (void)scratch->insertObject(task, i);
        }
        controller.managedObjectContext().processPendingChanges();
    }
};

void BM_QuickEntryOpen(benchmark::State& state) {
    PanelOverLibrary shown(int(state.range(0)));
    if (!shown.open->isOpen()) return state.SkipWithError("could not open the library");
    QElapsedTimer first;
    first.start();
    if (!shown.makeAndOpen())
        return state.SkipWithError("the first opening left the title editor without focus");
    state.counters["first_open_ms"] = double(first.nsecsElapsed()) / 1e6;
    for (auto _ : state) {
        state.PauseTiming();
        shown.panel->controller().cancel();
        QCoreApplication::processEvents();
        state.ResumeTiming();
        if (!shown.openPanel()) return state.SkipWithError("the title editor did not get the focus");
    }
}
BENCHMARK(BM_QuickEntryOpen)->Arg(10000)->Unit(benchmark::kMillisecond);

// Done filing twenty tasks and the save that follows, as a ratio to a save of one edited title.
void BM_QuickEntryDone(benchmark::State& state) {
    PanelOverLibrary shown(10000);
    if (!shown.open->isOpen() || !shown.makeAndOpen())
        return state.SkipWithError("could not open quick entry");
    TDLibraryManager& manager = shown.open->manager();
    TDTask* edited = manager.library()->allTasks().value(0);
    double filing = 0;
    double oneSave = 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (edited) edited->setTitle(QStringLiteral("edited %1").arg(round++));
        QElapsedTimer save;
        save.start();
        manager.saveLibrary();
        oneSave += double(save.nsecsElapsed());
        if (!shown.panel->controller().isOpen()) shown.openPanel();
        shown.typeTasks(int(state.range(0)));
        state.ResumeTiming();
        QElapsedTimer done;
        done.start();
        shown.panel->controller().done();
        manager.saveLibrary();
        filing += double(done.nsecsElapsed());
    }
    if (oneSave > 0) state.counters["ratio_to_one_save"] = filing / oneSave;
}
BENCHMARK(BM_QuickEntryDone)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace
