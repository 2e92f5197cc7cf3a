#include "platform/base/local_zone.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr auto kZoneFileCheckInterval = std::chrono::seconds(1);
const QByteArray kSystemZoneFile = QByteArrayLiteral("/etc/localtime");

// What tells one zone file from its replacement: a changed link, inode or modification time.
struct ZoneFileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    QByteArray target;

    bool operator==(const ZoneFileIdentity& other) const {
        return device == other.device && inode == other.inode && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec && target == other.target;
    }
};

ZoneFileIdentity identityOf(const QByteArray& path) {
    ZoneFileIdentity identity;
    struct stat info {};
    if (lstat(path.constData(), &info) != 0) return identity;
    if (S_ISLNK(info.st_mode)) {
        char target[4096];
        const ssize_t length = readlink(path.constData(), target, sizeof target);
        if (length > 0) identity.target = QByteArray(target, qsizetype(length));
        if (stat(path.constData(), &info) != 0) return identity;
    }
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.modified = info.st_mtim;
    return identity;
}

struct ZoneState {
    std::mutex mutex;
    QByteArray adoptedFile;  // empty unless TDAdoptSystemTimeZone set TZ
    QByteArray variable;     // TZ as last seen
    bool variableSet = false;
    QByteArray watchedFile;  // the file the C library reads for the zone in force
    bool watchingAdopted = false;
    ZoneFileIdentity identity;
    std::chrono::steady_clock::time_point checked;
    quint64 generation = 0;
};

ZoneState& zoneState() {
    static ZoneState state;
    return state;
}

QByteArray adoptedValue(const QByteArray& file) {
    return ':' + file;
}

// The C library compares TZ with the value it last read and keeps its rules when they are equal, so
// TZ is unset for a moment (the system's file is read, as the C library does then) and set again.
void rereadAdoptedZone(const QByteArray& file) {
    qunsetenv("TZ");
    tzset();
    qputenv("TZ", adoptedValue(file));
    tzset();
}

}  // namespace

void TDAdoptSystemTimeZone(const QByteArray& zoneFile) {
    if (qEnvironmentVariableIsSet("TZ")) return;
    ZoneState& state = zoneState();
    std::lock_guard lock(state.mutex);
    state.adoptedFile = zoneFile;
    qputenv("TZ", adoptedValue(zoneFile));
    tzset();
}

quint64 TDLocalTimeZoneGeneration() {
    ZoneState& state = zoneState();
    std::lock_guard lock(state.mutex);
    // Asked for every remembered day, so the plain C call: Qt's would copy the value each time.
    const char* variable = std::getenv("TZ");
    const bool variableSet = variable != nullptr;
    const auto now = std::chrono::steady_clock::now();
    if (variableSet != state.variableSet || (variableSet && state.variable != variable) ||
        state.generation == 0) {
        state.variableSet = variableSet;
        state.variable = QByteArray(variable);
        const bool adopted = !state.adoptedFile.isEmpty() && variable == adoptedValue(state.adoptedFile);
        state.watchingAdopted = adopted;
        state.watchedFile = adopted ? state.adoptedFile : (variableSet ? QByteArray() : kSystemZoneFile);
        state.identity = state.watchedFile.isEmpty() ? ZoneFileIdentity() : identityOf(state.watchedFile);
        state.checked = now;
        ++state.generation;
        return state.generation;
    }
    if (state.watchedFile.isEmpty() || now - state.checked < kZoneFileCheckInterval) return state.generation;
    state.checked = now;
    ZoneFileIdentity identity = identityOf(state.watchedFile);
    if (identity == state.identity) return state.generation;
    state.identity = std::move(identity);
    // With TZ unset the C library reads the changed file by itself.
    if (state.watchingAdopted) {
        rereadAdoptedZone(state.adoptedFile);
        state.variable = qgetenv("TZ");
    }
    return ++state.generation;
}
