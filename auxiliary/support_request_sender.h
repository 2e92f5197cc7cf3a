#pragma once

#include "auxiliary/support_request.h"

#include <QList>
#include <QObject>
#include <QSslCertificate>
#include <QUrl>

// What the person chose to send besides the form's text.
struct TDSupportRequestChoices {
    TDSupportForm form;
    bool sendSystemInformation = true;
    bool sendPreferencesFile = true;
    bool sendApplicationLog = true;
    bool sendLibrary = false;
    bool anonymizeLibrary = false;
    QString preferencesPath;
    QString logPath;
    QString libraryPath;
};

// Sends support requests: on a thread of its own it gathers the attachments, packs the library, builds
// the form and uploads it over HTTPS; certificate errors fail the send, never ignored. The outcome
// comes back on the sender's thread.
class TDSupportRequestSender final : public QObject {
    Q_OBJECT
public:
    explicit TDSupportRequestSender(QObject* parent = nullptr);

    // Certificates trusted beside the system's (a test's own server).
    void setExtraTrustedCertificates(const QList<QSslCertificate>& certificates) { m_trusted = certificates; }
    // `endpoint` must be valid. One request at a time.
    void send(const QUrl& endpoint, const TDSupportRequestChoices& choices);
    bool isSending() const { return m_sending; }

    // The form with its attachments, as the thread builds it.
    static TDSupportForm formWithAttachments(const TDSupportRequestChoices& choices);

Q_SIGNALS:
    void finished(bool sent);

private:
    QList<QSslCertificate> m_trusted;
    bool m_sending = false;
};
