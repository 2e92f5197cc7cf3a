#include "auxiliary/gui/support_window.h"
#include "auxiliary/gui/previous_window.h"

#include "auxiliary/support_request_sender.h"
#include "foundation/alert.h"
#include "foundation/log_files.h"
#include "platform/defaults/user_defaults.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

QPointer<TDSupportWindow> sharedInstance;

TDAlert alert(const QString& message, const QString& information, const QStringList& buttons = {}) {
    TDAlert made;
    made.messageText = message;
    made.informativeText = information;
    made.buttons =
        buttons.isEmpty() ? QStringList{QCoreApplication::translate("TDSupportWindow", "OK")} : buttons;
    return made;
}

}  // namespace

TDSupportWindow::TDSupportWindow(TDSupportWindowContext context)
    : m_context(std::move(context)),
      m_sender(new TDSupportRequestSender(this)),
      m_replyTo(new QLineEdit(this)),
      m_subject(new QLineEdit(this)),
      m_body(new QPlainTextEdit(this)),
      m_systemInformation(new QCheckBox(tr("System information"), this)),
      m_preferencesFile(new QCheckBox(tr("Preferences file"), this)),
      m_applicationLog(new QCheckBox(tr("Log file"), this)),
      m_library(new QCheckBox(tr("Library"), this)),
      m_send(new QPushButton(tr("Send"), this)) {
    setWindowTitle(tr("Contact Support"));
    setWindowFlag(Qt::Window);
    m_replyTo->setObjectName(QStringLiteral("replyTo"));
    m_replyTo->setPlaceholderText(tr("you@example.org"));
    m_subject->setObjectName(QStringLiteral("subject"));
    m_subject->setPlaceholderText(tr("Ordello Support Request"));
    m_body->setObjectName(QStringLiteral("body"));
    m_body->setTabChangesFocus(true);
    m_body->setPlaceholderText(tr("What happened, and what did you expect?"));
    m_library->setObjectName(QStringLiteral("sendLibrary"));
    for (QCheckBox* box : {m_systemInformation, m_preferencesFile, m_applicationLog}) box->setChecked(true);
    connect(m_library, &QCheckBox::clicked, this, &TDSupportWindow::setSendLibrary);
    m_send->setObjectName(QStringLiteral("send"));
    m_send->setDefault(true);
    connect(m_send, &QPushButton::clicked, this, &TDSupportWindow::send);
    // Return in a field, or Ctrl+Return anywhere, sends as the default button would in a dialog.
    for (QLineEdit* field : {m_replyTo, m_subject})
        connect(field, &QLineEdit::returnPressed, this, &TDSupportWindow::send);
    auto* sendShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this);
    connect(sendShortcut, &QShortcut::activated, this, &TDSupportWindow::send);
    connect(m_sender, &TDSupportRequestSender::finished, this, &TDSupportWindow::p_finished);

    auto* form = new QFormLayout;
    form->addRow(tr("Your email:"), m_replyTo);
    form->addRow(tr("Subject:"), m_subject);
    auto* attachments = new QHBoxLayout;
    for (QCheckBox* box : {m_systemInformation, m_preferencesFile, m_applicationLog, m_library})
        attachments->addWidget(box);
    attachments->addStretch(1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_send);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_body, 1);
    layout->addWidget(new QLabel(tr("Attach:"), this));
    layout->addLayout(attachments);
    layout->addLayout(buttons);
    resize(560, 420);
}

TDSupportWindow::~TDSupportWindow() = default;

TDSupportWindow& TDSupportWindow::sharedWindow(const TDSupportWindowContext& context) {
    if (!sharedInstance) {
        sharedInstance = new TDSupportWindow(context);
        sharedInstance->setAttribute(Qt::WA_DeleteOnClose);
    }
    return *sharedInstance;
}

bool TDSupportWindow::hasSharedWindow() {
    return !sharedInstance.isNull();
}

void TDSupportWindow::releaseSharedWindow() {
    delete sharedInstance.data();
}

void TDSupportWindow::open() {
    if (!isVisible()) {
        if (m_replyTo->text().isEmpty()) m_replyTo->setText(m_context.defaults.string(TDSupportReplyToKey));
        QRect frame = frameGeometry();
        frame.moveCenter(screen()->availableGeometry().center());
        move(frame.topLeft());
        m_previousWindow = TDWindowBefore(this);
    }
    show();
    raise();
    activateWindow();
    (m_replyTo->text().isEmpty() ? static_cast<QWidget*>(m_replyTo) : m_subject)->setFocus();
}

void TDSupportWindow::setSendLibrary(bool send) {
    m_library->setChecked(send);
    if (!send) return;
    const int answer = m_context.prompter.runModal(alert(
        tr("Anonymize library?"),
        tr("We can anonymize your library by substituting data with random text. We also replace any links "
           "or images in your notes with placeholders."),
        {tr("Anonymize"), tr("Send As Is")}));
    m_anonymizeLibrary = answer == 0;
}

void TDSupportWindow::send() {
    if (m_sender->isSending()) return;
    const QString replyTo = m_replyTo->text().trimmed();
    m_replyTo->setText(replyTo);
    if (m_subject->text().trimmed().isEmpty())
        m_subject->setText(tr("%1 Support Request").arg(QStringLiteral("Ordello")));
    if (!TDIsValidSupportEmailAddress(replyTo)) {
        m_context.prompter.runModal(alert(tr("A valid email address is needed"), QString()));
        return;
    }
    m_context.defaults.setValue(TDSupportReplyToKey, replyTo);
    const QUrl endpoint = TDSupportEndpoint(m_context.defaults);
    if (!endpoint.isValid()) {
        m_context.prompter.runModal(
            alert(tr("No support address is configured"),
                  tr("Support requests go to the address in the setting \"%1\" (an HTTPS "
                     "address), which is empty. Nothing was sent.")
                      .arg(TDSupportRequestURLKey)));
        return;
    }
    TDSupportRequestChoices choices;
    choices.form = TDMakeSupportForm();
    choices.form.replyTo = replyTo;
    choices.form.subject = m_subject->text();
    choices.form.message = m_body->toPlainText();
    choices.sendSystemInformation = m_systemInformation->isChecked();
    choices.sendPreferencesFile = m_preferencesFile->isChecked();
    choices.sendApplicationLog = m_applicationLog->isChecked();
    choices.sendLibrary = m_library->isChecked();
    choices.anonymizeLibrary = m_anonymizeLibrary;
    choices.preferencesPath = m_context.defaults.filePath();
    choices.logPath = latestLogFilePath();
    choices.libraryPath = m_context.libraryPath ? m_context.libraryPath() : QString();
    m_context.defaults.synchronize();

    m_progress = new QProgressDialog(tr("Sending…"), QString(), 0, 0, this);
    m_progress->setObjectName(QStringLiteral("progressSheet"));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(0);
    m_progress->show();
    m_sender->send(endpoint, choices);
}

void TDSupportWindow::p_finished(bool sent) {
    if (m_progress) {
        m_progress->close();
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    if (sent) {
        m_context.prompter.runModal(alert(tr("Message Sent"), tr("We will contact you shortly.")));
        Q_EMIT sendFinished(true);
        close();
        return;
    }
    const QString address = p_supportAddress();
    QString text = tr("An error occured while sending email. Check your internet connection and try again.");
    text += QStringLiteral("\n\n") +
            (address.isEmpty() ? tr("If the problem persists, send us an email.")
                               : tr("If the problem persists, send us an email to %1.").arg(address));
    m_context.prompter.runModal(alert(tr("Failed to send message"), text));
    Q_EMIT sendFinished(false);
}

QString TDSupportWindow::p_supportAddress() const {
    return m_context.defaults.string(TDSupportEmailAddressKey);
}

void TDSupportWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    TDActivateAgain(m_previousWindow);
}

void TDSupportWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && !m_sender->isSending()) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
