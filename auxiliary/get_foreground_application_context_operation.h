#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class QProcess;

// The window in front when quick entry was asked for: its class (the program, as the window manager
// knows it) and its title. Both empty where the desktop does not tell (Wayland).
struct TDForegroundWindow {
    QString windowClass;
    QString name;
};

// Asks the window in front for its context through an import script: an executable file named after
// the window's class, or "Default", looked up in each folder in turn (a "Default" in an earlier folder
// wins over a class's own script in a later one). It runs without a shell, within a time limit and an
// output limit; its standard output is a JSON array of objects whose keys are those of the library's
// import dictionaries. A class script gets the window's title as its one argument; "Default" gets the
// window's class and then its title. What goes wrong is logged with a beep, and the result block is
// not called; no script at all is no error. Main thread; deletes itself once done.
class TDGetForegroundApplicationContextOperation final : public QObject {
    Q_OBJECT
public:
    using DidGetContextBlock = std::function<void(const QList<QVariantMap>& dictionaries)>;

    static constexpr int DefaultTimeLimitMilliseconds = 5000;
    static constexpr qint64 DefaultOutputLimitBytes = 1 << 20;

    TDGetForegroundApplicationContextOperation(TDForegroundWindow window, QStringList scriptFolders,
                                               QObject* parent = nullptr);
    ~TDGetForegroundApplicationContextOperation() override;

    // "$XDG_DATA_HOME/Ordello/Import Scripts", then the installed "share/ordello/Import Scripts" beside
    // the program's folder.
    static QStringList defaultScriptFolders();
    // The script to run, or empty when none exists.
    static QString scriptPath(const QStringList& folders, const QString& windowClass);
    // The dictionaries of the script's output, or why it is not a JSON array of objects.
    static Result<QList<QVariantMap>> parseOutput(const QByteArray& output);

    void setDidGetContextBlock(DidGetContextBlock block) { m_block = std::move(block); }
    void setTimeLimit(int milliseconds) { m_timeLimit = milliseconds; }
    void setOutputLimit(qint64 bytes) { m_outputLimit = bytes; }

    // Finds and starts the script; the block is called later (never from inside start).
    void start();

Q_SIGNALS:
    // Once, whatever the outcome; the operation deletes itself afterwards.
    void finished();

private:
    void p_readOutput();
    void p_processFinished();
    void p_fail(const QString& reason);
    void p_finish();

    TDForegroundWindow m_window;
    QStringList m_folders;
    DidGetContextBlock m_block;
    int m_timeLimit = DefaultTimeLimitMilliseconds;
    qint64 m_outputLimit = DefaultOutputLimitBytes;
    QString m_script;
    QProcess* m_process = nullptr;  // child
    QByteArray m_output;
    bool m_done = false;
};
