#include "sync/gui/sync_alert_panel.h"

#include "sync/gui/sync_alert_view.h"
#include "sync/sync_alert_panel_controller.h"

#include <QVBoxLayout>

TDSyncAlertPanel::TDSyncAlertPanel(QWidget* parent)
    : QDialog(parent),
      m_controller(new TDSyncAlertPanelController(this)),
      m_view(new TDSyncAlertView(*m_controller, this)) {
    setWindowTitle(tr("Sync"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_controller, &TDSyncAlertPanelController::finished, this, &QDialog::done);
}

TDSyncAlertPanel::~TDSyncAlertPanel() = default;

int TDSyncAlertPanel::runAlert(const TDAlert& alert) {
    m_controller->showAlert(alert);
    return exec();
}

int TDSyncAlertPanel::runError(const TDError& error) {
    m_controller->presentError(error);
    return exec();
}
