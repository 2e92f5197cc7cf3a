#include "sync/corvane_wire_log.h"

#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"

#include <QDateTime>
#include <QDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QString expandedTilde(const QString& path) {
    if (path == QStringLiteral("~")) return QDir::homePath();
    if (path.startsWith(QStringLiteral("~/"))) return QDir::homePath() + path.mid(1);
    return path;
}
}  // namespace

std::unique_ptr<TDCorvaneWireLog> TDCorvaneWireLog::openFromDefaults(const platform::UserDefaults& defaults) {
    const QString path = defaults.string(QStringLiteral("syncLogPath"));
    if (path.isEmpty()) return nullptr;
    return open(expandedTilde(path));
}

std::unique_ptr<TDCorvaneWireLog> TDCorvaneWireLog::open(const QString& path) {
    // Made with owner-only rights from the start, and narrowed when it existed already: the log holds
    // the account's data.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || ::fchmod(fd, 0600) != 0) {
        if (fd >= 0) ::close(fd);
        logWithLevel(TDLogError, "ERROR", "Could not open the sync log at '%@'", path);
        return nullptr;
    }
    std::unique_ptr<TDCorvaneWireLog> log(new TDCorvaneWireLog);
    if (!log->m_file.open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        logWithLevel(TDLogError, "ERROR", "Could not open the sync log at '%@'", path);
        return nullptr;
    }
    log->m_path = path;
    return log;
}

void TDCorvaneWireLog::addSecret(const QString& secret) {
    QMutexLocker lock(&m_mutex);
    if (!secret.isEmpty() && !m_secrets.contains(secret)) m_secrets.append(secret);
}

QString TDCorvaneWireLog::p_redacted(const QString& text) const {
    QString result = text;
    for (const QString& secret : m_secrets) result.replace(secret, QStringLiteral("<redacted>"));
    return result;
}

void TDCorvaneWireLog::log(const QString& text) {
    const QDateTime now = QDateTime::currentDateTime();
    const QString stamp = now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"));
    QMutexLocker lock(&m_mutex);
    const QByteArray line = (stamp + QStringLiteral(": ") + p_redacted(text) + QLatin1Char('\n')).toUtf8();
    m_file.write(line);
    m_file.flush();
}
