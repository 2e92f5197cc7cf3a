#include "sync/gui/sync_windows.h"

#include "platform/base/log.h"
#include "store/library_manager.h"
#include "sync/full_sync_window_controller.h"
#include "sync/gui/full_sync_window.h"
#include "sync/gui/sync_alert_panel.h"

TDSyncWindows::TDSyncWindows(TDLibraryManager& manager, QObject* parent) : QObject(parent), m_manager(manager) {
}

TDSyncWindows::~TDSyncWindows() {
    delete m_fullSyncWindow.data();
}

TDFullSyncWindow* TDSyncWindows::fullSyncWindow() const {
    return m_fullSyncWindow.data();
}

bool TDSyncWindows::isFullSyncing() const {
    return !m_fullSyncWindow.isNull();
}

TDFullSyncWindow* TDSyncWindows::p_openFullSyncWindow(QWidget* parent) {
    auto* window = new TDFullSyncWindow(m_manager, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->controller().setConnectionOptions(m_options);
    m_fullSyncWindow = window;
    Q_EMIT fullSyncWindowOpened(window);
    return window;
}

void TDSyncWindows::fullSync(QWidget* parent) {
    if (m_fullSyncWindow || !m_manager.optionForKey(QStringLiteral("corvaneSyncEnabled")).toBool()) return;
    TDFullSyncWindow* window = p_openFullSyncWindow(parent);
    window->controller().showFullSyncAlert();
    window->open();
}

void TDSyncWindows::performFullSync(TDCorvaneSyncType type, QWidget* parent) {
    if (m_fullSyncWindow) return;
    TDFullSyncWindow* window = p_openFullSyncWindow(parent);
    window->controller().performFullSync(type);
    window->open();
}

int TDSyncWindows::showSyncError(const TDError& error, QWidget* parent) {
    TDSyncAlertPanel panel(parent);
    return panel.runError(error);
}

void TDSyncWindows::sync() {
    m_manager.sync();
}

void TDSyncWindows::signOut() {
    logWithLevel(TDLogInfo, "INFO", "Signing out of the sync service");
    if (m_manager.library()) m_manager.syncSignOut();
}

void TDSyncWindows::showSyncPreferences() {
    if (m_showSyncPreferences) m_showSyncPreferences();
}
