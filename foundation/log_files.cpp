#include "foundation/log_files.h"

#include "foundation/paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <mutex>

namespace {
constexpr int kKeptLogFiles = 9;
}

QString logFolderPath() {
    return applicationSupportPath() + QStringLiteral("/Logs");
}

QString logFileNamePrefix() {
    const QString exe =
        QCoreApplication::instance() ? QCoreApplication::applicationName() : QStringLiteral("Ordello");
    return exe + QLatin1Char(' ');
}

QString logFileNameForMoment(const QString& prefix, const QDateTime& moment) {
    const QDate d = moment.date();
    const QTime t = moment.time();
    const int seconds = t.hour() * 3600 + t.minute() * 60 + t.second();
    return QStringLiteral("%1%2-%3-%4-%5.log")
        .arg(prefix)
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(d.month(), 2, 10, QLatin1Char('0'))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(seconds, 6, 10, QLatin1Char('0'));
}

QString claimLogFileForMoment(const QString& folder, const QString& prefix, const QDateTime& moment) {
    // A run refused at start (the library held by another) must not write into the running one's log.
    constexpr int kMostRunsInOneSecond = 100;
    if (!QDir().mkpath(folder)) return {};
    const QString name = logFileNameForMoment(prefix, moment);
    const QString stem = name.chopped(4);
    for (int run = 1; run <= kMostRunsInOneSecond; ++run) {
        const QString candidate = run == 1 ? name : QStringLiteral("%1_%2.log").arg(stem).arg(run);
        QFile file(QDir(folder).filePath(candidate));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return file.fileName();
    }
    return {};
}

QString logFilePath() {
    static std::once_flag once;
    static QString path;
    std::call_once(once, [] {
        const QDateTime now = QDateTime::currentDateTime();
        path = claimLogFileForMoment(logFolderPath(), logFileNamePrefix(), now);
        if (path.isEmpty())
            path = logFolderPath() + QLatin1Char('/') + logFileNameForMoment(logFileNamePrefix(), now);
    });
    return path;
}

QStringList logFilesWithPrefix(const QString& prefix, const QString& folder) {
    QStringList paths;
    const QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    for (const QString& name : names)
        if (name.startsWith(prefix)) paths << dir.filePath(name);
    std::sort(paths.begin(), paths.end());
    return paths;
}

void pruneLogFiles(const QString& prefix, const QString& folder) {
    QStringList files = logFilesWithPrefix(prefix, folder);
    while (files.size() > kKeptLogFiles) QFile::remove(files.takeFirst());
}

QString latestLogFilePath() {
    const QStringList files = logFilesWithPrefix(logFileNamePrefix());
    return files.isEmpty() ? QString() : files.last();
}

bool redirectStandardErrorToFile(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) return false;
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return std::freopen(QFile::encodeName(path).constData(), "a", stderr) != nullptr;
}
