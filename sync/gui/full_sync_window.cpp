#include "sync/gui/full_sync_window.h"

#include "sync/corvane_full_sync_alert.h"
#include "sync/full_sync_window_controller.h"
#include "sync/gui/full_sync_kind_chooser.h"
#include "sync/gui/sync_alert_panel.h"
#include "sync/gui/sync_alert_view.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

TDFullSyncWindow::TDFullSyncWindow(TDLibraryManager& manager, QWidget* parent)
    : QDialog(parent),
      m_controller(new TDFullSyncWindowController(manager, this)),
      m_pages(new QStackedWidget(this)),
      m_alertView(new TDSyncAlertView(*m_controller, this)),
      m_progress(new QProgressBar(this)),
      m_progressText(new QLabel(this)),
      m_cancel(new QPushButton(tr("Cancel"), this)) {
    setWindowTitle(tr("Full Sync"));
    auto* syncView = new QWidget(this);
    auto* title = new QLabel(tr("Syncing with the sync service"), syncView);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    m_progress->setTextVisible(false);
    m_progress->setMinimumWidth(360);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    auto* syncLayout = new QVBoxLayout(syncView);
    syncLayout->setContentsMargins(20, 16, 20, 16);
    syncLayout->setSpacing(10);
    syncLayout->addWidget(title);
    syncLayout->addWidget(m_progress);
    syncLayout->addWidget(m_progressText);
    syncLayout->addLayout(buttons);
    m_pages->addWidget(m_alertView);
    m_pages->addWidget(syncView);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);

    connect(m_cancel, &QPushButton::clicked, m_controller, &TDFullSyncWindowController::cancel);
    connect(m_controller, &TDFullSyncWindowController::pageChanged, this, &TDFullSyncWindow::p_showPage);
    connect(m_controller, &TDSyncAlertPanelController::alertChanged, this, &TDFullSyncWindow::p_showPage);
    connect(m_controller, &TDFullSyncWindowController::progressChanged, this,
            &TDFullSyncWindow::p_showProgress);
    connect(m_controller, &TDSyncAlertPanelController::finished, this, &QDialog::done);
    p_showPage();
}

TDFullSyncWindow::~TDFullSyncWindow() = default;

void TDFullSyncWindow::reject() {
    // Escape and the close button: a running full sync is canceled first, and the window goes once idle.
    if (!m_controller->shouldCloseWindow()) {
        m_controller->cancel();
        return;
    }
    QDialog::reject();
}

void TDFullSyncWindow::p_showPage() {
    const bool progress = m_controller->page() == TDFullSyncWindowController::Page::Progress;
    const bool chooser = m_controller->isAskingQuestion() && m_controller->offersSyncType();
    if (chooser && !m_chooser) {
        m_chooser = new TDFullSyncKindChooser(m_controller->syncType(), this);
        connect(m_chooser, &TDFullSyncKindChooser::syncTypeChanged, m_controller,
                &TDFullSyncWindowController::setSyncType);
    }
    m_alertView->setAccessoryWidget(chooser ? m_chooser : nullptr);
    m_pages->setCurrentIndex(progress ? 1 : 0);
    // The page's buttons are new: the default one takes the keyboard, so Return and Space answer it.
    if (QWidget* button =
            progress ? m_cancel : m_alertView->buttonWithTag(TDSyncAlertPanelController::kFirstButtonTag))
        button->setFocus();
    // The result comes after the library reopened, which brings the main window forward: the window
    // that holds the answer takes the keyboard back.
    if (!progress && isVisible()) activateWindow();
    // The window takes the height of the page shown, its top edge staying where it is.
    m_pages->currentWidget()->adjustSize();
    m_pages->setFixedHeight(m_pages->currentWidget()->sizeHint().height());
    adjustSize();
}

void TDFullSyncWindow::p_showProgress() {
    m_progressText->setText(m_controller->progressText());
    if (m_controller->isProgressDeterminate()) {
        m_progress->setRange(0, static_cast<int>(m_controller->progressMaximum()));
        m_progress->setValue(static_cast<int>(m_controller->progressValue()));
    } else if (m_controller->isProgressAnimating()) {
        m_progress->setRange(0, 0);
    } else {
        // Stopped: a full bar rather than a busy one.
        m_progress->setRange(0, 1);
        m_progress->setValue(0);
    }
}

int TDRunFullSyncQuestion(QWidget* parent, TDCorvaneFullSyncAlert& question) {
    TDSyncAlertPanel panel(parent);
    panel.setWindowTitle(QObject::tr("Full Sync"));
    panel.setWindowModality(Qt::WindowModal);
    TDFullSyncKindChooser* chooser = nullptr;
    if (question.offersSyncType) {
        chooser = new TDFullSyncKindChooser(question.syncType, &panel);
        panel.alertView().setAccessoryWidget(chooser);
    }
    const int tag = panel.runAlert(question.alert);
    if (chooser) question.syncType = chooser->syncType();
    return tag;
}
