#include "sync/corvane_trust.h"

#include "platform/base/log.h"

#include <QFile>

const QList<QSslCertificate>& corvaneBundledAnchors() {
    static const QList<QSslCertificate> anchors = [] {
        QFile file(QStringLiteral(":/sync/BrisvaleCA.cer"));
        QList<QSslCertificate> read;
        if (file.open(QIODevice::ReadOnly)) read = QSslCertificate::fromData(file.readAll(), QSsl::Der);
        if (read.isEmpty())
            logWithLevel(TDLogError, "ERROR", "Could not read the sync service's anchor certificate");
        return read;
    }();
    return anchors;
}

QList<QSslCertificate> corvaneServiceAnchors(const QString& pemPath) {
    if (pemPath.isEmpty()) return {};
    // A certificate file is small; a larger one is not a list of anchors.
    constexpr qint64 kMaximumBytes = 1024 * 1024;
    QFile file(pemPath);
    QList<QSslCertificate> read;
    if (file.open(QIODevice::ReadOnly) && file.size() <= kMaximumBytes)
        read = QSslCertificate::fromData(file.readAll(), QSsl::Pem);
    if (read.isEmpty())
        logWithLevel(TDLogError, "ERROR", "Could not read the sync service's certificates from %@", pemPath);
    return read;
}

QSslConfiguration corvaneTrustConfiguration(const QList<QSslCertificate>& extraAnchors) {
    // Setting anchors of our own turns off the on-demand loading of the system's, so both are given.
    static const QList<QSslCertificate> systemAnchors = QSslConfiguration::systemCaCertificates();
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setCaCertificates(systemAnchors + extraAnchors);
    configuration.setPeerVerifyMode(QSslSocket::VerifyPeer);
    configuration.setProtocol(QSsl::SecureProtocols);
    return configuration;
}
