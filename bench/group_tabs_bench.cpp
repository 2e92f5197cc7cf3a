// Switching tabs over a large library: the tab bar's selection drives the tasks controller, which
// gathers the rows of the group the tab shows.
#include "app/group_tabs.h"
#include "app/gui/group_tab_control.h"
#include "bench/bench_support.h"

#include "language/date_additions.h"
#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"
#include "taskviews/tasks_view_task_enumerator.h"

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <memory>
#include <random>

namespace {

// The window as the tabs see it: the tasks controller's group and view options.
class ControllerHost : public TDGroupTabsHost {
public:
    explicit ControllerHost(TDTasksController& controller) : m_controller(controller) {}
    TDGroup* shownGroup() const override { return m_controller.group(); }
    QVariantMap tabViewOptions() const override { return m_controller.tabViewOptions(); }
    QVariantMap groupHistoryState() const override { return {}; }

private:
    TDTasksController& m_controller;
};

// Every task in one list, a fifth of them due in the coming days so that Today has rows too.
bool spreadDueDates(TDLibraryManager& manager) {
    const QDateTime today = dates::dateAtStartOfDay(TDClock::currentDateTime());
    std::mt19937 random(25);
    manager.undoManager()->disableUndoRegistration();
    for (TDTask* task : manager.library()->allTasks())
        if (random() % 5 == 0) task->setDueDate(dates::dateByAddingDays(today, qint64(random() % 3) - 1));
    manager.managedObjectContext()->processPendingChanges();
    manager.undoManager()->enableUndoRegistration();
    manager.undoManager()->removeAllActions();
    return !manager.library()->todayGroup()->tasks().isEmpty();
}

qint64 walkRows(TDTasksController& controller) {
    qint64 rows = 0;
    TDTasksViewTaskEnumerator tasks(&controller);
    while (TDTask* task = tasks.nextObject()) {
        benchmark::DoNotOptimize(task);
        ++rows;
    }
    return rows;
}

// The bar over a large library, with the Today tab and the tab of the list of every task. With a tasks
// controller, each selection shows the tab's group in it.
struct TabsOverLibrary {
    BenchOpenLibrary open;
    QTemporaryDir settings;
    platform::UserDefaults defaults;
    TDTasksController controller;
    ControllerHost host;
    TDGroupTabs tabs;
    bool ok = false;

    TabsOverLibrary(int taskCount, bool drivesController)
        : open(taskCount),
          defaults(settings.filePath(QStringLiteral("tabs.conf"))),
          controller(open.manager()),
          host(controller),
          tabs(defaults) {
        if (!open.isOpen() || !spreadDueDates(open.manager())) return;
        controller.setSavesOptions(false);
        tabs.setHost(&host);
        if (drivesController)
            QObject::connect(&tabs, &TDGroupTabs::currentGroupChanged, &controller,
                             [this](TDGroup* group, const QVariantMap&) { controller.setGroup(group); });
        tabs.restoreTabs();
        tabs.setLibrary(open.manager().library());
        TDGroup* everything = open.manager().library()->groupTitled(QStringLiteral("Everything"));
        if (!everything) return;
        tabs.openGroupInNewTab(everything);
        ok = true;
    }
};

// A switch into one tab (range 1: 0 the Today tab, 1 the list of every task) from the other, with the
// rows the outline shows gathered.
void BM_GroupTabSwitch(benchmark::State& state) {
    TabsOverLibrary library(int(state.range(0)), true);
    if (!library.ok) return state.SkipWithError("could not make the library");
    const int target = int(state.range(1));
    qint64 rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        library.tabs.selectTabAtIndex(1 - target);
        state.ResumeTiming();
        library.tabs.selectTabAtIndex(target);
        rows = walkRows(library.controller);
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_GroupTabSwitch)->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond);

// The bar's own answer to a click on a tab: the selection, the slide set up and the bar repainted.
void BM_TabBarSwitch(benchmark::State& state) {
    TabsOverLibrary library(int(state.range(0)), false);
    if (!library.ok) return state.SkipWithError("could not make the library");
    TDGroupTabControl bar(library.tabs);
    bar.resize(900, TDTabControl::kBarHeight);
    QImage canvas(bar.size(), QImage::Format_ARGB32_Premultiplied);
    int next = 0;
    for (auto _ : state) {
        library.tabs.selectTabAtIndex(next);
        bar.finishAnimations();
        QPainter painter(&canvas);
        bar.render(&painter);
        next = 1 - next;
    }
}
BENCHMARK(BM_TabBarSwitch)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
