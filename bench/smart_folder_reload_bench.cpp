// Reloading every smart folder of a large library (Today, Upcoming and ten folders with rules), against
// the same twelve selections written as plain loops over the same tasks: the floor.
#include "auxiliary/rule_editor_model.h"
#include "bench/bench_support.h"
#include "language/date_additions.h"
#include "model/comparison_rule.h"
#include "model/compound_rule.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/smart_folder.h"
#include "model/smart_folder_rule_fields.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"

#include <QSet>

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <memory>

namespace {

TRRulePtr leaf(const QString& keyPath, int condition, const QVariant& value, int ruleType) {
    auto rule = std::make_shared<TRComparisonRule>(ruleType);
    rule->setKeyPath(keyPath);
    rule->setConditionType(condition);
    rule->setValue(value);
    return rule;
}

TRRulePtr compound(int type, const QList<TRRulePtr>& rules) {
    auto rule = std::make_shared<TRCompoundRule>(type);
    for (const TRRulePtr& subrule : rules) rule->addSubrule(subrule);
    return rule;
}

struct SmartLibrary : BenchNewLibrary {
    std::unique_ptr<TDTestClock> clock;
    QList<TDList*> lists;
    QList<TDTag*> tags;
    QDateTime today;
    // The hand-written selections, in the order of `folders`.
    QList<std::function<bool(TDTask*)>> floors;
    QList<TDSmartFolder*> folders;

    explicit SmartLibrary(int n) {
        clock = std::make_unique<TDTestClock>(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        TDClock::setShared(clock.get());
        today = dates::dateAtStartOfDay(clock->currentDateTime());
        if (!open()) return;
        for (int i = 0; i < 50; ++i)
            lists << library->createList(QStringLiteral("List %1").arg(i), library->foldersGroup());
        for (int i = 0; i < 5; ++i) tags << library->createTagWithTitle(QStringLiteral("tag%1").arg(i));
        TDTask* parent = nullptr;
        for (int i = 0; i < n; ++i) {
            TDTask* task = library->createOrphanTask();
            task->setTitle(QStringLiteral("Task number %1 with a title of usual length").arg(i));
            task->setValue(QStringLiteral("priority"), i % 4);
            if (i % 3 == 0) task->setDueDate(dates::dateByAddingDays(today, (i % 40) - 20));
            if (i % 7 == 0) task->setStartDate(dates::dateByAddingDays(today, (i % 30) - 15));
            if (i % 11 == 0) task->addObject(QStringLiteral("tags"), tags[(i / 11) % tags.size()]);
            if (i % 5 == 0 || !parent) {
                lists[i % lists.size()]->addTasks({task});
                parent = task;
            } else {
                parent->addSubtasks({task});
            }
            if (i % 4 == 0 && i % 5 != 0) task->setCompleted(true);
            if (i % 13 == 0) task->setCanceled(true);
        }
        p_addFolders();
        context->processPendingChanges();
        context->recalculateTransientProperties();
        library->reloadAllSmartFolders();
        context->processPendingChanges();
        context->setCreatingLibrary(false);
    }
    ~SmartLibrary() { TDClock::setShared(nullptr); }

    void p_add(const QString& title, const TRRulePtr& rule, std::function<bool(TDTask*)> floor) {
        auto* folder = TDSmartFolder::from(library->createSmartFolder());
        folder->setTitle(title);
        (void)library->foldersGroup()->orderedSubgroups()->addObject(folder);  // a new folder always joins
        folder->setRule(rule);
        folders << folder;
        floors << std::move(floor);
    }

    void p_addFolders() {
        const qint64 near =
            platform::UserDefaults::standard().integer(QStringLiteral("nearFutureNumberOfDays"));
        const QDateTime yesterday = dates::dateByAddingDays(today, -1);
        const QDateTime tomorrow = dates::dateByAddingDays(today, 1);
        const QDateTime horizon = dates::dateByAddingDays(today, near + 1);
        folders << TDSmartFolder::from(library->todayGroup())
                << TDSmartFolder::from(library->upcomingGroup());
        // Dates as milliseconds: what a hand-written filter would compare.
        const qint64 yesterdayMs = yesterday.toMSecsSinceEpoch();
        const qint64 tomorrowMs = tomorrow.toMSecsSinceEpoch();
        const qint64 horizonMs = horizon.toMSecsSinceEpoch();
        floors << [=](TDTask* t) {
            const QDateTime completed = t->completedDate();
            const QDateTime start = t->startDate();
            const QDateTime due = t->dueDate();
            if (t->isArchived()) return false;
            if (completed.isValid()) {
                const qint64 ms = completed.toMSecsSinceEpoch();
                return yesterdayMs <= ms && ms < tomorrowMs;
            }
            if (start.isValid()) return start.toMSecsSinceEpoch() < tomorrowMs;
            return due.isValid() && due.toMSecsSinceEpoch() < horizonMs;
        };
        floors << [=](TDTask* t) {
            if (t->isArchived() || t->completedDate().isValid()) return false;
            const QDateTime start = t->startDate();
            const QDateTime due = t->dueDate();
            return (due.isValid() && due.toMSecsSinceEpoch() >= tomorrowMs) ||
                   (start.isValid() && start.toMSecsSinceEpoch() >= tomorrowMs);
        };
        TDList* first = lists[0];
        p_add(QStringLiteral("first list"),
              leaf(QStringLiteral("group"), TRConditionEqualTo, first->uid(), TRRuleTypeList),
              [=](TDTask* t) { return !t->isArchived() && t->list() == first; });
        p_add(QStringLiteral("urgent"),
              leaf(QStringLiteral("priority"), TRConditionLessThanOrEqualTo, 1, TRRuleTypeNumber),
              [](TDTask* t) { return !t->isArchived() && t->priority() <= 1 && t->priority() > 0; });
        TDTag* tag = tags[0];
        p_add(QStringLiteral("tagged"),
              leaf(QStringLiteral("tag"), TRConditionEqualTo, tag->uid(), TRRuleTypeList), [=](TDTask* t) {
                  return !t->isArchived() && t->objects(QStringLiteral("tags")).contains(tag);
              });
        p_add(QStringLiteral("untagged"),
              leaf(QStringLiteral("tag"), TRConditionEqualTo, QVariant(), TRRuleTypeList),
              [](TDTask* t) { return !t->isArchived() && t->objects(QStringLiteral("tags")).isEmpty(); });
        p_add(QStringLiteral("not canceled"),
              leaf(QStringLiteral("canceledDate"), TRConditionEqualTo, QVariant(), TRRuleTypeDate),
              [](TDTask* t) { return !t->isArchived() && !t->isCanceled(); });
        auto within = std::make_shared<TRComparisonRule>(TRRuleTypeDate);
        within->setKeyPath(QStringLiteral("dueDate"));
        within->setConditionType(TRConditionWithinTheNext);
        within->setRelativeDateQuantity(7);
        QDateTime lower;
        QDateTime upper;
        within->getRelativeLowerBoundDate(&lower, &upper);
        const qint64 lowerMs = lower.toMSecsSinceEpoch();
        const qint64 upperMs = upper.toMSecsSinceEpoch();
        p_add(QStringLiteral("due this week"), within, [=](TDTask* t) {
            const QDateTime due = t->dueDate();
            if (t->isArchived() || !due.isValid()) return false;
            const qint64 ms = due.toMSecsSinceEpoch();
            return ms >= lowerMs && ms < upperMs;
        });
        p_add(QStringLiteral("no start"),
              leaf(QStringLiteral("startDate"), TRConditionIsNil, QVariant(), TRRuleTypeDate),
              [](TDTask* t) { return !t->isArchived() && !t->startDate().isValid(); });
        QSet<platform::ManagedObject*> folderLists;
        for (TDGroup* list : library->foldersGroup()->descendentLists()) folderLists.insert(list);
        // Naming the folders group takes its lists and the smart folders below it (the other user
        // folders here; naming itself adds nothing).
        const qsizetype allFolders = floors.size();
        p_add(
            QStringLiteral("all folders"),
            leaf(QStringLiteral("group"), TRConditionEqualTo, library->foldersGroup()->uid(), TRRuleTypeList),
            {});
        TDList* second = lists[1];
        p_add(QStringLiteral("second or urgent open"),
              compound(TRRuleTypeAny,
                       {leaf(QStringLiteral("group"), TRConditionEqualTo, second->uid(), TRRuleTypeList),
                        compound(TRRuleTypeAll,
                                 {leaf(QStringLiteral("priority"), TRConditionEqualTo, 1, TRRuleTypeNumber),
                                  leaf(QStringLiteral("completedDate"), TRConditionIsNil, QVariant(),
                                       TRRuleTypeDate)})}),
              [=](TDTask* t) {
                  return !t->isArchived() &&
                         (t->list() == second || (t->priority() == 1 && !t->completedDate().isValid()));
              });
        p_add(
            QStringLiteral("title"),
            leaf(QStringLiteral("title"), TRConditionContains, QStringLiteral("number 7"), TRRuleTypeString),
            [](TDTask* t) {
                return !t->isArchived() &&
                       t->title().contains(QLatin1String("number 7"), Qt::CaseInsensitive);
            });
        QList<std::function<bool(TDTask*)>> others;
        for (qsizetype i = 2; i < floors.size(); ++i)
            if (i != allFolders) others << floors[i];
        floors[allFolders] = [=](TDTask* t) {
            if (t->isArchived()) return false;
            if (folderLists.contains(t->list())) return true;
            for (const auto& other : others)
                if (other(t)) return true;
            return false;
        };
    }
};

SmartLibrary& smartLibrary(int n) {
    static std::map<int, std::unique_ptr<SmartLibrary>> libraries;
    auto& library = libraries[n];
    if (!library) library = std::make_unique<SmartLibrary>(n);
    return *library;
}

void BM_ReloadAllSmartFolders(benchmark::State& state) {
    SmartLibrary& library = smartLibrary(int(state.range(0)));
    if (!library.library) {
        state.SkipWithError("could not build the library");
        return;
    }
    for (auto _ : state) library.library->reloadAllSmartFolders();
    qint64 members = 0;
    for (TDSmartFolder* folder : library.folders) members += folder->tasks().size();
    state.counters["members"] = double(members);
}
BENCHMARK(BM_ReloadAllSmartFolders)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same twelve selections by hand over every unarchived task, compared with what each folder holds.
void BM_HandWrittenSmartFolderFloor(benchmark::State& state) {
    SmartLibrary& library = smartLibrary(int(state.range(0)));
    if (!library.library) {
        state.SkipWithError("could not build the library");
        return;
    }
    qint64 members = 0;
    qint64 mismatches = 0;
    for (auto _ : state) {
        const QList<TDTask*> tasks = library.library->allTasks();
        members = 0;
        mismatches = 0;
        for (qsizetype f = 0; f < library.folders.size(); ++f) {
            const auto& floor = library.floors[f];
            const platform::ObjectSet& held = library.folders[f]->objects(QStringLiteral("tasks"));
            for (TDTask* task : tasks) {
                const bool matches = floor(task);
                members += matches;
                mismatches += matches != held.contains(task);
            }
        }
    }
    state.counters["members"] = double(members);
    state.counters["mismatches"] = double(mismatches);
}
BENCHMARK(BM_HandWrittenSmartFolderFloor)->Arg(100000)->Unit(benchmark::kMillisecond);

// A folder whose rule has 30 rows: "All" over "Any" of 28 title tests.
TRRulePtr thirtyRowRule() {
    QList<TRRulePtr> titles;
    for (int i = 0; i < 28; ++i)
        titles << leaf(QStringLiteral("title"), TRConditionContains, QStringLiteral("number %1").arg(i * 37),
                       TRRuleTypeString);
    return compound(TRRuleTypeAll, {compound(TRRuleTypeAny, titles)});
}

TDSmartFolder* thirtyRowFolder(SmartLibrary& library) {
    static TDSmartFolder* folder = nullptr;
    if (!folder) {
        folder = TDSmartFolder::from(library.library->createSmartFolder());
        (void)library.library->foldersGroup()->orderedSubgroups()->addObject(folder);
        folder->setRule(thirtyRowRule());
    }
    return folder;
}

// Reloading that folder alone: the baseline of an edit in the smart-folder sheet.
void BM_ReloadOneSmartFolder(benchmark::State& state) {
    SmartLibrary& library = smartLibrary(int(state.range(0)));
    if (!library.library) {
        state.SkipWithError("could not build the library");
        return;
    }
    TDSmartFolder* folder = thirtyRowFolder(library);
    for (auto _ : state) folder->reloadTasks();
    state.counters["members"] = double(folder->tasks().size());
}
BENCHMARK(BM_ReloadOneSmartFolder)->Arg(100000)->Unit(benchmark::kMillisecond);

// A condition changed in the folder's rule in the editor: the rows rebuilt, the folder given the rule
// and its tasks reloaded (the count the source list shows). Compare with BM_ReloadOneSmartFolder.
void BM_RuleEditorEditOneRow(benchmark::State& state) {
    SmartLibrary& library = smartLibrary(int(state.range(0)));
    if (!library.library) {
        state.SkipWithError("could not build the library");
        return;
    }
    TDSmartFolder* folder = thirtyRowFolder(library);
    TRRuleEditorModel editor;
    editor.setFields(TDSmartFolderRuleFields(true));
    editor.setRules({folder->rule()});
    if (editor.numberOfRows() != 30) {
        state.SkipWithError("the rule does not have 30 rows");
        return;
    }
    bool beginsWith = false;
    for (auto _ : state) {
        beginsWith = !beginsWith;
        editor.setConditionOfRow(5, beginsWith ? TRConditionBeginsWith : TRConditionContains);
        editor.update();
        folder->setRule(editor.rules().last());
        folder->reloadTasks();
        benchmark::DoNotOptimize(folder->tasks().size());
    }
    state.counters["rows"] = double(editor.numberOfRows());
}
BENCHMARK(BM_RuleEditorEditOneRow)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
