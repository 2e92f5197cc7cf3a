#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Log files: one per run in "Logs" under the application-support folder, named
// "<executable> YYYY-MM-DD-SSSSSS.log" (seconds since local midnight), at most 9 older ones kept.

QString logFolderPath();
QString logFileNamePrefix();
// The file name for a run that started at the given local moment.
QString logFileNameForMoment(const QString& prefix, const QDateTime& moment);
// This run's log file, fixed at the first call.
QString logFilePath();
// Entries directly in the log folder whose names begin with the prefix, oldest first.
QStringList logFilesWithPrefix(const QString& prefix, const QString& folder = logFolderPath());
void pruneLogFiles(const QString& prefix, const QString& folder = logFolderPath());
QString latestLogFilePath();
// Reopens standard error onto the file, appending, so two runs started in the same second share it
// instead of one truncating the other. Leaves standard error alone when the folder cannot be made.
bool redirectStandardErrorToFile(const QString& path);
