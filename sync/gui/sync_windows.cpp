#include "sync/gui/sync_windows.h"

#include "store/library_manager.h"
#include "sync/full_sync_window_controller.h"
#include "sync/gui/full_sync_window.h"
#include "sync/gui/sync_alert_panel.h"
#include "sync/gui/sync_skipped_window.h"
#include "sync/sync_alert_panel_controller.h"

#include <QApplication>

TDSyncWindows::TDSyncWindows(TDLibraryManager& manager, QObject* parent)
    : QObject(parent), m_manager(manager), m_library(manager) {
}

TDSyncWindows::~TDSyncWindows() {
    delete m_fullSyncWindow.data();
    delete m_skippedWindow.data();
}

TDSyncSkippedWindow* TDSyncWindows::skippedWindow() const {
    return m_skippedWindow.data();
}

void TDSyncWindows::showSkippedObjects(const QStringList& objectURIs) {
    // One window, made on first use and gone once closed.
    if (!m_skippedWindow) {
        m_skippedWindow = new TDSyncSkippedWindow(m_manager, [this](TDLibraryObject* object) {
            if (m_reveal) m_reveal(object);
        });
        m_skippedWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_skippedWindow->setSkippedObjects(objectURIs);
    m_skippedWindow->show();
    m_skippedWindow->raise();
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
    window->activateWindow();
}

void TDSyncWindows::performFullSync(TDCorvaneSyncType type, QWidget* parent) {
    if (m_fullSyncWindow) return;
    TDFullSyncWindow* window = p_openFullSyncWindow(parent);
    window->controller().performFullSync(type);
    window->open();
    window->activateWindow();
}

int TDSyncWindows::showSyncError(const TDError& error, QWidget* parent) {
    TDSyncAlertPanel panel(parent);
    return panel.runError(error);
}

int TDSyncWindows::runModal(const TDAlert& alert) {
    TDSyncAlertPanel panel(QApplication::activeWindow());
    const int tag = panel.runAlert(alert);
    return tag >= TDSyncAlertPanelController::kFirstButtonTag
               ? tag - TDSyncAlertPanelController::kFirstButtonTag
               : -1;
}

void TDSyncWindows::sync() {
    m_library.sync();
}

void TDSyncWindows::signOut() {
    m_library.signOut();
}

void TDSyncWindows::showSyncPreferences() {
    if (m_showSyncPreferences) m_showSyncPreferences();
}
