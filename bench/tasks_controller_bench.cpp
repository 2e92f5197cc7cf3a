// Showing Today over a large library: the controller's sections and rows against the same rows
// gathered by a plain loop.
#include "bench/bench_support.h"

#include "language/date_additions.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/list_sort_descriptor.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"
#include "taskviews/tasks_view_task_enumerator.h"

#include <benchmark/benchmark.h>

#include <QHash>

#include <algorithm>
#include <limits>
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

// The Today sections written out by hand: the same tests and the same order, with each task's dates and
// list read once into plain numbers and every section sorted by those numbers.
qint64 handWrittenTodayRows(TDGroup* today, const QDateTime& day, qint64 nearDays) {
    constexpr qint64 kNever = std::numeric_limits<qint64>::min();  // before every date, as nil sorts
    auto msecs = [](const QDateTime& date) { return date.isValid() ? date.toMSecsSinceEpoch() : kNever; };
    const qint64 start = day.toMSecsSinceEpoch();
    const qint64 tomorrow = dates::dateByAddingDays(day, 1).toMSecsSinceEpoch();
    const qint64 yesterday = dates::dateByAddingDays(day, -1).toMSecsSinceEpoch();
    const qint64 nearEnd = dates::dateByAddingDays(day, nearDays + 1).toMSecsSinceEpoch();
    const QList<TDTask*> members = today->tasks();
    const QSet<TDTask*> memberSet(members.begin(), members.end());
    auto noAncestorIn = [](TDTask* task, const QSet<TDTask*>& set) {
        for (TDTask* parent = task->parentTask(); parent; parent = parent->parentTask())
            if (set.contains(parent)) return false;
        return true;
    };
    // The lists in their sorted order, ranked once.
    QHash<const TDGroup*, int> listRanks;
    struct Row {
        const TDGroup* list;
        int rank;
        qint64 date;
        TDTask* task;
    };
    std::vector<std::vector<Row>> sections(7);
    for (TDTask* task : members) {
        const qint64 due = msecs(task->dueDate());
        const qint64 begins = msecs(task->startDate());
        const qint64 completed = msecs(task->completedDate());
        const bool open = task->isIncomplete();
        const bool dueLaterOrNever = due == kNever || due >= nearEnd;
        const TDGroup* list = task->list();
        listRanks.insert(list, 0);
        const Row row{list, 0, due != kNever ? due : begins, task};
        if (open && due != kNever && due < start) sections[0].push_back(row);
        if (open && due != kNever && start <= due && due < tomorrow) sections[1].push_back(row);
        if (open && due != kNever && tomorrow <= due && due < nearEnd) sections[2].push_back(row);
        if (open && begins != kNever && start <= begins && begins < tomorrow && dueLaterOrNever &&
            noAncestorIn(task, memberSet))
            sections[3].push_back(row);
        if (open && begins != kNever && begins < start && dueLaterOrNever && noAncestorIn(task, memberSet))
            sections[4].push_back(row);
        if (completed != kNever && start <= completed && completed < tomorrow) sections[5].push_back(row);
        if (completed != kNever && yesterday <= completed && completed < start) sections[6].push_back(row);
    }
    std::vector<const TDGroup*> lists(listRanks.keyBegin(), listRanks.keyEnd());
    std::stable_sort(lists.begin(), lists.end(), [](const TDGroup* a, const TDGroup* b) {
        return TDListSortDescriptor::compareGroups(a, b) < 0;
    });
    int rank = 0;
    for (size_t i = 0; i < lists.size(); ++i) {
        if (i > 0 && TDListSortDescriptor::compareGroups(lists[i - 1], lists[i]) != 0) ++rank;
        listRanks[lists[i]] = rank;
    }
    qint64 rows = 0;
    for (std::vector<Row>& section : sections) {
        for (Row& row : section) row.rank = listRanks.value(row.list);
        std::stable_sort(section.begin(), section.end(), [](const Row& a, const Row& b) {
            return a.rank != b.rank ? a.rank < b.rank : a.date < b.date;
        });
        for (const Row& row : section) {
            benchmark::DoNotOptimize(row.task);
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
    {
        TDTasksController controller(lib.open->manager());
        controller.setSavesOptions(false);
        controller.setGroup(today);
        if (walkRows(controller) != handWrittenTodayRows(today, lib.today, 3))
            return state.SkipWithError("the loop and the controller show different rows");
        controller.setGroup(nullptr);
    }
    qint64 rows = 0;
    for (auto _ : state) rows = handWrittenTodayRows(today, lib.today, 3);
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_TodayRowsFloor)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
