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

// One switch: from the Today tab to the tab of the list of every task, or back, with the rows the
// outline would show gathered and, with a bar, the bar repainted.
void switchTabs(benchmark::State& state, bool paintBar) {
    BenchOpenLibrary open(int(state.range(0)));
    if (!open.isOpen() || !spreadDueDates(open.manager()))
        return state.SkipWithError("could not make the library");
    TDLibraryManager& manager = open.manager();
    QTemporaryDir settings;
    platform::UserDefaults defaults(settings.filePath(QStringLiteral("tabs.conf")));
    TDTasksController controller(manager);
    controller.setSavesOptions(false);
    ControllerHost host(controller);
    TDGroupTabs tabs(defaults);
    tabs.setHost(&host);
    QObject::connect(&tabs, &TDGroupTabs::currentGroupChanged, &controller,
                     [&controller](TDGroup* group, const QVariantMap&) { controller.setGroup(group); });
    tabs.restoreTabs();
    tabs.setLibrary(manager.library());
    TDGroup* everything = manager.library()->groupTitled(QStringLiteral("Everything"));
    if (!everything) return state.SkipWithError("no list of every task");
    tabs.openGroupInNewTab(everything);

    std::unique_ptr<TDGroupTabControl> bar;
    QImage canvas;
    if (paintBar) {
        bar = std::make_unique<TDGroupTabControl>(tabs);
        bar->resize(900, TDTabControl::kBarHeight);
        canvas = QImage(bar->size(), QImage::Format_ARGB32_Premultiplied);
    }
    qint64 rows = 0;
    int next = 0;
    for (auto _ : state) {
        tabs.selectTabAtIndex(next);
        rows += walkRows(controller);
        if (bar) {
            QPainter painter(&canvas);
            bar->render(&painter);
        }
        next = 1 - next;
    }
    state.counters["rows per switch"] = benchmark::Counter(double(rows), benchmark::Counter::kAvgIterations);
}

void BM_GroupTabSwitch(benchmark::State& state) {
    switchTabs(state, false);
}
BENCHMARK(BM_GroupTabSwitch)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_GroupTabSwitchWithBar(benchmark::State& state) {
    switchTabs(state, true);
}
BENCHMARK(BM_GroupTabSwitchWithBar)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
