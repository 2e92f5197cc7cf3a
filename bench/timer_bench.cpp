#include "auxiliary/gui/timer_status_item.h"
#include "auxiliary/gui/timer_window.h"
#include "auxiliary/timer_status_title.h"
#include "auxiliary/timer_window_controller.h"
#include "bench/bench_support.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/fetch_request.h"
#include "store/library_manager.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace {

// One second of the timer with a large library open: the display's update, and on a change of the
// minute the quiet write of actualTime. Arg 1: seconds the clock moves per tick (1: one write in 60
// ticks; 60: a write every tick).
void BM_TimerTick(benchmark::State& state) {
    BenchOpenLibrary library(static_cast<int>(state.range(0)));
    if (!library.isOpen()) {
        state.SkipWithError("could not open the library");
        return;
    }
    TDLibraryManager& manager = library.manager();
    TDTestClock clock(QDateTime(QDate(2026, 12, 9), QTime(9, 0)));
    TDClock::setShared(&clock);
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    TDTimerWindowController timer(manager, defaults);
    timer.setPanelMaker([&defaults](TDTimerWindowController& controller) {
        return std::make_unique<TDTimerWindow>(controller, defaults);
    });
    const auto tasks =
        manager.managedObjectContext()->execute(platform::FetchRequest(QStringLiteral("Task")));
    auto* task = dynamic_cast<TDTask*>(tasks->at(tasks->size() / 2));
    if (!task) {
        state.SkipWithError("no task to time");
        TDClock::setShared(nullptr);
        return;
    }
    timer.setTask(task);
    timer.showWindow();
    timer.startTiming();
    QCoreApplication::processEvents();
    const qint64 step = state.range(1);
    for (auto _ : state) {
        clock.advanceSeconds(step);
        timer.timerFired();
        // The display paints what the tick changed.
        QCoreApplication::processEvents();
    }
    timer.stopAndClose();
    state.counters["actualTime"] = task->actualTime();
    TDClock::setShared(nullptr);
}
BENCHMARK(BM_TimerTick)->Args({100000, 1})->Args({100000, 60})->Unit(benchmark::kMicrosecond);

// The tray's blink while paused redraws its icon every 0.8 s: the cost of one drawing.
void BM_TimerTrayIconBlink(benchmark::State& state) {
    const TDTimerStatusTitle titles[] = {TDTimerStatusTitleForSeconds(59 * 60), {}};
    int i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(TDTrayTimerStatusItem::iconImage(titles[++i % 2]));
}
BENCHMARK(BM_TimerTrayIconBlink)->Unit(benchmark::kMicrosecond);

}  // namespace
