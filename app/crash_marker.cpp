#include "app/crash_marker.h"

#include "foundation/log_files.h"
#include "platform/base/log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// The running program that wrote the marker, if it still runs: the same executable under that id.
bool heldByAnotherRunningOrdello(const QString& markerPath) {
    QFile marker(markerPath);
    if (!marker.open(QIODevice::ReadOnly)) return false;
    bool isNumber = false;
    const qint64 pid = marker.read(32).trimmed().toLongLong(&isNumber);
    if (!isNumber || pid <= 0 || pid == QCoreApplication::applicationPid()) return false;
    const QString process = QStringLiteral("/proc/%1/exe").arg(pid);
    const QString executable = QFileInfo(process).symLinkTarget();
    return !executable.isEmpty() && executable == QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

}  // namespace

bool TDCrashMarker::noteStart(const QString& previousLogPath) {
    if (heldByAnotherRunningOrdello(m_path)) {
        logWithLevel(TDLogInfo, "INFO", "Another Ordello is running; its marker '%@' is left alone", m_path);
        return false;
    }
    const bool crashed = QFileInfo::exists(m_path);
    if (crashed)
        // The support window takes this offer to the user when it exists.
        logWithLevel(TDLogWarning, "WARNING",
                     "The last run of Ordello ended unexpectedly; its log '%@' can be "
                     "sent with a report",
                     previousLogPath.isEmpty() ? QStringLiteral("(none)") : previousLogPath);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QFile marker(m_path);
    if (!marker.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        logWithLevel(TDLogWarning, "WARNING", "Could not write '%@'", m_path);
        return crashed;
    }
    marker.write(QByteArray::number(QCoreApplication::applicationPid()) + '\n');
    m_written = true;
    return crashed;
}

void TDCrashMarker::noteCleanQuit() {
    if (m_written) QFile::remove(m_path);
}

QString TDCrashMarker::defaultPath() {
    return QDir(logFolderPath()).filePath(QStringLiteral("running"));
}
