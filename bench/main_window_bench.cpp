// Switching tabs in the whole main window over a large library: from a click's selection of the tab
// to the window painted with the group's rows.
#include "app/group_tabs.h"
#include "app/gui/main_window.h"
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

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include <memory>
#include <random>

namespace {

// Every task in one list; a fifth of them due around today, a tenth started, so Today fills several
// sections.
bool spreadDates(TDLibraryManager& manager) {
    const QDateTime today = dates::dateAtStartOfDay(TDClock::currentDateTime());
    std::mt19937 random(25);
    manager.undoManager()->disableUndoRegistration();
    for (TDTask* task : manager.library()->allTasks()) {
        const int kind = int(random() % 10);
        if (kind < 2) task->setDueDate(dates::dateByAddingDays(today, qint64(random() % 5) - 2));
        if (kind == 2) task->setStartDate(dates::dateByAddingDays(today, -qint64(random() % 3)));
    }
    manager.managedObjectContext()->processPendingChanges();
    manager.undoManager()->enableUndoRegistration();
    manager.undoManager()->removeAllActions();
    return !manager.library()->todayGroup()->tasks().isEmpty();
}

// The window with settings of its own, showing the Today tab and a tab on the list of every task.
struct WindowOverLibrary {
    QTemporaryDir settings;
    platform::UserDefaults defaults;
    std::unique_ptr<BenchOpenLibrary> open;
    std::unique_ptr<TDMainWindow> window;
    int todayTab = -1;
    int everythingTab = -1;

    explicit WindowOverLibrary(int taskCount) : defaults(settings.filePath(QStringLiteral("window.conf"))) {
        platform::UserDefaults::setStandard(&defaults);
        open = std::make_unique<BenchOpenLibrary>(taskCount);
        if (!open->isOpen() || !spreadDates(open->manager())) return;
        window = TDMakeMainWindow(open->manager());
        window->showMainWindow();
        window->resize(1000, 700);
        QCoreApplication::processEvents();
        TDGroupTabs& tabs = window->controller().tabs();
        TDLibrary* library = open->manager().library();
        TDGroup* everything = library->groupTitled(QStringLiteral("Everything"));
        if (!everything) return;
        tabs.openGroupInNewTab(everything);
        QCoreApplication::processEvents();
        for (int index = 0; index < tabs.numberOfTabs(); ++index) {
            if (tabs.groupAtTabIndex(index) == library->todayGroup()) todayTab = index;
            if (tabs.groupAtTabIndex(index) == everything) everythingTab = index;
        }
    }
    ~WindowOverLibrary() {
        window.reset();
        open.reset();
        platform::UserDefaults::setStandard(nullptr);
    }
    bool ok() const { return window && todayTab >= 0 && everythingTab >= 0; }

    // The selection and the events it posts, the window's one repaint into its backing store included
    // (the window is shown, so the update requests paint it as the screen would).
    void select(int tab) {
        window->controller().tabs().selectTabAtIndex(tab);
        QCoreApplication::processEvents();
    }
};

// Counts the widgets painted, so the benchmark knows its switch reached the screen.
struct PaintCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

// A switch to the Today tab (range 1: 0) or to the list of every task (1) from the other one.
void BM_WindowTabSwitch(benchmark::State& state) {
    WindowOverLibrary shown(int(state.range(0)));
    if (!shown.ok()) return state.SkipWithError("could not show the window");
    const bool toToday = state.range(1) == 0;
    const int target = toToday ? shown.todayTab : shown.everythingTab;
    const int other = toToday ? shown.everythingTab : shown.todayTab;
    PaintCounter paints;
    qApp->installEventFilter(&paints);
    int switchesThatPainted = 0;
    int switches = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (switches++ > 0 && paints.count > 0) ++switchesThatPainted;
        shown.select(other);
        paints.count = 0;
        state.ResumeTiming();
        shown.select(target);
    }
    if (paints.count > 0) ++switchesThatPainted;
    qApp->removeEventFilter(&paints);
    if (switchesThatPainted < switches) state.SkipWithError("a switch painted nothing");
}
BENCHMARK(BM_WindowTabSwitch)->Args({10000, 0})->Args({10000, 1})->Unit(benchmark::kMillisecond);

}  // namespace
