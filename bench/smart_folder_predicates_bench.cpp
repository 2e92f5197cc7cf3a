// Smart-folder predicates over many tasks, against the same filters written by hand: the floor.
#include "platform/kvc/key_value_coding.h"
#include "platform/predicates/predicate_parser.h"
#include "platform/predicates/string_folding.h"

#include <QDateTime>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

using platform::KeyValueCoding;

struct BenchGroup : KeyValueCoding {
    QString title;
    QVariant value(const QString& key) const override {
        return key == QLatin1String("title") ? QVariant(title) : QVariant();
    }
};

// Reads its attributes the way a managed object does: a dispatch on the key, values as QVariant, nil for
// a missing date, to-many relationships as a list of objects.
struct BenchTask : KeyValueCoding {
    QString title;
    QString status;
    qint64 priority = 0;
    QDateTime startDate, dueDate, completedDate;
    bool archived = false;
    QList<const BenchGroup*> tags;
    QVariantList tagValues;
    const BenchGroup* list = nullptr;

    static QVariant date(const QDateTime& d) { return d.isValid() ? QVariant(d) : QVariant(); }

    QVariant value(const QString& key) const override {
        switch (key.size()) {
            case 4:
                if (key == QLatin1String("tags")) return tagValues;
                if (key == QLatin1String("list")) return platform::objectVariant(list);
                break;
            case 5:
                if (key == QLatin1String("title")) return title;
                break;
            case 6:
                if (key == QLatin1String("status")) return status;
                break;
            case 7:
                if (key == QLatin1String("dueDate")) return date(dueDate);
                break;
            case 8:
                if (key == QLatin1String("priority")) return priority;
                if (key == QLatin1String("archived")) return archived;
                break;
            case 9:
                if (key == QLatin1String("startDate")) return date(startDate);
                break;
            case 13:
                if (key == QLatin1String("completedDate")) return date(completedDate);
                break;
            default:
                break;
        }
        return {};
    }
};

struct Dates {
    QDateTime today, tomorrow, yesterday, near, weekAgo, inThreeDays;
};

struct Library {
    std::vector<std::unique_ptr<BenchGroup>> tags, lists;
    std::vector<BenchTask> tasks;
    Dates d;
    std::vector<platform::PredicatePtr> predicates;
};

QString s(const char* text) {
    return QString::fromUtf8(text);
}

Library makeLibrary(int count) {
    Library lib;
    const QDateTime today = QDate::currentDate().startOfDay().toUTC();
    lib.d = {today,           today.addDays(1), today.addDays(-1), today.addDays(4), today.addDays(-7),
             today.addDays(4)};
    for (const char* t : {"work", "home", "errands", "calls", "café", "reading", "garden", "someday"}) {
        lib.tags.push_back(std::make_unique<BenchGroup>());
        lib.tags.back()->title = s(t);
    }
    for (int i = 0; i < 10; ++i) {
        lib.lists.push_back(std::make_unique<BenchGroup>());
        lib.lists.back()->title = QStringLiteral("List %1").arg(i);
    }
    const char* words[] = {"Call",      "write",  "Report", "plan",  "meeting", "buy",
                           "groceries", "review", "Café",   "draft", "budget",  "fix",
                           "bike",      "email",  "Zoë",    "about", "the",     "quarterly"};
    std::mt19937 random(20261209);
    auto chance = [&](int percent) { return int(random() % 100) < percent; };
    auto dayOffset = [&]() { return today.addSecs(qint64(int(random() % (60 * 24)) - 30 * 24) * 3600); };
    lib.tasks.resize(size_t(count));
    for (BenchTask& t : lib.tasks) {
        QStringList title;
        for (int w = 0, n = 2 + int(random() % 4); w < n; ++w)
            title.append(s(words[random() % std::size(words)]));
        t.title = title.join(QLatin1Char(' '));
        t.priority = chance(40) ? 0 : qint64(1 + random() % 9);
        if (chance(50)) t.dueDate = dayOffset();
        if (chance(40)) t.startDate = dayOffset();
        if (chance(30)) t.completedDate = dayOffset();
        if (t.completedDate.isValid() && chance(15)) t.status = s("X");
        t.archived = chance(10);
        for (int k = 0, n = int(random() % 4); k < n; ++k) {
            const BenchGroup* tag = lib.tags[random() % lib.tags.size()].get();
            if (t.tags.contains(tag)) continue;
            t.tags.append(tag);
            t.tagValues.append(platform::objectVariant(tag));
        }
        if (!chance(10)) t.list = lib.lists[random() % lib.lists.size()].get();
    }

    const Dates& d = lib.d;
    const QVariant work = platform::objectVariant(lib.tags[0].get());
    const QVariant bundle =
        QVariantList{platform::objectVariant(lib.tags[2].get()), platform::objectVariant(lib.tags[3].get())};
    const QVariant folder =
        QVariantList{platform::objectVariant(lib.lists[1].get()), platform::objectVariant(lib.lists[2].get()),
                     platform::objectVariant(lib.lists[3].get())};
    const std::pair<const char*, QVariantList> formats[] = {
        {"((%@ <= completedDate AND completedDate < %@) OR (completedDate = NIL AND ((startDate = NIL AND "
         "dueDate < %@) "
         "OR startDate < %@))) AND archived != YES",
         {d.yesterday, d.tomorrow, d.near, d.tomorrow}},
        {"completedDate = NIL AND (dueDate >= %@ OR startDate >= %@) AND archived != YES",
         {d.tomorrow, d.tomorrow}},
        {"dueDate <[c] %@ AND completedDate == nil AND archived != YES", {d.today}},
        {"dueDate >= %@ AND dueDate < %@ AND archived != YES", {d.today, d.tomorrow}},
        {"completedDate >= %@ AND completedDate < %@ AND archived != YES", {d.weekAgo, d.tomorrow}},
        {"startDate >= %@ AND startDate < %@ AND archived != YES", {d.today, d.inThreeDays}},
        {"priority <=[c] %@ AND priority > 0 AND archived != YES", {2}},
        {"priority ==[c] %@ AND archived != YES", {1}},
        {"priority == 0 AND archived != YES", {}},
        {"title LIKE[c] %@ AND archived != YES", {s("*report*")}},
        {"NOT title LIKE[c] %@ AND archived != YES", {s("*call*")}},
        {"title BEGINSWITH[c] %@ AND archived != YES", {s("plan")}},
        {"title CONTAINS[cd] %@ AND archived != YES", {s("cafe")}},
        {"%@ IN tags AND archived != YES", {work}},
        {"NOT %@ IN tags AND archived != YES", {work}},
        {"tags.@count == 0 AND archived != YES", {}},
        {"ANY %@ IN tags AND archived != YES", {bundle}},
        {"list == %@ AND archived != YES", {platform::objectVariant(lib.lists[4].get())}},
        {"list IN %@ AND archived != YES", {folder}},
        {"status != 'X' AND (dueDate < %@ OR priority == 1) AND archived != YES", {d.today}},
    };
    for (const auto& [format, args] : formats)
        lib.predicates.push_back(*platform::predicateWithFormat(s(format), args));
    return lib;
}

template <typename Test>
int countIf(const std::vector<BenchTask>& tasks, Test test) {
    int n = 0;
    for (const BenchTask& t : tasks) n += test(t) ? 1 : 0;
    return n;
}

// The same twenty filters, each written out as a loop over the fields.
int handWritten(const Library& lib, int filter) {
    const Dates& d = lib.d;
    const auto& tasks = lib.tasks;
    const BenchGroup* work = lib.tags[0].get();
    const BenchGroup* l1 = lib.lists[1].get();
    const BenchGroup* l2 = lib.lists[2].get();
    const BenchGroup* l3 = lib.lists[3].get();
    switch (filter) {
        case 0:
            return countIf(tasks, [&](const BenchTask& t) {
                const bool done = t.completedDate.isValid() && d.yesterday <= t.completedDate &&
                                  t.completedDate < d.tomorrow;
                const bool open = !t.completedDate.isValid() &&
                                  ((!t.startDate.isValid() && t.dueDate.isValid() && t.dueDate < d.near) ||
                                   (t.startDate.isValid() && t.startDate < d.tomorrow));
                return (done || open) && !t.archived;
            });
        case 1:
            return countIf(tasks, [&](const BenchTask& t) {
                return !t.completedDate.isValid() &&
                       ((t.dueDate.isValid() && t.dueDate >= d.tomorrow) ||
                        (t.startDate.isValid() && t.startDate >= d.tomorrow)) &&
                       !t.archived;
            });
        case 2:
            return countIf(tasks, [&](const BenchTask& t) {
                return t.dueDate.isValid() && t.dueDate < d.today && !t.completedDate.isValid() &&
                       !t.archived;
            });
        case 3:
            return countIf(tasks, [&](const BenchTask& t) {
                return t.dueDate.isValid() && t.dueDate >= d.today && t.dueDate < d.tomorrow && !t.archived;
            });
        case 4:
            return countIf(tasks, [&](const BenchTask& t) {
                return t.completedDate.isValid() && t.completedDate >= d.weekAgo &&
                       t.completedDate < d.tomorrow && !t.archived;
            });
        case 5:
            return countIf(tasks, [&](const BenchTask& t) {
                return t.startDate.isValid() && t.startDate >= d.today && t.startDate < d.inThreeDays &&
                       !t.archived;
            });
        case 6:
            return countIf(
                tasks, [&](const BenchTask& t) { return t.priority <= 2 && t.priority > 0 && !t.archived; });
        case 7:
            return countIf(tasks, [&](const BenchTask& t) { return t.priority == 1 && !t.archived; });
        case 8:
            return countIf(tasks, [&](const BenchTask& t) { return t.priority == 0 && !t.archived; });
        case 9:
            return countIf(tasks, [&](const BenchTask& t) {
                return t.title.contains(QLatin1String("report"), Qt::CaseInsensitive) && !t.archived;
            });
        case 10:
            return countIf(tasks, [&](const BenchTask& t) {
                return !t.title.contains(QLatin1String("call"), Qt::CaseInsensitive) && !t.archived;
            });
        case 11:
            return countIf(tasks, [&](const BenchTask& t) {
                return t.title.startsWith(QLatin1String("plan"), Qt::CaseInsensitive) && !t.archived;
            });
        case 12:
            return countIf(tasks, [&](const BenchTask& t) {
                return platform::removingDiacritics(t.title).contains(QLatin1String("cafe"),
                                                                      Qt::CaseInsensitive) &&
                       !t.archived;
            });
        case 13:
            return countIf(tasks, [&](const BenchTask& t) { return t.tags.contains(work) && !t.archived; });
        case 14:
            return countIf(tasks, [&](const BenchTask& t) { return !t.tags.contains(work) && !t.archived; });
        case 15:
            return countIf(tasks, [&](const BenchTask& t) { return t.tags.isEmpty() && !t.archived; });
        case 16:
            return countIf(tasks, [&](const BenchTask& t) {
                return (t.tags.contains(lib.tags[2].get()) || t.tags.contains(lib.tags[3].get())) &&
                       !t.archived;
            });
        case 17:
            return countIf(tasks,
                           [&](const BenchTask& t) { return t.list == lib.lists[4].get() && !t.archived; });
        case 18:
            return countIf(tasks, [&](const BenchTask& t) {
                return t.list && (t.list == l1 || t.list == l2 || t.list == l3) && !t.archived;
            });
        case 19:
            return countIf(tasks, [&](const BenchTask& t) {
                return t.status != QLatin1String("X") &&
                       ((t.dueDate.isValid() && t.dueDate < d.today) || t.priority == 1) && !t.archived;
            });
        default:
            return 0;
    }
}

int withPredicate(const Library& lib, int filter) {
    const platform::PredicatePtr& predicate = lib.predicates[size_t(filter)];
    int n = 0;
    for (const BenchTask& t : lib.tasks) n += predicate->evaluate(&t) ? 1 : 0;
    return n;
}

const Library& library(int count) {
    static std::map<int, Library> libraries;
    auto found = libraries.find(count);
    if (found == libraries.end()) found = libraries.emplace(count, makeLibrary(count)).first;
    return found->second;
}

// The predicates must select exactly what the loops select, or the comparison means nothing.
bool agree(benchmark::State& state, const Library& lib) {
    for (int f = 0; f < int(lib.predicates.size()); ++f) {
        if (withPredicate(lib, f) != handWritten(lib, f)) {
            state.SkipWithError(QStringLiteral("filter %1 disagrees: %2 by predicate, %3 by hand")
                                    .arg(f)
                                    .arg(withPredicate(lib, f))
                                    .arg(handWritten(lib, f))
                                    .toStdString()
                                    .c_str());
            return false;
        }
    }
    return true;
}

void BM_SmartFolderPredicates(benchmark::State& state) {
    const Library& lib = library(int(state.range(0)));
    if (!agree(state, lib)) return;
    for (auto _ : state)
        for (int f = 0; f < int(lib.predicates.size()); ++f) benchmark::DoNotOptimize(withPredicate(lib, f));
    state.SetItemsProcessed(state.iterations() * state.range(0) * int64_t(lib.predicates.size()));
}
BENCHMARK(BM_SmartFolderPredicates)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_HandWrittenFilter(benchmark::State& state) {
    const Library& lib = library(int(state.range(0)));
    if (!agree(state, lib)) return;
    for (auto _ : state)
        for (int f = 0; f < int(lib.predicates.size()); ++f) benchmark::DoNotOptimize(handWritten(lib, f));
    state.SetItemsProcessed(state.iterations() * state.range(0) * int64_t(lib.predicates.size()));
}
BENCHMARK(BM_HandWrittenFilter)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
