#include "sync/sync_alert_panel_controller.h"

#include "platform/base/log.h"

TDSyncAlertPanelController::TDSyncAlertPanelController(QObject* parent) : QObject(parent) {
}

void TDSyncAlertPanelController::showAlert(const TDAlert& alert) {
    m_alert = alert;
    if (m_alert.buttons.isEmpty()) m_alert.buttons = {tr("OK")};
    Q_EMIT alertChanged();
}

bool TDSyncAlertPanelController::presentError(const TDError& error) {
    m_error = error;
    showAlert(alertWithOrdelloError(error));
    return true;
}

void TDSyncAlertPanelController::buttonPressed(int tag) {
    if (m_error && m_error->recoveryAttempter) {
        const TDError error = *m_error;
        const bool recovered = error.recoveryAttempter->attemptRecovery(error, tag - kFirstButtonTag);
        if (!recovered) {
            logWithLevel(TDLogInfo, "INFO", "Recovery option %ld of the sync alert did not recover",
                         static_cast<long>(tag - kFirstButtonTag));
            return;
        }
    }
    Q_EMIT finished(tag);
}
