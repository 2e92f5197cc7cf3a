#pragma once

#include <QDialog>

class TDSyncAlertPanelController;
class TDSyncAlertView;
struct TDAlert;
struct TDError;

// The general sync alert panel: an alert or an error of sync with its buttons, recovery buttons for an
// error whose attempter can act. Closes when the controller is done, with the button's tag as result.
class TDSyncAlertPanel final : public QDialog {
    Q_OBJECT
public:
    explicit TDSyncAlertPanel(QWidget* parent = nullptr);
    ~TDSyncAlertPanel() override;

    TDSyncAlertPanelController& controller() const { return *m_controller; }
    TDSyncAlertView& alertView() const { return *m_view; }

    // Modal; the tag of the button that ended it, 0 when closed otherwise.
    int runAlert(const TDAlert& alert);
    int runError(const TDError& error);

private:
    TDSyncAlertPanelController* m_controller;
    TDSyncAlertView* m_view;
};
