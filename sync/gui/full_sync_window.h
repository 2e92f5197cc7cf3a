#pragma once

#include "sync/corvane_change_set.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class TDFullSyncKindChooser;
class TDFullSyncWindowController;
class TDLibraryManager;
class TDSyncAlertView;
struct TDCorvaneFullSyncAlert;

// The full-sync window: the question with the kinds pop-up, the progress of the full sync with Cancel,
// and its end or error with Retry. It does not close while the full sync runs, unless canceled.
class TDFullSyncWindow final : public QDialog {
    Q_OBJECT
public:
    TDFullSyncWindow(TDLibraryManager& manager, QWidget* parent = nullptr);
    ~TDFullSyncWindow() override;

    TDFullSyncWindowController& controller() const { return *m_controller; }
    TDSyncAlertView& alertView() const { return *m_alertView; }
    QProgressBar& progressBar() const { return *m_progress; }
    QLabel& progressLabel() const { return *m_progressText; }

    void reject() override;

private:
    void p_showPage();
    void p_showProgress();

    TDFullSyncWindowController* m_controller;
    QStackedWidget* m_pages;
    TDSyncAlertView* m_alertView;
    TDFullSyncKindChooser* m_chooser = nullptr;
    QProgressBar* m_progress;
    QLabel* m_progressText;
    QPushButton* m_cancel;
};

// The full-sync question as a sheet on the parent: the tag of the button chosen; the kind chosen in the
// pop-up goes into the question.
int TDRunFullSyncQuestion(QWidget* parent, TDCorvaneFullSyncAlert& question);
