#include "sync/gui/corvane_sync_preference_pane.h"

#include "foundation/alert.h"
#include "sync/corvane_full_sync_alert.h"
#include "sync/gui/full_sync_window.h"
#include "sync/gui/sync_windows.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("TDCorvaneSyncPane", text);
}

QPushButton* linkButton(const QString& title, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setFlat(true);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}
}  // namespace

TDCorvaneSyncPane::TDCorvaneSyncPane(TDLibraryManager& manager, TDAlertPrompter& sheets,
                                     TDSyncWindows& windows, platform::UserDefaults& defaults)
    : m_sheets(sheets), m_windows(windows), m_controller(manager, *this, defaults) {
    m_controller.setConnectionOptions(windows.connectionOptions());
}

TDCorvaneSyncPane::~TDCorvaneSyncPane() = default;

QWidget* TDCorvaneSyncPane::view() {
    if (m_view) return m_view.get();
    m_view = std::make_unique<QWidget>();
    m_pages = new QStackedWidget(m_view.get());
    m_pages->addWidget(p_makeSignInView());
    m_pages->addWidget(p_makeAccountView());
    auto* layout = new QVBoxLayout(m_view.get());
    // The pages keep the height of the one shown; a window taller than that leaves its room below.
    layout->addWidget(m_pages, 0, Qt::AlignTop);
    QObject::connect(&m_controller, &TDCorvaneSyncPreferencesController::stateChanged, m_view.get(),
                     [this] { p_showState(); });
    QObject::connect(&m_controller, &TDCorvaneSyncPreferencesController::viewChanged, m_view.get(),
                     [this] { p_showView(); });
    p_showState();
    p_showView();
    return m_view.get();
}

QWidget* TDCorvaneSyncPane::p_makeSignInView() {
    auto* page = new QWidget;
    auto* title = new QLabel(tr("Sign in to keep your tasks in step on all your computers."), page);
    title->setWordWrap(true);
    m_username = new QLineEdit(page);
    m_password = new QLineEdit(page);
    m_password->setEchoMode(QLineEdit::Password);
    m_signIn = new QPushButton(tr("Sign In"), page);
    m_signIn->setDefault(true);
    m_spinner = new QProgressBar(page);
    m_spinner->setRange(0, 0);
    m_spinner->setTextVisible(false);
    m_spinner->setMaximumWidth(80);
    m_spinner->hide();
    auto* form = new QFormLayout;
    form->addRow(tr("Username:"), m_username);
    form->addRow(tr("Password:"), m_password);
    auto* signInRow = new QHBoxLayout;
    signInRow->addStretch(1);
    signInRow->addWidget(m_spinner);
    signInRow->addWidget(m_signIn);
    auto* newAccount = linkButton(tr("Create Account…"), page);
    auto* lostPassword = linkButton(tr("Lost Password…"), page);
    auto* links = new QHBoxLayout;
    links->addWidget(newAccount);
    links->addWidget(lostPassword);
    links->addStretch(1);
    auto* noService = new QLabel(
        tr("No sync service is set up: its address (the setting \"corvaneSyncServiceURL\") is empty."), page);
    noService->setObjectName(QStringLiteral("noServiceLabel"));
    noService->setWordWrap(true);
    const bool hasService = !m_controller.serviceAddress().isEmpty();
    noService->setVisible(!hasService);
    for (QWidget* field : {static_cast<QWidget*>(m_username), static_cast<QWidget*>(m_password),
                           static_cast<QWidget*>(m_signIn), static_cast<QWidget*>(newAccount),
                           static_cast<QWidget*>(lostPassword)})
        field->setEnabled(hasService);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(title);
    layout->addWidget(noService);
    layout->addLayout(form);
    layout->addLayout(signInRow);
    layout->addLayout(links);
    layout->addStretch(1);

    auto signIn = [this] {
        m_controller.setUsername(m_username->text());
        m_controller.setPassword(m_password->text());
        m_controller.signIn();
    };
    QObject::connect(m_signIn, &QPushButton::clicked, page, signIn);
    QObject::connect(m_password, &QLineEdit::returnPressed, page, signIn);
    QObject::connect(newAccount, &QPushButton::clicked, &m_controller,
                     &TDCorvaneSyncPreferencesController::makeNewAccount);
    QObject::connect(lostPassword, &QPushButton::clicked, &m_controller,
                     &TDCorvaneSyncPreferencesController::lostPassword);
    return page;
}

QWidget* TDCorvaneSyncPane::p_makeAccountView() {
    auto* page = new QWidget;
    m_account = new QLabel(page);
    m_email = new QLabel(page);
    m_address = new QLineEdit(page);
    m_address->setReadOnly(true);
    auto* form = new QFormLayout;
    form->addRow(tr("Account:"), m_account);
    form->addRow(tr("E-mail:"), m_email);
    form->addRow(tr("Sync service:"), m_address);
    auto* signOut = new QPushButton(tr("Sign Out"), page);
    auto* fullSync = new QPushButton(tr("Full Sync…"), page);
    auto* manage = linkButton(tr("Manage Account…"), page);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(manage);
    buttons->addStretch(1);
    buttons->addWidget(fullSync);
    buttons->addWidget(signOut);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addLayout(buttons);
    layout->addStretch(1);
    QObject::connect(signOut, &QPushButton::clicked, &m_controller,
                     &TDCorvaneSyncPreferencesController::signOut);
    QObject::connect(fullSync, &QPushButton::clicked, &m_controller,
                     &TDCorvaneSyncPreferencesController::fullSync);
    QObject::connect(manage, &QPushButton::clicked, &m_controller,
                     &TDCorvaneSyncPreferencesController::manageAccount);
    return page;
}

void TDCorvaneSyncPane::setupPreferencePaneController(TDPreferencesController& controller) {
    Q_UNUSED(controller);
    view();
    m_controller.setupPreferencePane();
}

bool TDCorvaneSyncPane::showsAccountView() const {
    return m_pages && m_pages->currentIndex() == 1;
}

void TDCorvaneSyncPane::p_showState() {
    if (!m_view) return;
    const bool verifying = m_controller.isVerifying();
    m_spinner->setVisible(verifying);
    m_signIn->setEnabled(!verifying && !m_controller.serviceAddress().isEmpty());
    if (m_username->text() != m_controller.username()) m_username->setText(m_controller.username());
    if (m_controller.password().isEmpty()) m_password->clear();
    m_account->setText(m_controller.username());
    m_email->setText(m_controller.email());
    m_address->setText(m_controller.serviceAddress());
}

void TDCorvaneSyncPane::p_showView() {
    if (!m_view) return;
    const int wanted = m_controller.isSignedIn() ? 1 : 0;
    if (m_pages->currentIndex() == wanted) return;
    m_pages->setCurrentIndex(wanted);
    // The window follows the view's height; a top-level window keeps its top edge as it resizes.
    m_pages->setFixedHeight(m_pages->currentWidget()->sizeHint().height());
    m_view->adjustSize();
    if (QWidget* window = m_view->window(); window != m_view.get()) window->adjustSize();
}

int TDCorvaneSyncPane::runSheet(const TDAlert& alert) {
    return m_sheets.runModal(alert);
}

int TDCorvaneSyncPane::runFullSyncAlert(TDCorvaneFullSyncAlert& alert) {
    return TDRunFullSyncQuestion(m_view ? m_view->window() : nullptr, alert);
}

void TDCorvaneSyncPane::performFullSync(TDCorvaneSyncType type) {
    m_windows.performFullSync(type, m_view ? m_view->window() : nullptr);
}
