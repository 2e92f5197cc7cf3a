#include "platform/base/log.h"

#include "platform/defaults/user_defaults.h"

#include <QCoreApplication>
#include <QDateTime>

#include <sys/syscall.h>
#include <unistd.h>
#include <atomic>
#include <cstdio>
#include <mutex>

namespace {
std::atomic<int> g_level{TDLogInfo};
std::mutex g_writeMutex;
}  // namespace

int logLevel() {
    return g_level.load(std::memory_order_relaxed);
}

void setLogLevel(int level) {
    g_level.store(level, std::memory_order_relaxed);
}

bool isLogLevelEnabled(int level) {
    return level <= logLevel();
}

void logText(int level, const QString& tag, const QString& text) {
    if (!isLogLevelEnabled(level)) return;
    const QString name =
        QCoreApplication::instance() ? QCoreApplication::applicationName() : QStringLiteral("Ordello");
    const QByteArray line =
        QStringLiteral("%1 %2[%3:%4] %5: %6\n")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), name)
            .arg(getpid())
            .arg(static_cast<long>(syscall(SYS_gettid)))
            .arg(tag, text)
            .toUtf8();
    std::lock_guard lock(g_writeMutex);
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

void readLogLevelDefault() {
    const auto& defaults = platform::UserDefaults::standard();
    if (defaults.hasStoredValue(QStringLiteral("logLevel")))
        setLogLevel(defaults.integer(QStringLiteral("logLevel")));
}
