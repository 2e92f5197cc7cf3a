#pragma once

#include "store/library_operation.h"

#include <QObject>
#include <QString>

class TDAlertPrompter;
class TDLibraryManager;

namespace platform {
class OperationQueue;
}

// The state of the import window while a library is restored from a backup: it queues the restore on
// a queue of its own, follows its progress and tells the user how it ended. The window only draws it.
class TDImportProgress final : public QObject, public TDLibraryOperationDelegate {
    Q_OBJECT

public:
    // The restore replaces the manager's library; the prompter shows the alert after a finished restore.
    // Neither is owned.
    TDImportProgress(TDLibraryManager& manager, TDAlertPrompter& prompter, QObject* parent = nullptr);
    ~TDImportProgress() override;

    // Backups ("odlbackup", also gzip-compressed) and property lists ("plist", "xml", "gz"), restored
    // over the manager's package. Another kind of file is logged and starts nothing (false).
    bool restoreLibraryFromBackupAtPath(const QString& path);
    // Cancels the restore and closes.
    void cancelRestore();

    QString headerText() const { return m_headerText; }
    QString statusText() const { return m_statusText; }  // empty: hidden
    bool isIndeterminate() const { return m_maximum <= 0; }
    qint64 maximum() const { return m_maximum; }
    qint64 value() const { return m_value; }
    bool isShown() const { return m_shown; }
    // The last restore ended in an error.
    bool restoreFailed() const { return m_restoreFailed; }
    platform::OperationQueue* importOperationQueue() const { return m_queue; }

    // Progress of the running restore, from any thread.
    void importerDidSetMaxProgress(qint64 maximum);
    void importerDidSetCurrentProgress(qint64 value);

    void libraryOperationDidFinish(TDLibraryOperation* operation) override;
    void libraryOperationDidFailWithError(TDLibraryOperation* operation, const TDError& error) override;

Q_SIGNALS:
    void changed();
    void shownChanged(bool shown);

private:
    void p_close();

    TDLibraryManager& m_manager;
    TDAlertPrompter& m_prompter;
    platform::OperationQueue* m_queue;
    QString m_headerText;
    QString m_statusText;
    qint64 m_maximum = 0;
    qint64 m_value = 0;
    qint64 m_countOfProgressAdvances = 0;
    qint64 m_startTime = 0;  // milliseconds since the epoch
    bool m_shown = false;
    bool m_restoreFailed = false;
};
