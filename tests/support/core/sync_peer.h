#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>

#include <memory>

namespace testsupport {

// Where the machines of a two-machine sync test find their service.
struct SyncPeerService {
    QString url;
    QString anchorPath;  // the PEM of the certificate authority to trust
    QString user;
    QString password;
};

// One machine of a sync test: the sync peer program in a process of its own, with its own library,
// settings and node id under `home`. Commands and answers as the peer program documents them.
class SyncPeer {
public:
    SyncPeer(const QString& program, const QString& home, const SyncPeerService& service);
    ~SyncPeer();

    bool isRunning() const { return m_started; }
    QString nodeID() const { return m_nodeID; }
    // The answer line, or "ERR ..." when the peer does not answer.
    QString command(const QString& line);
    // The value of an "OK value" answer; empty (and the answer in `failure`) otherwise.
    QString value(const QString& line);
    // Sync forms by "Entity/UID".
    QJsonObject forms();
    int journalCount();

private:
    QString p_readLine();

    std::unique_ptr<QProcess> m_process;
    bool m_started = false;
    QString m_nodeID;
};

}  // namespace testsupport
