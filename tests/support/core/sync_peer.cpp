#include "tests/support/core/sync_peer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonDocument>

namespace testsupport {

namespace {
// A sync of thousands of records over loopback TLS takes a few seconds; a peer silent this long hangs.
constexpr int kAnswerMilliseconds = 180'000;
}  // namespace

SyncPeer::SyncPeer(const QString& program, const QString& home, const SyncPeerService& service)
    : m_process(std::make_unique<QProcess>()) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // A computer of its own: its settings (and with them its node id) and data live under its home.
    environment.insert(QStringLiteral("HOME"), home);
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString path = QDir(home).filePath(QString::fromLatin1(name).toLower());
        QDir().mkpath(path);
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        environment.insert(QString::fromLatin1(name), path);
    }
    environment.insert(QStringLiteral("ORDELLO_TESTING"), QStringLiteral("1"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_process->setProcessEnvironment(environment);
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process->start(
        program, {QStringLiteral("--library"), QDir(home).filePath(QStringLiteral("Peer.odllibrary")),
                  QStringLiteral("--url"), service.url, QStringLiteral("--anchor"), service.anchorPath,
                  QStringLiteral("--user"), service.user, QStringLiteral("--password"), service.password});
    if (!m_process->waitForStarted()) return;
    const QString hello = p_readLine();
    m_started = hello.startsWith(QStringLiteral("OK "));
    if (m_started) m_nodeID = hello.mid(3);
}

SyncPeer::~SyncPeer() {
    if (m_process->state() == QProcess::NotRunning) return;
    m_process->write("quit\n");
    m_process->closeWriteChannel();
    if (!m_process->waitForFinished(30'000)) m_process->kill();
}

QString SyncPeer::command(const QString& line) {
    if (!m_started) return QStringLiteral("ERR the peer did not start");
    m_process->write(line.toUtf8() + '\n');
    return p_readLine();
}

QString SyncPeer::value(const QString& line) {
    const QString answer = command(line);
    return answer.startsWith(QStringLiteral("OK ")) ? answer.mid(3) : QString();
}

QJsonObject SyncPeer::forms() {
    return QJsonDocument::fromJson(value(QStringLiteral("forms")).toUtf8()).object();
}

int SyncPeer::journalCount() {
    bool ok = false;
    const int count = value(QStringLiteral("journal")).toInt(&ok);
    return ok ? count : -1;
}

QString SyncPeer::p_readLine() {
    const QDeadlineTimer deadline(kAnswerMilliseconds);
    while (!m_process->canReadLine()) {
        if (m_process->state() == QProcess::NotRunning || deadline.hasExpired() ||
            !m_process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
            if (!m_process->canReadLine()) return QStringLiteral("ERR the peer did not answer");
    }
    return QString::fromUtf8(m_process->readLine()).trimmed();
}

}  // namespace testsupport
