#include "tests/sync/support/test_certificates.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace synctest {

namespace {

void runOpenssl(const QString& folder, const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        std::fprintf(stderr, "openssl %s failed: %s\n", qPrintable(arguments.join(QLatin1Char(' '))),
                     process.readAll().constData());
        std::abort();
    }
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) std::abort();
    return file.readAll();
}

// Elliptic-curve keys: quick to make, and every TLS stack takes them.
void makeKey(const QString& folder, const QString& name) {
    runOpenssl(folder, {QStringLiteral("ecparam"), QStringLiteral("-name"), QStringLiteral("prime256v1"),
                        QStringLiteral("-genkey"), QStringLiteral("-noout"), QStringLiteral("-out"), name});
}

TestCertificates make() {
    QTemporaryDir dir;
    const QString f = dir.path();
    makeKey(f, QStringLiteral("ca.key"));
    runOpenssl(
        f, {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-new"), QStringLiteral("-key"),
            QStringLiteral("ca.key"), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
            QStringLiteral("/O=Ordello Tests/CN=Loopback Test CA"), QStringLiteral("-addext"),
            QStringLiteral("basicConstraints=critical,CA:TRUE"), QStringLiteral("-addext"),
            QStringLiteral("keyUsage=critical,keyCertSign,cRLSign"), QStringLiteral("-out"),
            QStringLiteral("ca.pem")});
    makeKey(f, QStringLiteral("server.key"));
    runOpenssl(f, {QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-key"),
                   QStringLiteral("server.key"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-out"), QStringLiteral("server.csr")});
    QFile extensions(f + QStringLiteral("/server.ext"));
    if (!extensions.open(QIODevice::WriteOnly)) std::abort();
    extensions.write(
        "subjectAltName=IP:127.0.0.1,DNS:localhost\nextendedKeyUsage=serverAuth\n"
        "basicConstraints=CA:FALSE\n");
    extensions.close();
    runOpenssl(f, {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                   QStringLiteral("server.csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
                   QStringLiteral("-CAkey"), QStringLiteral("ca.key"), QStringLiteral("-CAcreateserial"),
                   QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-extfile"),
                   QStringLiteral("server.ext"), QStringLiteral("-out"), QStringLiteral("server.pem")});
    makeKey(f, QStringLiteral("untrusted.key"));
    runOpenssl(f, {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-new"),
                   QStringLiteral("-key"), QStringLiteral("untrusted.key"), QStringLiteral("-days"),
                   QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1"),
                   QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1,DNS:localhost"),
                   QStringLiteral("-out"), QStringLiteral("untrusted.pem")});

    TestCertificates made;
    made.authority = QSslCertificate(readFile(f + QStringLiteral("/ca.pem")));
    made.server = QSslCertificate(readFile(f + QStringLiteral("/server.pem")));
    made.serverKey = QSslKey(readFile(f + QStringLiteral("/server.key")), QSsl::Ec);
    made.untrusted = QSslCertificate(readFile(f + QStringLiteral("/untrusted.pem")));
    made.untrustedKey = QSslKey(readFile(f + QStringLiteral("/untrusted.key")), QSsl::Ec);
    if (made.authority.isNull() || made.server.isNull() || made.serverKey.isNull() ||
        made.untrusted.isNull() || made.untrustedKey.isNull())
        std::abort();
    return made;
}

}  // namespace

const TestCertificates& TestCertificates::shared() {
    static const TestCertificates certificates = make();
    return certificates;
}

}  // namespace synctest
