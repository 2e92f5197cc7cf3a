#include "platform/base/local_day.h"

#include <QHash>

#include <chrono>
#include <cstdlib>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto kZoneFileCheckInterval = std::chrono::seconds(1);
// Enough for every day anyone types or schedules; beyond it the cache starts afresh.
constexpr qsizetype kMaximumRememberedDays = 20000;

struct ZoneFile {
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    QByteArray target;

    bool operator==(const ZoneFile& other) const {
        return device == other.device && inode == other.inode && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec && target == other.target;
    }
};

ZoneFile currentZoneFile() {
    constexpr const char* kPath = "/etc/localtime";
    ZoneFile file;
    struct stat info {};
    if (lstat(kPath, &info) == 0) {
        if (S_ISLNK(info.st_mode)) {
            char target[4096];
            const ssize_t length = readlink(kPath, target, sizeof target);
            if (length > 0) file.target = QByteArray(target, qsizetype(length));
            if (stat(kPath, &info) != 0) return file;
        }
        file.device = info.st_dev;
        file.inode = info.st_ino;
        file.modified = info.st_mtim;
    }
    return file;
}

struct DayCache {
    std::mutex mutex;
    QByteArray zoneVariable;
    bool zoneVariableSet = false;
    ZoneFile zoneFile;
    std::chrono::steady_clock::time_point zoneFileChecked;
    QHash<qint64, QDateTime> startsByJulianDay;

    // Forgets every day when the zone may have changed.
    void checkZone() {
        const char* variable = std::getenv("TZ");
        if (bool(variable) != zoneVariableSet || (variable && zoneVariable != variable)) {
            zoneVariableSet = bool(variable);
            zoneVariable = variable ? QByteArray(variable) : QByteArray();
            startsByJulianDay.clear();
        }
        const auto now = std::chrono::steady_clock::now();
        if (now - zoneFileChecked < kZoneFileCheckInterval && zoneFileChecked.time_since_epoch().count() != 0)
            return;
        zoneFileChecked = now;
        ZoneFile file = currentZoneFile();
        if (file == zoneFile) return;
        zoneFile = std::move(file);
        startsByJulianDay.clear();
    }
};

DayCache& dayCache() {
    static DayCache cache;
    return cache;
}

}  // namespace

QDateTime TDStartOfLocalDay(QDate date) {
    if (!date.isValid()) return {};
    DayCache& cache = dayCache();
    std::lock_guard lock(cache.mutex);
    cache.checkZone();
    const auto known = cache.startsByJulianDay.constFind(date.toJulianDay());
    if (known != cache.startsByJulianDay.constEnd()) return *known;
    const QDateTime start = date.startOfDay();
    if (!start.isValid()) return start;
    if (cache.startsByJulianDay.size() >= kMaximumRememberedDays) cache.startsByJulianDay.clear();
    cache.startsByJulianDay.insert(date.toJulianDay(), start);
    return start;
}
