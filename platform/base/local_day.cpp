#include "platform/base/local_day.h"

#include "platform/base/local_zone.h"

#include <QHash>

#include <mutex>

namespace {

// Enough for every day anyone types or schedules; beyond it the cache starts afresh.
constexpr qsizetype kMaximumRememberedDays = 20000;

struct DayCache {
    std::mutex mutex;
    quint64 zoneGeneration = 0;
    // The QDateTime itself: one rebuilt from its instant would ask the C library again.
    QHash<qint64, QDateTime> startsByJulianDay;
};

DayCache& dayCache() {
    static DayCache cache;
    return cache;
}

}  // namespace

QDateTime TDStartOfLocalDay(QDate date) {
    if (!date.isValid()) return {};
    const quint64 generation = TDLocalTimeZoneGeneration();
    DayCache& cache = dayCache();
    std::lock_guard lock(cache.mutex);
    if (generation != cache.zoneGeneration) {
        cache.startsByJulianDay.clear();
        cache.zoneGeneration = generation;
    }
    const auto known = cache.startsByJulianDay.constFind(date.toJulianDay());
    if (known != cache.startsByJulianDay.constEnd()) return *known;
    const QDateTime start = date.startOfDay();
    if (!start.isValid()) return start;
    if (cache.startsByJulianDay.size() >= kMaximumRememberedDays) cache.startsByJulianDay.clear();
    cache.startsByJulianDay.insert(date.toJulianDay(), start);
    return start;
}
