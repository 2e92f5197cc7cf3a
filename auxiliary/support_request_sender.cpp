#include "auxiliary/support_request_sender.h"

#include "auxiliary/support_library_archive.h"
#include "platform/base/log.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QSslConfiguration>
#include <QTemporaryDir>
#include <QThread>

namespace {

constexpr int kTransferTimeoutMilliseconds = 120000;

// A file that cannot be read (no log yet, say) is left out; the request still goes.
void attachFile(TDSupportForm& form, const QString& path, const QString& fieldName, const QString& fileName) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        logWithLevel(TDLogWarning, "WARNING", "Support request: could not read '%@'", path);
        return;
    }
    form.attachments.append({fieldName, fileName, file.readAll()});
}

bool upload(const QUrl& endpoint, const TDSupportForm& form, const QList<QSslCertificate>& trusted) {
    QNetworkAccessManager network;
    QNetworkRequest request(endpoint);
    request.setHeader(
        QNetworkRequest::ContentTypeHeader,
        QStringLiteral("multipart/form-data; boundary=%1").arg(QString::fromLatin1(TDSupportFormBoundary)));
    request.setRawHeader("User-Agent", "TDSupportEmail");
    request.setRawHeader("X-From-Email", form.replyTo.toUtf8());
    request.setTransferTimeout(kTransferTimeoutMilliseconds);
    if (!trusted.isEmpty()) {
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.addCaCertificates(trusted);
        request.setSslConfiguration(configuration);
    }
    QNetworkReply* reply = network.post(request, TDSupportFormBody(form));
    QEventLoop waiting;
    QObject::connect(reply, &QNetworkReply::finished, &waiting, &QEventLoop::quit);
    waiting.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool failed = reply->error() != QNetworkReply::NoError;
    if (failed) logWithLevel(TDLogError, "ERROR", "Support request not sent: %@", reply->errorString());
    const bool sent = TDIsSupportReplySuccess(status, failed, reply->readAll());
    delete reply;
    return sent;
}

}  // namespace

TDSupportRequestSender::TDSupportRequestSender(QObject* parent) : QObject(parent) {
}

TDSupportForm TDSupportRequestSender::formWithAttachments(const TDSupportRequestChoices& choices) {
    TDSupportForm form = choices.form;
    if (choices.sendSystemInformation) form.systemInformation = TDSupportSystemInformation();
    if (choices.sendPreferencesFile)
        attachFile(form, choices.preferencesPath, QStringLiteral("prefFile"),
                   QFileInfo(choices.preferencesPath).fileName());
    if (choices.sendLibrary) {
        QTemporaryDir folder;
        const Result<QByteArray> library =
            TDPackSupportLibrary(choices.libraryPath, choices.anonymizeLibrary, folder.path());
        if (library.ok())
            form.attachments.append({QStringLiteral("library"), QStringLiteral("library.tgz"), *library});
        else
            logWithLevel(TDLogError, "ERROR", "Support request without the library: %@",
                         library.error().description);
    }
    if (choices.sendApplicationLog)
        attachFile(form, choices.logPath, QStringLiteral("logFile"), QStringLiteral("log.txt"));
    return form;
}

void TDSupportRequestSender::send(const QUrl& endpoint, const TDSupportRequestChoices& choices) {
    m_sending = true;
    QPointer<TDSupportRequestSender> self(this);
    const QList<QSslCertificate> trusted = m_trusted;
    QThread* thread = QThread::create([self, endpoint, choices, trusted] {
        const bool sent = upload(endpoint, formWithAttachments(choices), trusted);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, sent] {
                if (!self) return;
                self->m_sending = false;
                Q_EMIT self->finished(sent);
            },
            Qt::QueuedConnection);
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}
