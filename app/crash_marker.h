#pragma once

#include <QString>

// A file that exists while the program runs: written at start, removed at a clean quit. Finding it at
// start means the last run ended without quitting, and the newest log is offered for a report.
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
};
