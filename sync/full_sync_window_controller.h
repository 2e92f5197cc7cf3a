#pragma once

#include "store/library_operation.h"
#include "sync/corvane_change_set.h"
#include "sync/corvane_connection.h"
#include "sync/sync_alert_panel_controller.h"

#include <QVariantMap>

#include <optional>

class TDLibraryManager;

namespace platform {
class OperationQueue;
}

// The full-sync window without its window: first the full-sync question, then the progress of the
// full sync, then its end ("Sync finished") or its error with Retry and Cancel. The full sync runs on
// the window's own queue: on the manager's sync queue it would wait for itself, since the library's
// change handlers finish that queue's work before the library is replaced.
class TDFullSyncWindowController final : public TDSyncAlertPanelController,
                                         public TDLibraryOperationDelegate {
    Q_OBJECT
public:
    enum class Page { Alert, Progress };

    explicit TDFullSyncWindowController(TDLibraryManager& manager, QObject* parent = nullptr);
    // Waits for its queue; the window closes only once nothing runs there (shouldCloseWindow).
    ~TDFullSyncWindowController() override;

    // Where the operations connect; the program's own unless set (tests give their service's).
    void setConnectionOptions(const std::optional<TDCorvaneConnection::Options>& options) {
        m_options = options;
    }

    // The full-sync question for the library's account: required while it has never synced.
    void showFullSyncAlert();
    // The question's "Full Sync" starts the chosen kind, its second button signs a never-synced library
    // out; after a failure they are Retry and Cancel; after the end, the one button closes.
    void buttonPressed(int tag) override;
    // The kind chosen in the question's pop-up.
    void setSyncType(TDCorvaneSyncType type) { m_syncType = type; }
    TDCorvaneSyncType syncType() const { return m_syncType; }
    bool offersSyncType() const { return m_offersSyncType; }
    // The alert shown is the full-sync question (with the kinds pop-up when offered).
    bool isAskingQuestion() const { return m_page == Page::Alert && m_ending == Ending::Question; }

    // Saves the library, then runs the full sync of the type with the stored account.
    void performFullSync(TDCorvaneSyncType type);
    void retry();
    void cancel();
    bool isRunning() const;
    // Canceled, or nothing left on the queue.
    bool shouldCloseWindow() const;

    Page page() const { return m_page; }
    QString progressText() const { return m_progressText; }
    // Indeterminate progress has no maximum.
    bool isProgressDeterminate() const { return m_progressMaximum > 0; }
    qint64 progressMaximum() const { return m_progressMaximum; }
    qint64 progressValue() const { return m_progressValue; }
    bool isProgressAnimating() const { return m_progressAnimating; }

    void libraryOperationDidFinish(TDLibraryOperation* operation) override;
    void libraryOperationDidFailWithError(TDLibraryOperation* operation, const TDError& error) override;

Q_SIGNALS:
    void pageChanged();
    void progressChanged();

private:
    enum class Ending { Question, Failure, Done };
    void p_syncProgressDidChange(const QVariantMap& userInfo);
    void p_fail(const TDError& error);
    void p_setProgress(const QString& text, qint64 maximum, qint64 value, bool animating);
    void p_setPage(Page page);
    void p_finishWhenIdle(int tag);
    bool p_hasSynced() const;

    TDLibraryManager& m_manager;
    platform::OperationQueue* m_queue;
    std::optional<TDCorvaneConnection::Options> m_options;
    TDCorvaneSyncType m_syncType = TDCorvaneSyncType::FullMerge;
    bool m_offersSyncType = true;
    Page m_page = Page::Alert;
    Ending m_ending = Ending::Question;
    QString m_progressText;
    qint64 m_progressMaximum = 0;
    qint64 m_progressValue = 0;
    bool m_progressAnimating = false;
    bool m_canceled = false;
    int m_pendingFinishTag = 0;
};
