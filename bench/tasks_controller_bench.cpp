// Showing Today over a large library: the controller's sections and rows against the same rows
// gathered by a plain loop.
#include "bench/bench_support.h"

#include "language/date_additions.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list_sort_descriptor.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"
#include "taskviews/tasks_view_task_enumerator.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>

namespace {

// A library whose tasks have a realistic spread of start, due and completion dates around today.
struct TodayLibrary {
    std::unique_ptr<BenchOpenLibrary> open;
    QDateTime today;
    bool ok = false;

    explicit TodayLibrary(int count) : open(std::make_unique<BenchOpenLibrary>(count)) {
        if (!open->isOpen()) return;
        TDLibraryManager& manager = open->manager();
        today = dates::dateAtStartOfDay(TDClock::currentDateTime());
        std::mt19937 random(22);
        manager.undoManager()->disableUndoRegistration();
        for (TDTask* task : manager.library()->allTasks()) {
            const int kind = int(random() % 100);
            const qint64 offset = qint64(random() % 30);
            if (kind < 10)
                task->setDueDate(dates::dateByAddingDays(today, -1 - offset));
            else if (kind < 15)
                task->setDueDate(today.addSecs(3600 * (random() % 20)));
            else if (kind < 25)
                task->setDueDate(dates::dateByAddingDays(today, 1 + offset % 3));
            else if (kind < 50)
                task->setDueDate(dates::dateByAddingDays(today, 5 + offset * 3));
            else if (kind < 55)
                task->setStartDate(today);
            else if (kind < 65)
                task->setStartDate(dates::dateByAddingDays(today, -1 - offset));
            else if (kind < 70)
                task->setCompleted(true);
            if (kind >= 5 && kind < 8) task->setPriority(1 + qint64(random() % 9));
        }
        manager.managedObjectContext()->processPendingChanges();
        manager.undoManager()->enableUndoRegistration();
        manager.undoManager()->removeAllActions();
        ok = manager.library()->todayGroup()->tasks().size() > 0;
    }
};

qint64 walkRows(TDTasksController& controller) {
    qint64 rows = 0;
    TDTasksViewTaskEnumerator tasks(&controller);
    while (TDTask* task = tasks.nextObject()) {
        benchmark::DoNotOptimize(task);
        ++rows;
    }
    return rows;
}

// The Today sections written out by hand: the same tests, the same order, no predicates.
qint64 handWrittenTodayRows(TDGroup* today, const QDateTime& day, qint64 nearDays) {
    const QDateTime tomorrow = dates::dateByAddingDays(day, 1);
    const QDateTime yesterday = dates::dateByAddingDays(day, -1);
    const QDateTime nearEnd = dates::dateByAddingDays(day, nearDays + 1);
    const QList<TDTask*> members = today->tasks();
    const QSet<TDTask*> memberSet(members.begin(), members.end());
    auto noAncestorIn = [](TDTask* task, const QSet<TDTask*>& set) {
        for (TDTask* parent = task->parentTask(); parent; parent = parent->parentTask())
            if (set.contains(parent)) return false;
        return true;
    };
    std::vector<QList<TDTask*>> sections(7);
    for (TDTask* task : members) {
        const QDateTime due = task->dueDate();
        const QDateTime start = task->startDate();
        const QDateTime completed = task->completedDate();
        const bool open = task->isIncomplete();
        const bool dueLaterOrNever = !due.isValid() || due >= nearEnd;
        if (open && due.isValid() && due < day) sections[0] << task;
        if (open && due.isValid() && day <= due && due < tomorrow) sections[1] << task;
        if (open && due.isValid() && tomorrow <= due && due < nearEnd) sections[2] << task;
        if (open && start.isValid() && day <= start && start < tomorrow && dueLaterOrNever &&
            noAncestorIn(task, memberSet))
            sections[3] << task;
        if (open && start.isValid() && start < day && dueLaterOrNever && noAncestorIn(task, memberSet))
            sections[4] << task;
        if (completed.isValid() && day <= completed && completed < tomorrow) sections[5] << task;
        if (completed.isValid() && yesterday <= completed && completed < day) sections[6] << task;
    }
    qint64 rows = 0;
    const TDListSortDescriptor byList;
    for (QList<TDTask*>& section : sections) {
        std::stable_sort(section.begin(), section.end(), [&](TDTask* a, TDTask* b) {
            const auto lists = TDListSortDescriptor::compareGroups(
                platform::objectVariant(a), platform::objectVariant(b), QStringLiteral("list"));
            if (lists != 0) return lists < 0;
            return a->dueOrStartDate() < b->dueOrStartDate();
        });
        for (TDTask* task : section) {
            benchmark::DoNotOptimize(task);
            ++rows;
        }
    }
    return rows;
}

void BM_ShowGroupToday(benchmark::State& state) {
    // Each benchmark opens its own: the library must be gone before the application is.
    TodayLibrary lib(int(state.range(0)));
    if (!lib.ok) return state.SkipWithError("could not make the library");
    TDTasksController controller(lib.open->manager());
    controller.setSavesOptions(false);
    TDGroup* today = lib.open->manager().library()->todayGroup();
    qint64 rows = 0;
    for (auto _ : state) {
        controller.setGroup(today);
        rows = walkRows(controller);
        state.PauseTiming();
        controller.setGroup(nullptr);
        state.ResumeTiming();
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_ShowGroupToday)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_TodayRowsFloor(benchmark::State& state) {
    TodayLibrary lib(int(state.range(0)));
    if (!lib.ok) return state.SkipWithError("could not make the library");
    TDGroup* today = lib.open->manager().library()->todayGroup();
    qint64 rows = 0;
    for (auto _ : state) rows = handWrittenTodayRows(today, lib.today, 3);
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_TodayRowsFloor)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
