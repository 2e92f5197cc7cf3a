#pragma once

#include "platform/base/format.h"

#include <QString>

// The one levelled logger. Levels: 1 "ERROR", 2 "WARNING", 3 "INFO", 4 "DEBUG". A line is written
// only when its level is at most the current level (3 until "logLevel" is read).
enum TDLogLevel : int { TDLogError = 1, TDLogWarning = 2, TDLogInfo = 3, TDLogDebug = 4 };

int logLevel();
void setLogLevel(int level);
bool isLogLevelEnabled(int level);

// Writes "<date time> <process>[<pid>:<tid>] <tag>: <text>" to standard error as one line.
void logText(int level, const QString& tag, const QString& text);

template <typename... Args>
void logWithLevel(int level, const char* tag, const char* format, const Args&... args) {
    if (!isLogLevelEnabled(level)) return;
    logText(level, QString::fromLatin1(tag), formatString(format, args...));
}

// Reads the stored user default "logLevel" (it has no registered value): without one the level stays.
void readLogLevelDefault();
