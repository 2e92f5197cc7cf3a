#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressDialog;
class QPushButton;
class TDAlertPrompter;
class TDSupportRequestSender;

namespace platform {
class UserDefaults;
}

// What the support window works with; all outlive it.
struct TDSupportWindowContext {
    platform::UserDefaults& defaults;
    TDAlertPrompter& prompter;
    // The open library's package; empty when none is open.
    std::function<QString()> libraryPath;
};

// The support request window: the reply-to address (remembered in the settings), a subject, the message
// and what to attach, sent as one upload behind a progress dialog; "Message Sent" closes it, a failure
// leaves the form as it was. Without a configured endpoint nothing leaves the machine.
class TDSupportWindow final : public QWidget {
    Q_OBJECT
public:
    explicit TDSupportWindow(TDSupportWindowContext context);
    ~TDSupportWindow() override;

    // The one window the Help menu opens, made on first use and gone once it closes.
    static TDSupportWindow& sharedWindow(const TDSupportWindowContext& context);
    static bool hasSharedWindow();
    static void releaseSharedWindow();

    // Centres the window and shows it, the reply-to address taken from the settings.
    void open();
    // Checks the address and sends; see the class comment.
    void send();
    // Ticking the library asks whether to anonymise it.
    void setSendLibrary(bool send);

    TDSupportRequestSender& sender() const { return *m_sender; }
    QLineEdit& replyToField() const { return *m_replyTo; }
    QLineEdit& subjectField() const { return *m_subject; }
    QPlainTextEdit& bodyField() const { return *m_body; }
    bool anonymizeLibrary() const { return m_anonymizeLibrary; }

Q_SIGNALS:
    // The upload has ended and its outcome was shown.
    void sendFinished(bool sent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void p_finished(bool sent);
    QString p_supportAddress() const;

    TDSupportWindowContext m_context;
    TDSupportRequestSender* m_sender;
    QLineEdit* m_replyTo;
    QLineEdit* m_subject;
    QPlainTextEdit* m_body;
    QCheckBox* m_systemInformation;
    QCheckBox* m_preferencesFile;
    QCheckBox* m_applicationLog;
    QCheckBox* m_library;
    QPushButton* m_send;
    QProgressDialog* m_progress = nullptr;
    bool m_anonymizeLibrary = false;
    // The window that was active before this one opened; it gets the keyboard back at the close.
    QPointer<QWidget> m_previousWindow;
};
