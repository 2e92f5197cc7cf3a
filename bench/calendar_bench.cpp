// Calendar sync over 2,000 linked tasks in two calendars, against the floor of the same work done with
// libical alone: a pass with nothing to do against parsing every file, and a first fill against writing
// every file with an atomic save.
#include "bench/bench_support.h"
#include "bench/main_thread_slices.h"
#include "model/calendar_store_sync_settings.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/calendarstore/calendar_store.h"
#include "platform/defaults/host_defaults.h"
#include "platform/defaults/user_defaults.h"
#include "platform/files/atomic_save.h"
#include "store/library_manager.h"
#include "sync/calendar_store_sync_manager.h"
#include "sync/calendar_store_sync_operation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <libical/ical.h>

#include <cstdio>

namespace {

// The open library of n tasks split over two lists, each mapped to a calendar of its own in a
// temporary vdir, with per-host preferences of its own.
class CalendarBench {
public:
    explicit CalendarBench(int n) : m_open(n) {
        if (!m_open.isOpen()) return;
        m_host = std::make_unique<platform::UserDefaults>(m_folder.path() + QStringLiteral("/host.conf"));
        platform::setHostUserDefaults(m_host.get());
        m_store = std::make_unique<platform::CalendarStore>(m_folder.path() + QStringLiteral("/Calendars"));
        platform::CalendarStore::setDefaultStore(m_store.get());
        TDLibrary* library = m_open.manager().library();
        TDList* first = nullptr;
        for (TDGroup* group : library->allGroups())
            if (group->isList() && group->orderedTasks()->count() >= n) first = static_cast<TDList*>(group);
        TDList* second = library->createList(QStringLiteral("Second"), library->foldersGroup());
        if (!first) return;
        const QList<TDTask*> tasks = first->orderedTasks()->objectsAs<TDTask>();
        for (int index = 0; index < tasks.size() / 2; ++index)
            (void)second->orderedTasks()->addObject(tasks[index]);
        library->managedObjectContext()->processPendingChanges();
        TDCalendarStoreSyncSettings settings = library->calendarStoreSyncSettings();
        settings.setSyncingEnabled(true, first->uid(), *m_store->createCalendar(QStringLiteral("First")));
        settings.setSyncingEnabled(true, second->uid(), *m_store->createCalendar(QStringLiteral("Second")));
        settings.setSyncingEnabled(true);
        m_manager = std::make_unique<TDCalendarStoreSyncManager>(&m_open.manager());
        m_ready = true;
    }
    ~CalendarBench() {
        m_manager.reset();
        platform::CalendarStore::setDefaultStore(nullptr);
        platform::setHostUserDefaults(nullptr);
    }

    bool isReady() const { return m_ready; }
    // A pass while the main thread is watched for stretches in which the window could not draw.
    void runPass() {
        BenchMainThreadSlices slices;
        m_manager->startSync();
        m_manager->waitUntilIdle();
        m_longestHop = std::max(m_longestHop, m_manager->lastOperation()->longestMainThreadHop());
        m_longestBlockNs = std::max(m_longestBlockNs, qint64(slices.longestMilliseconds() * 1e6));
        m_longestBlockCpuNs = std::max(m_longestBlockCpuNs, qint64(slices.longestCpuMilliseconds() * 1e6));
        m_longestBlockLessWaitNs =
            std::max(m_longestBlockLessWaitNs, qint64(slices.longestLessCpuWaitMilliseconds() * 1e6));
        m_longSlices += slices.longSlices();
    }
    // Calendars empty, tasks unlinked, nothing remembered: the next pass is a first fill.
    void forget() {
        for (const platform::Calendar& calendar : m_store->calendars()) {
            QDir dir(m_store->rootPath() + QLatin1Char('/') + calendar.uid());
            for (const QString& name : dir.entryList({QStringLiteral("*.ics")}, QDir::Files))
                dir.remove(name);
        }
        TDLibrary* library = m_open.manager().library();
        for (TDTask* task : library->allTasks())
            task->setValue(QStringLiteral("calendarStoreUID"), QVariant());
        library->managedObjectContext()->processPendingChanges();
        m_host->removeValue(QStringLiteral("calendarStoreCalendarSyncDates"));
        m_host->removeValue(QStringLiteral("calendarStoreCalendarSyncMemory"));
        // Written now, the write the change asked for included, so that the pass does not find the
        // settings being written by the setup.
        QCoreApplication::processEvents();
        m_host->synchronize();
    }
    QStringList taskFiles() const {
        QStringList files;
        for (const platform::Calendar& calendar : m_store->calendars()) {
            QDir dir(m_store->rootPath() + QLatin1Char('/') + calendar.uid());
            for (const QString& name : dir.entryList({QStringLiteral("*.ics")}, QDir::Files))
                files.append(dir.filePath(name));
        }
        return files;
    }
    void resetLongestHop() {
        m_longestHop = 0;
        m_longestBlockNs = 0;
        m_longestBlockCpuNs = 0;
        m_longestBlockLessWaitNs = 0;
        m_longSlices.clear();
    }
    double longestHopMilliseconds() const { return m_longestHop * 1000; }
    double longestBlockMilliseconds() const { return double(m_longestBlockNs) / 1e6; }
    double longestBlockCpuMilliseconds() const { return double(m_longestBlockCpuNs) / 1e6; }
    double longestBlockLessCpuWaitMilliseconds() const { return double(m_longestBlockLessWaitNs) / 1e6; }
    const QStringList& longSlices() const { return m_longSlices; }

private:
    QTemporaryDir m_folder;
    BenchOpenLibrary m_open;
    std::unique_ptr<platform::UserDefaults> m_host;
    std::unique_ptr<platform::CalendarStore> m_store;
    std::unique_ptr<TDCalendarStoreSyncManager> m_manager;
    bool m_ready = false;
    double m_longestHop = 0;
    qint64 m_longestBlockNs = 0;
    qint64 m_longestBlockCpuNs = 0;
    qint64 m_longestBlockLessWaitNs = 0;
    QStringList m_longSlices;
};

void BM_CalendarPassUnchanged(benchmark::State& state) {
    CalendarBench bench(static_cast<int>(state.range(0)));
    if (!bench.isReady()) return state.SkipWithError("could not set up the library");
    bench.runPass();
    bench.runPass();
    bench.resetLongestHop();
    for (auto _ : state) bench.runPass();
    state.counters["longest_hop_ms"] = bench.longestHopMilliseconds();
}
BENCHMARK(BM_CalendarPassUnchanged)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_CalendarPassFirstFill(benchmark::State& state) {
    CalendarBench bench(static_cast<int>(state.range(0)));
    if (!bench.isReady()) return state.SkipWithError("could not set up the library");
    for (auto _ : state) {
        state.PauseTiming();
        bench.forget();
        state.ResumeTiming();
        bench.runPass();
    }
    state.counters["longest_hop_ms"] = bench.longestHopMilliseconds();
    state.counters["longest_block_ms"] = bench.longestBlockMilliseconds();
    state.counters["longest_block_cpu_ms"] = bench.longestBlockCpuMilliseconds();
    state.counters["longest_block_less_cpu_wait_ms"] = bench.longestBlockLessCpuWaitMilliseconds();
    // What kept the window from drawing, for whoever goes after it.
    for (const QString& slice : bench.longSlices())
        std::fprintf(stderr, "long main-thread slice: %s\n", qPrintable(slice));
}
BENCHMARK(BM_CalendarPassFirstFill)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(3);

QByteArray floorTodo(int index) {
    icalcomponent* calendar = icalcomponent_new(ICAL_VCALENDAR_COMPONENT);
    icalcomponent_add_property(calendar, icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar, icalproperty_new_prodid("-//Floor//EN"));
    icalcomponent* todo = icalcomponent_new(ICAL_VTODO_COMPONENT);
    const QByteArray uid = QByteArray::number(index).rightJustified(12, '0');
    icalcomponent_set_uid(todo, uid.constData());
    icalcomponent_add_property(todo, icalproperty_new_summary(("Task " + uid).constData()));
    const icaltimetype now = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
    icalcomponent_add_property(todo, icalproperty_new_dtstamp(now));
    icalcomponent_add_property(todo, icalproperty_new_lastmodified(now));
    icalcomponent_add_property(todo, icalproperty_new_created(now));
    icalcomponent_add_component(calendar, todo);
    char* text = icalcomponent_as_ical_string_r(calendar);
    QByteArray data(text);
    icalmemory_free_buffer(text);
    icalcomponent_free(calendar);
    return data;
}

void writeFloor(const QString& folder, int n) {
    for (int index = 0; index < n; ++index)
        (void)platform::writeFileAtomically(folder + QStringLiteral("/%1.ics").arg(index), floorTodo(index));
}

void BM_WriteVdirFloor(benchmark::State& state) {
    QTemporaryDir folder;
    for (auto _ : state) writeFloor(folder.path(), static_cast<int>(state.range(0)));
}
BENCHMARK(BM_WriteVdirFloor)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadVdirFloor(benchmark::State& state) {
    QTemporaryDir folder;
    writeFloor(folder.path(), static_cast<int>(state.range(0)));
    const QDir dir(folder.path());
    for (auto _ : state) {
        for (const QString& name : dir.entryList({QStringLiteral("*.ics")}, QDir::Files)) {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) continue;
            const QByteArray data = file.readAll();
            icalcomponent* calendar = icalparser_parse_string(data.constData());
            benchmark::DoNotOptimize(calendar);
            icalcomponent_free(calendar);
        }
    }
}
BENCHMARK(BM_ReadVdirFloor)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
