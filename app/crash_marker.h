#pragma once

#include <QString>

// A file that exists while the program runs: written at start, removed at a clean quit. Finding it at
// start means the last run ended without quitting, and the newest log is offered for a report.
// The marker names the process that wrote it: a later process that finds it held by a running Ordello
// (one refused by the library lock) leaves it alone and never removes it.
class TDCrashMarker {
public:
    explicit TDCrashMarker(const QString& path) : m_path(path) {}

    // The marker of this run's start. True when an earlier run left its marker behind; the offer of
    // that run's log (`previousLogPath`) is logged.
    bool noteStart(const QString& previousLogPath);
    void noteCleanQuit();

    // "running" in the "Logs" folder.
    static QString defaultPath();

private:
    QString m_path;
    bool m_written = false;
};
