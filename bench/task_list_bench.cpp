// The task list at the size of a large library: sorting one list's tasks by due date and building the
// seven Today sections by their predicates, each against the same work written as plain C++ (the floor).
#include "bench/bench_support.h"
#include "model/library.h"
#include "model/list.h"
#include "model/list_sort_descriptor.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "model/task_sort_descriptor.h"
#include "platform/predicates/compound_predicate.h"
#include "platform/predicates/predicate_parser.h"

#include <QDateTime>
#include <QSet>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace {

using platform::ManagedObject;

// n tasks in one list, dated around today: most due within a month either side, some starting, a
// quarter completed in the last few days, a few without any date.
struct DatedLibrary : BenchNewLibrary {
    TDList* list = nullptr;
    QList<ManagedObject*> members;
    QDateTime today;

    explicit DatedLibrary(int n) {
        if (!open()) return;
        today = QDate::currentDate().startOfDay();
        const QDateTime utcToday = today.toUTC();
        list = library->createList(QStringLiteral("Large"), library->foldersGroup());
        std::mt19937 random(20260311);
        auto chance = [&](int percent) { return int(random() % 100) < percent; };
        // Whole hours from `daysBefore` days before today to `daysAfter` after, as the store reads them
        // (UTC).
        auto hours = [&](int daysBefore, int daysAfter) {
            const int span = (daysBefore + daysAfter) * 24;
            return utcToday.addSecs((qint64(random() % span) - daysBefore * 24) * 3600);
        };
        for (int i = 0; i < n; ++i) {
            TDTask* task = library->createOrphanTask();
            task->setPrimitiveValue(QStringLiteral("title"), QStringLiteral("Task number %1").arg(i));
            if (chance(75)) task->setPrimitiveValue(QStringLiteral("dueDate"), hours(30, 30));
            if (chance(40)) task->setPrimitiveValue(QStringLiteral("startDate"), hours(20, 10));
            if (chance(25)) {
                task->setPrimitiveValue(QStringLiteral("status"), QStringLiteral("C"));
                task->setPrimitiveValue(QStringLiteral("completedDate"), hours(3, 1));
            }
            members << task;
        }
        if (!list->orderedTasks()->insertObjects(members, 0).ok()) std::abort();
        context->processPendingChanges();
        context->setCreatingLibrary(false);
    }
};

DatedLibrary& datedLibrary(int n) {
    static std::map<int, std::unique_ptr<DatedLibrary>> libraries;
    auto& library = libraries[n];
    if (!library) library = std::make_unique<DatedLibrary>(n);
    return *library;
}

// ---------------------------------------------------------------------------------------------------
// Sorting

void BM_SortDatesFloor(benchmark::State& state) {
    DatedLibrary& library = datedLibrary(int(state.range(0)));
    std::vector<qint64> dates;
    for (ManagedObject* member : std::as_const(library.members)) {
        const QDateTime due = static_cast<TDTask*>(member)->dueDate();
        dates.push_back(due.isValid() ? due.toMSecsSinceEpoch() : std::numeric_limits<qint64>::max());
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<qint64> sorted = dates;
        state.ResumeTiming();
        std::sort(sorted.begin(), sorted.end());
        benchmark::DoNotOptimize(sorted.data());
    }
}
BENCHMARK(BM_SortDatesFloor)->Arg(100000)->Unit(benchmark::kMillisecond);

// The task list's "sort by due date": due date ascending, then list.
void BM_SortByDueDate(benchmark::State& state) {
    DatedLibrary& library = datedLibrary(int(state.range(0)));
    if (!library.list) {
        state.SkipWithError("could not build the library");
        return;
    }
    TDOrderedCollection* tasks = library.list->orderedTasks();
    tasks->setSortDescriptors({TDTaskSortDescriptor(QStringLiteral("dueDate"), true),
                               TDListSortDescriptor(QStringLiteral("list"), true)});
    for (auto _ : state) {
        tasks->setNeedsToSort(true);
        benchmark::DoNotOptimize(tasks->count());
    }
    // Undated tasks come last.
    const auto* first = static_cast<TDTask*>(tasks->objectAtIndex(0));
    const auto* last = static_cast<TDTask*>(tasks->objectAtIndex(tasks->count() - 1));
    if (!first->dueDate().isValid() || last->dueDate().isValid())
        state.SkipWithError("not sorted by due date");
    tasks->setSortDescriptors({});
}
BENCHMARK(BM_SortByDueDate)->Arg(100000)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------------------
// The Today sections

// The controller's switchable filter, switched off: it lets every task through.
class SwitchedOffFilter final : public platform::Predicate {
public:
    bool evaluate(const QVariant&, const QVariantMap&) const override { return true; }
    using Predicate::evaluate;
    QString format() const override { return QStringLiteral("TRUEPREDICATE"); }
    bool isEqual(const Predicate& other) const override { return &other == this; }
    platform::PredicatePtr substitutingVariables(const QVariantMap&, QString*) const override {
        return shared_from_this();
    }
};

struct TodayDays {
    QDateTime today, tomorrow, yesterday, near;
    explicit TodayDays(const QDateTime& start)
        : today(start), tomorrow(start.addDays(1)), yesterday(start.addDays(-1)), near(start.addDays(8)) {}
};

platform::PredicatePtr parsed(const char* format, const QVariantList& arguments) {
    auto predicate = platform::predicateWithFormat(QString::fromLatin1(format), arguments);
    if (!predicate) std::abort();
    return *predicate;
}

const char* const kDueFormat = "%@ <= dueDate AND dueDate < %@ AND isIncomplete == YES";
const char* const kCompletedFormat =
    "%@ <= completedDate AND completedDate < %@ AND\t(parentTask.completedDate = NIL OR (%@ > "
    "parentTask.completedDate OR parentTask.completedDate >= %@))";

// The seven predicates of the Today sections, in order.
QList<platform::PredicatePtr> todayPredicates(const TodayDays& d, const QVariantList& groupTasks) {
    return {
        parsed("dueDate < %@ AND isIncomplete == YES", {d.today}),
        parsed(kDueFormat, {d.today, d.tomorrow}),
        parsed(kDueFormat, {d.tomorrow, d.near}),
        parsed("%@ <= startDate AND startDate < %@ AND (dueDate == NIL OR dueDate >= %@) AND isIncomplete == "
               "YES AND\tNONE ancestorTasks IN %@",
               {d.today, d.tomorrow, d.near, groupTasks}),
        parsed("startDate < %@ AND (dueDate == NIL OR dueDate >= %@) AND isIncomplete == YES AND\tNONE "
               "ancestorTasks IN %@",
               {d.today, d.near, groupTasks}),
        parsed(kCompletedFormat, {d.today, d.tomorrow, d.today, d.tomorrow}),
        parsed(kCompletedFormat, {d.yesterday, d.today, d.yesterday, d.today}),
    };
}

// Builds the sections as the task list does (the first three shown through copies that leave out
// subtasks of their own members) and answers the size of each shown section.
std::vector<qsizetype> sectionSizesByPredicate(DatedLibrary& library, const platform::PredicatePtr& filter,
                                               const QVariantList& groupTasks) {
    const TodayDays days(library.today);
    std::vector<qsizetype> sizes;
    const QList<platform::PredicatePtr> predicates = todayPredicates(days, groupTasks);
    for (qsizetype i = 0; i < predicates.size(); ++i) {
        TDOrderedCollection section(library.list, QStringLiteral("tasks"));
        section.setModifiesDisplayOrder(false);
        section.setFilterPredicate(platform::CompoundPredicate::andPredicate({filter, predicates.at(i)}));
        if (i >= 3) {
            sizes.push_back(section.count());
            continue;
        }
        const QVariantList members = platform::variantListOfObjects(section.objects());
        const std::unique_ptr<TDOrderedCollection> shown = section.copy();
        shown->setFilterPredicate(platform::CompoundPredicate::andPredicate(
            {filter, parsed("SELF IN %@ AND NONE ancestorTasks IN %@", {members, members})}));
        sizes.push_back(shown->count());
    }
    return sizes;
}

// The same sections gathered by a loop over the tasks, with the fields looked up once.
struct TaskFields {
    const platform::AttributeDescription* dueDate;
    const platform::AttributeDescription* startDate;
    const platform::AttributeDescription* completedDate;
    const platform::AttributeDescription* status;
    const platform::RelationshipDescription* parentTask;

    explicit TaskFields(const platform::EntityDescription* task)
        : dueDate(task->attribute(QStringLiteral("dueDate"))),
          startDate(task->attribute(QStringLiteral("startDate"))),
          completedDate(task->attribute(QStringLiteral("completedDate"))),
          status(task->attribute(QStringLiteral("status"))),
          parentTask(task->relationship(QStringLiteral("parentTask"))) {}
};

constexpr qint64 kNoDate = std::numeric_limits<qint64>::min();

qint64 msecs(const ManagedObject* object, const platform::AttributeDescription* attribute) {
    const QVariant& value = object->primitiveValue(attribute);
    return value.isNull() ? kNoDate : value.toDateTime().toMSecsSinceEpoch();
}

bool noAncestorIn(const ManagedObject* task, const TaskFields& f, const QSet<const ManagedObject*>& set) {
    for (const ManagedObject* p = task->object(f.parentTask); p; p = p->object(f.parentTask))
        if (set.contains(p)) return false;
    return true;
}

std::vector<qsizetype> sectionSizesByHand(DatedLibrary& library) {
    const TodayDays days(library.today);
    const qint64 today = days.today.toMSecsSinceEpoch();
    const qint64 tomorrow = days.tomorrow.toMSecsSinceEpoch();
    const qint64 yesterday = days.yesterday.toMSecsSinceEpoch();
    const qint64 near = days.near.toMSecsSinceEpoch();
    const QList<ManagedObject*> tasks = library.list->objectList(QStringLiteral("tasks"));
    const TaskFields f(tasks.first()->entity());
    const QSet<const ManagedObject*> group(tasks.begin(), tasks.end());

    auto gather = [&](auto test) {
        QList<const ManagedObject*> found;
        for (const ManagedObject* task : tasks)
            if (test(task)) found.append(task);
        return found;
    };
    auto due = [&](qint64 from, qint64 to) {
        return gather([&](const ManagedObject* t) {
            const qint64 d = msecs(t, f.dueDate);
            return d != kNoDate && from <= d && d < to && t->primitiveValue(f.status).isNull();
        });
    };
    auto completed = [&](qint64 from, qint64 to) {
        return gather([&](const ManagedObject* t) {
            const qint64 c = msecs(t, f.completedDate);
            if (c == kNoDate || c < from || c >= to) return false;
            const ManagedObject* parent = t->object(f.parentTask);
            const qint64 pc = parent ? msecs(parent, f.completedDate) : kNoDate;
            return pc == kNoDate || from > pc || pc >= to;
        });
    };
    auto starting = [&](qint64 from, qint64 to) {
        return gather([&](const ManagedObject* t) {
            const qint64 s = msecs(t, f.startDate);
            const qint64 d = msecs(t, f.dueDate);
            return s != kNoDate && (from == kNoDate || from <= s) && s < to && (d == kNoDate || d >= near) &&
                   t->primitiveValue(f.status).isNull() && noAncestorIn(t, f, group);
        });
    };
    // Members of a section whose ancestors are not in it.
    auto shown = [&](const QList<const ManagedObject*>& section) {
        const QSet<const ManagedObject*> set(section.begin(), section.end());
        return gather([&](const ManagedObject* t) { return set.contains(t) && noAncestorIn(t, f, set); })
            .size();
    };
    return {
        shown(due(kNoDate + 1, today)),     shown(due(today, tomorrow)),
        shown(due(tomorrow, near)),         starting(today, tomorrow).size(),
        starting(kNoDate, today).size(),    completed(today, tomorrow).size(),
        completed(yesterday, today).size(),
    };
}

// The predicates must select exactly what the loops select, or the comparison means nothing.
bool sectionsAgree(benchmark::State& state, DatedLibrary& library, const platform::PredicatePtr& filter,
                   const QVariantList& groupTasks) {
    const std::vector<qsizetype> byPredicate = sectionSizesByPredicate(library, filter, groupTasks);
    const std::vector<qsizetype> byHand = sectionSizesByHand(library);
    if (byPredicate == byHand && std::all_of(byHand.begin(), byHand.end(), [](qsizetype n) { return n > 0; }))
        return true;
    QStringList sizes;
    for (size_t i = 0; i < byHand.size(); ++i)
        sizes << QStringLiteral("%1/%2").arg(byPredicate.at(i)).arg(byHand.at(i));
    state.SkipWithError(
        ("sections disagree (predicate/hand): " + sizes.join(QLatin1Char(' ')).toStdString()).c_str());
    return false;
}

void BM_TodaySectionsFilterFloor(benchmark::State& state) {
    DatedLibrary& library = datedLibrary(int(state.range(0)));
    if (!library.list) {
        state.SkipWithError("could not build the library");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(sectionSizesByHand(library));
}
BENCHMARK(BM_TodaySectionsFilterFloor)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_TodaySectionsFilter(benchmark::State& state) {
    DatedLibrary& library = datedLibrary(int(state.range(0)));
    if (!library.list) {
        state.SkipWithError("could not build the library");
        return;
    }
    const platform::PredicatePtr filter = std::make_shared<SwitchedOffFilter>();
    const QVariantList groupTasks = library.list->value(QStringLiteral("tasks")).toList();
    if (!sectionsAgree(state, library, filter, groupTasks)) return;
    for (auto _ : state) benchmark::DoNotOptimize(sectionSizesByPredicate(library, filter, groupTasks));
}
BENCHMARK(BM_TodaySectionsFilter)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
