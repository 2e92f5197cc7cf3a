#include "platform/base/local_day.h"

#include "platform/base/local_zone.h"

#include <QHash>

#include <mutex>

namespace {

// Enough for every day anyone types or schedules; beyond it the cache starts afresh.
constexpr qsizetype kMaximumRememberedDays = 20000;
constexpr qint64 kJulianDayOfTheEpoch = 2440588;  // 1970-01-01

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

TDEpochMSecsReader::TDEpochMSecsReader() {
    // Brings an unset or changed zone into effect before the first day's offset is read.
    (void)TDLocalTimeZoneGeneration();
}

qint64 TDEpochMSecsReader::msecsSinceEpoch(const QDateTime& date) {
    if (date.timeSpec() != Qt::LocalTime || !date.isValid()) return date.toMSecsSinceEpoch();
    const QDate day = date.date();
    auto offset = m_dayOffsets.constFind(day.toJulianDay());
    if (offset == m_dayOffsets.constEnd()) {
        const int first = QDateTime(day, QTime(0, 0)).offsetFromUtc();
        const int last = QDateTime(day, QTime(23, 59, 59, 999)).offsetFromUtc();
        offset = m_dayOffsets.insert(day.toJulianDay(), first == last ? first : kChangingOffset);
    }
    if (*offset == kChangingOffset) return date.toMSecsSinceEpoch();
    constexpr qint64 kMSecsPerDay = 86400000;
    const qint64 wall =
        (day.toJulianDay() - kJulianDayOfTheEpoch) * kMSecsPerDay + date.time().msecsSinceStartOfDay();
    return wall - qint64(*offset) * 1000;
}
