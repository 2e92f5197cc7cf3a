#pragma once

#include <QFile>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>

namespace platform {
class UserDefaults;
}

// The wire log: requests and answers exchanged with the sync service, one time-stamped line each,
// appended to the file of the user default "syncLogPath". The file is readable by its owner only, and
// the secrets it is told about (the password, its Basic token) never reach it.
class TDCorvaneWireLog final {
public:
    // Nullptr when "syncLogPath" is not set, or its file cannot be opened (logged).
    static std::unique_ptr<TDCorvaneWireLog> openFromDefaults(const platform::UserDefaults& defaults);
    static std::unique_ptr<TDCorvaneWireLog> open(const QString& path);

    void addSecret(const QString& secret);
    // "<local date and time with milliseconds>: <text>" and a line feed.
    void log(const QString& text);
    QString filePath() const { return m_path; }

private:
    TDCorvaneWireLog() = default;
    QString p_redacted(const QString& text) const;

    QMutex m_mutex;
    QFile m_file;
    QString m_path;
    QStringList m_secrets;
};
