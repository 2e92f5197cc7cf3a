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
// Creates a log file of its own for a run that started at the moment: the moment's name, or when another
// run started in the same second already holds it, that name with "_2", "_3"... (sorting after it).
// Empty when the folder takes no new file.
QString claimLogFileForMoment(const QString& folder, const QString& prefix, const QDateTime& moment);
// This run's log file, claimed at the first call.
QString logFilePath();
// Entries directly in the log folder whose names begin with the prefix, oldest first.
QStringList logFilesWithPrefix(const QString& prefix, const QString& folder = logFolderPath());
void pruneLogFiles(const QString& prefix, const QString& folder = logFolderPath());
QString latestLogFilePath();
// Reopens standard error onto the file, appending. Leaves standard error alone when the folder cannot be
// made.
bool redirectStandardErrorToFile(const QString& path);
