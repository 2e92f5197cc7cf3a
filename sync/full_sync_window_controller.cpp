#include "sync/full_sync_window_controller.h"

#include "model/library.h"
#include "model/sync_set.h"
#include "platform/base/log.h"
#include "platform/notifications/notification_center.h"
#include "platform/operations/operation_queue.h"
#include "store/library_manager.h"
#include "sync/corvane_full_sync_alert.h"
#include "sync/corvane_full_sync_operation.h"
#include "sync/corvane_sync_operation.h"
#include "sync/corvane_sync_settings.h"

namespace {
const QString kSyncEnabledOption = QStringLiteral("corvaneSyncEnabled");
}

TDFullSyncWindowController::TDFullSyncWindowController(TDLibraryManager& manager, QObject* parent)
    : TDSyncAlertPanelController(parent),
      m_manager(manager),
      m_queue(new platform::OperationQueue(QStringLiteral("Full sync"), this)) {
    // Posted on the sync's thread; shown on ours, without holding the sync up.
    platform::NotificationCenter::defaultCenter().addObserver(
        this, TDSyncProgressDidChange, nullptr, [this](const platform::Notification& notification) {
            QMetaObject::invokeMethod(
                this, [this, userInfo = notification.userInfo] { p_syncProgressDidChange(userInfo); },
                Qt::QueuedConnection);
        });
    connect(m_queue, &platform::OperationQueue::operationFinished, this, [this] {
        if (m_pendingFinishTag && m_queue->operationCount() == 0) p_finishWhenIdle(m_pendingFinishTag);
    });
}

TDFullSyncWindowController::~TDFullSyncWindowController() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

bool TDFullSyncWindowController::p_hasSynced() const {
    TDLibrary* library = m_manager.library();
    TDSyncSet* syncSet = library ? library->corvaneSyncSet(false) : nullptr;
    return syncSet && syncSet->lastSyncDate().isValid();
}

void TDFullSyncWindowController::showFullSyncAlert() {
    TDLibrary* library = m_manager.library();
    TDSyncSet* syncSet = library ? library->corvaneSyncSet(false) : nullptr;
    const TDCorvaneFullSyncAlert question =
        TDCorvaneFullSyncAlert::make(syncSet ? syncSet->username() : QString(), !p_hasSynced(), false);
    m_offersSyncType = question.offersSyncType;
    m_syncType = question.syncType;
    m_ending = Ending::Question;
    p_setError(std::nullopt);
    showAlert(question.alert);
    p_setPage(Page::Alert);
}

void TDFullSyncWindowController::buttonPressed(int tag) {
    const bool first = tag == TDCorvaneFullSyncAlert::kFullSyncButton;
    switch (m_ending) {
        case Ending::Question:
            if (first) {
                performFullSync(m_syncType);
                return;
            }
            if (!p_hasSynced()) m_manager.syncSignOut();
            p_finishWhenIdle(tag);
            return;
        case Ending::Failure:
            if (first)
                retry();
            else
                cancel();
            return;
        case Ending::Done:
            Q_EMIT finished(tag);
            return;
    }
}

void TDFullSyncWindowController::performFullSync(TDCorvaneSyncType type) {
    m_syncType = type;
    m_canceled = false;
    p_setProgress(tr("Saving library…"), 0, 0, true);
    p_setPage(Page::Progress);
    if (!m_manager.saveLibraryWithoutSyncing()) {
        logWithLevel(TDLogError, "ERROR",
                     "Aborting Corvane full sync because the library could not be saved");
        p_fail(TDError::make(TDErrorLibraryBusy, tr("The library could not be saved before the full sync."),
                             tr("Nothing was sent. Try again once the library can be saved.")));
        return;
    }
    auto settings = TDCorvaneSyncSettings::make(m_manager.library());
    if (!settings) {
        p_fail(settings.error());
        return;
    }
    m_manager.cancelSync();
    auto operation = std::make_shared<TDCorvaneFullSyncOperation>(m_manager.libraryPath(), type);
    operation->setLibraryManager(&m_manager);
    operation->setDelegate(this);
    operation->setUsername((*settings)->username());
    operation->setPassword((*settings)->password());
    if (m_options) operation->setConnectionOptions(*m_options);
    m_queue->addOperation(operation);
    p_setProgress(tr("Connecting to sync server…"), 0, 0, true);
}

void TDFullSyncWindowController::retry() {
    performFullSync(m_syncType);
}

void TDFullSyncWindowController::cancel() {
    m_canceled = true;
    m_queue->cancelAllOperations();
    p_finishWhenIdle(TDCorvaneFullSyncAlert::kDeclineButton);
}

bool TDFullSyncWindowController::isRunning() const {
    return m_queue->operationCount() > 0;
}

bool TDFullSyncWindowController::shouldCloseWindow() const {
    return m_canceled || !isRunning();
}

void TDFullSyncWindowController::p_finishWhenIdle(int tag) {
    // The queue must be idle before the window (and with it the queue) goes.
    if (isRunning()) {
        m_pendingFinishTag = tag;
        return;
    }
    m_pendingFinishTag = 0;
    Q_EMIT finished(tag);
}

void TDFullSyncWindowController::p_syncProgressDidChange(const QVariantMap& userInfo) {
    if (m_page != Page::Progress || !isRunning()) return;
    const QString phase = userInfo.value(QStringLiteral("phase")).toString();
    if (phase == QStringLiteral("upload")) {
        const qint64 uploaded = userInfo.value(QStringLiteral("uploaded")).toLongLong();
        const qint64 total = userInfo.value(QStringLiteral("total")).toLongLong();
        if (uploaded < 1 || total < 1) return;
        p_setProgress(tr("Uploaded %1 objects.").arg(uploaded), total, uploaded, false);
    } else if (phase == QStringLiteral("download")) {
        const qint64 downloaded = userInfo.value(QStringLiteral("downloaded")).toLongLong();
        p_setProgress(tr("Downloaded %1 objects.").arg(downloaded), 0, 0, true);
    } else if (phase == QStringLiteral("merge")) {
        p_setProgress(tr("Finishing up…"), m_progressMaximum, m_progressValue, m_progressAnimating);
    }
}

void TDFullSyncWindowController::libraryOperationDidFinish(TDLibraryOperation* operation) {
    Q_UNUSED(operation);
    p_setProgress(m_progressText, m_progressMaximum, m_progressValue, false);
    m_ending = Ending::Done;
    p_setError(std::nullopt);
    showAlert({tr("Sync finished"), tr("Your old library was moved to the Trash."), {tr("OK")}, nullptr});
    p_setPage(Page::Alert);
    m_manager.setOption(true, kSyncEnabledOption);
    m_manager.saveOptionsDictionary();
}

void TDFullSyncWindowController::libraryOperationDidFailWithError(TDLibraryOperation* operation,
                                                                  const TDError& error) {
    Q_UNUSED(operation);
    QMetaObject::invokeMethod(
        this, [this, error] { p_fail(error); }, Qt::QueuedConnection);
}

void TDFullSyncWindowController::p_fail(const TDError& error) {
    if (m_canceled) return;
    p_setProgress(m_progressText, m_progressMaximum, m_progressValue, false);
    m_ending = Ending::Failure;
    TDAlert alert = alertWithOrdelloError(error);
    alert.buttons = {tr("Retry"), tr("Cancel")};
    TDError shown = error;
    shown.recoveryAttempter.reset();  // Retry and Cancel stand in for its options here
    shown.recoveryOptions = alert.buttons;
    p_setError(shown);
    showAlert(alert);
    p_setPage(Page::Alert);
}

void TDFullSyncWindowController::p_setProgress(const QString& text, qint64 maximum, qint64 value,
                                               bool animating) {
    m_progressText = text;
    m_progressMaximum = maximum;
    m_progressValue = value;
    m_progressAnimating = animating;
    Q_EMIT progressChanged();
}

void TDFullSyncWindowController::p_setPage(Page page) {
    m_page = page;
    Q_EMIT pageChanged();
}
