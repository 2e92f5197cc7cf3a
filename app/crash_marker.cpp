#include "app/crash_marker.h"

#include "foundation/log_files.h"
#include "platform/base/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

bool TDCrashMarker::noteStart(const QString& previousLogPath) {
    const bool crashed = QFileInfo::exists(m_path);
    if (crashed)
        // The support window takes this offer to the user when it exists.
        logWithLevel(TDLogWarning, "WARNING",
                     "The last run of Ordello ended unexpectedly; its log '%@' can be "
                     "sent with a report",
                     previousLogPath.isEmpty() ? QStringLiteral("(none)") : previousLogPath);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QFile marker(m_path);
    if (!marker.open(QIODevice::WriteOnly | QIODevice::Truncate))
        logWithLevel(TDLogWarning, "WARNING", "Could not write '%@'", m_path);
    return crashed;
}

void TDCrashMarker::noteCleanQuit() {
    QFile::remove(m_path);
}

QString TDCrashMarker::defaultPath() {
    return QDir(logFolderPath()).filePath(QStringLiteral("running"));
}
