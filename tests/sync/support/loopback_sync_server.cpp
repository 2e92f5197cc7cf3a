#include "tests/sync/support/loopback_sync_server.h"

#include "foundation/data_additions.h"
#include "tests/sync/support/test_certificates.h"

#include <QJsonDocument>
#include <QMetaObject>
#include <QPointer>
#include <QRandomGenerator>
#include <QSslSocket>
#include <QTcpServer>
#include <QThread>

namespace synctest {

namespace {

struct Answer {
    int status = 200;
    QByteArray body;
    QByteArray contentEncoding;
};

Answer json(int status, const QJsonObject& object) {
    return {status, QJsonDocument(object).toJson(QJsonDocument::Compact), {}};
}

Answer code(int status, int serverCode) {
    return json(status, QJsonObject{{QStringLiteral("code"), serverCode}});
}

QByteArray reasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 304:
            return "Not Modified";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 409:
            return "Conflict";
        case 410:
            return "Gone";
        case 500:
            return "Internal Server Error";
        case 503:
            return "Service Unavailable";
        default:
            return "Status";
    }
}

QByteArray serialized(const Answer& answer, qint64 declaredLength = -1) {
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + reasonPhrase(answer.status) + "\r\n";
    head += "Connection: close\r\n";
    if (answer.status != 304) {
        head += "Content-Type: application/json\r\n";
        head += "Content-Length: " +
                QByteArray::number(declaredLength >= 0 ? declaredLength : answer.body.size()) + "\r\n";
    }
    if (!answer.contentEncoding.isEmpty()) head += "Content-Encoding: " + answer.contentEncoding + "\r\n";
    return head + "\r\n" + (answer.status == 304 ? QByteArray() : answer.body);
}

QString randomID() {
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString id;
    for (int i = 0; i < 12; ++i) id += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(36)]);
    return id;
}

}  // namespace

QByteArray LoopbackSyncServer::RecordedRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    return {};
}

QList<std::pair<QString, QString>> LoopbackSyncServer::RecordedRequest::queryItems() const {
    QList<std::pair<QString, QString>> items;
    if (rawQuery.isEmpty()) return items;
    for (const QByteArray& pair : rawQuery.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        const QByteArray key = equals < 0 ? pair : pair.left(equals);
        const QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1);
        items.append({QString::fromUtf8(QByteArray::fromPercentEncoding(key)),
                      QString::fromUtf8(QByteArray::fromPercentEncoding(value))});
    }
    return items;
}

QString LoopbackSyncServer::RecordedRequest::queryValue(const QString& key) const {
    for (const auto& [k, v] : queryItems())
        if (k == key) return v;
    return {};
}

QJsonObject LoopbackSyncServer::RecordedRequest::json() const {
    return QJsonDocument::fromJson(body).object();
}

struct LoopbackSyncServer::State {
    struct PendingFault {
        QString prefix;
        Fault fault;
        int remaining;
    };
    struct PutSession {
        QString id;
        QString synctype;
        QList<QJsonObject> pages;
    };
    struct GetSession {
        QString username;
        QList<SyncRecordStore::Entry> entries;
        QString token;
    };

    mutable QMutex mutex;
    Options options;
    QMap<QString, Account> accounts;
    QList<PendingFault> faults;
    bool versionRefused = false;
    bool libraryProcessing = false;
    bool maintenance = false;
    QList<RecordedRequest> requests;
    QMap<QString, SyncRecordStore> stores;
    QMap<QString, PutSession> putSessions;  // by user name
    QMap<QString, GetSession> getSessions;  // by id
    qint64 lastAnswerSize = 0;
    QList<std::function<void()>> heldAnswers;  // run on the server's thread
    std::function<void()> stallObserver;

    std::optional<Fault> takeFault(const QByteArray& path);
    Answer route(const RecordedRequest& request);
    std::optional<QString> authenticatedUser(const RecordedRequest& request) const;
    Answer user(const QString& username, const QString& pathName);
    Answer library(const QString& username, const RecordedRequest& request);
    Answer downloadPage(const QString& sessionID, int offset);
    Answer objects(const QString& username, const RecordedRequest& request);
    Answer tasks(const QString& username, const RecordedRequest& request);
};

std::optional<LoopbackSyncServer::Fault> LoopbackSyncServer::State::takeFault(const QByteArray& path) {
    for (int i = 0; i < faults.size(); ++i) {
        if (!QString::fromUtf8(path).startsWith(faults[i].prefix)) continue;
        Fault fault = faults[i].fault;
        if (--faults[i].remaining <= 0) faults.removeAt(i);
        return fault;
    }
    return std::nullopt;
}

std::optional<QString> LoopbackSyncServer::State::authenticatedUser(const RecordedRequest& request) const {
    const QByteArray authorization = request.header("Authorization");
    if (!authorization.startsWith("Basic ")) return std::nullopt;
    const QByteArray pair = QByteArray::fromBase64(authorization.mid(6));
    const qsizetype colon = pair.indexOf(':');
    if (colon < 0) return std::nullopt;
    const QString name = QString::fromUtf8(pair.left(colon));
    const auto it = accounts.constFind(name);
    if (it == accounts.cend() || it->password != QString::fromUtf8(pair.mid(colon + 1))) return std::nullopt;
    return name;
}

Answer LoopbackSyncServer::State::route(const RecordedRequest& request) {
    const auto username = authenticatedUser(request);
    if (!username) return code(401, 40100);
    if (maintenance) return code(503, 50300);
    if (versionRefused) return code(403, 40301);
    if (libraryProcessing) return code(403, 40302);
    const QString path = QString::fromUtf8(request.path);
    if (path.startsWith(QStringLiteral("/user/")) && request.method == "GET")
        return user(*username, path.mid(6));
    if (path == QStringLiteral("/sync/library/") && (request.method == "GET" || request.method == "PUT"))
        return library(*username, request);
    if (path == QStringLiteral("/sync/objects/") && request.method == "GET")
        return objects(*username, request);
    if (path == QStringLiteral("/sync/tasks/") && request.method == "GET") return tasks(*username, request);
    return code(404, 40400);
}

Answer LoopbackSyncServer::State::user(const QString& username, const QString& pathName) {
    if (pathName != username) return code(403, 40300);
    return json(200, QJsonObject{{QStringLiteral("email"), accounts.value(username).email},
                                 {QStringLiteral("token"), stores[username].token()}});
}

Answer LoopbackSyncServer::State::library(const QString& username, const RecordedRequest& request) {
    const bool isGET = request.method == "GET";
    QJsonObject parameters;
    if (isGET) {
        for (const auto& [key, value] : request.queryItems()) parameters.insert(key, value);
    } else {
        parameters = request.json();
        if (parameters.isEmpty()) return code(400, 40000);
    }
    const QString node = parameters.value(QStringLiteral("node_id")).toString();
    if (node.isEmpty()) return code(400, 40001);
    const QString getSession = parameters.value(QStringLiteral("getsession")).toString();
    if (isGET && !getSession.isEmpty()) {
        const QJsonValue bookmark = parameters.value(QStringLiteral("bookmark"));
        const int offset = bookmark.isString() ? bookmark.toString().toInt() : bookmark.toInt();
        if (!getSessions.contains(getSession) || getSessions[getSession].username != username)
            return code(400, 40002);
        return downloadPage(getSession, offset);
    }

    SyncRecordStore& store = stores[username];
    const QString synctype = parameters.value(QStringLiteral("synctype")).toString();
    const QString token = parameters.value(QStringLiteral("token")).toString();
    const bool incremental = synctype.isEmpty() && !token.isEmpty();
    std::optional<qint64> since;
    if (incremental) {
        since = store.counterOfToken(token);
        if (!since || *since > store.counter()) return code(410, 41000);
    }

    if (!isGET) {
        const QString putSession = parameters.value(QStringLiteral("putsession")).toString();
        if (putSession.isEmpty()) return code(400, 40003);
        auto pending = putSessions.constFind(username);
        if (pending != putSessions.cend() && pending->id != putSession) return code(409, 40900);
        PutSession& session = putSessions[username];
        session.id = putSession;
        session.synctype = synctype;
        session.pages.append(parameters.value(QStringLiteral("changes")).toObject());
        if (parameters.value(QStringLiteral("more")).toBool()) return json(200, {});
        const PutSession finished = putSessions.take(username);
        if (finished.synctype == QStringLiteral("fullput")) store.replaceLibrary(randomID());
        QJsonObject merged;
        for (const QJsonObject& page : finished.pages) {
            for (auto entity = page.begin(); entity != page.end(); ++entity) {
                QJsonObject records = merged.value(entity.key()).toObject();
                const QJsonObject added = entity.value().toObject();
                for (auto it = added.begin(); it != added.end(); ++it) records.insert(it.key(), it.value());
                merged.insert(entity.key(), records);
            }
        }
        store.apply(merged, node);
    }

    GetSession session;
    session.username = username;
    session.token = store.token();
    session.entries = incremental ? store.changesSince(*since, node) : store.fullDownload();
    if (incremental && isGET && session.entries.isEmpty()) return {304, {}, {}};
    const QString id = randomID();
    getSessions.insert(id, session);
    return downloadPage(id, 0);
}

Answer LoopbackSyncServer::State::downloadPage(const QString& sessionID, int offset) {
    const GetSession& session = getSessions[sessionID];
    const int limit = options.pageLimit;
    const QList<SyncRecordStore::Entry> page = session.entries.mid(offset, limit);
    QJsonObject answer{{QStringLiteral("changes"), changesObject(page)}};
    if (offset + limit < session.entries.size()) {
        answer.insert(QStringLiteral("bookmark"), QString::number(offset + limit));
        answer.insert(QStringLiteral("getsession"), sessionID);
        answer.insert(QStringLiteral("limit"), limit);
    } else {
        answer.insert(QStringLiteral("token"), session.token);
        getSessions.remove(sessionID);
    }
    return json(200, answer);
}

Answer LoopbackSyncServer::State::objects(const QString& username, const RecordedRequest& request) {
    if (request.queryValue(QStringLiteral("node_id")).isEmpty()) return code(400, 40001);
    const QStringList uids =
        request.queryValue(QStringLiteral("uids")).split(QLatin1Char(','), Qt::SkipEmptyParts);
    return json(200, QJsonObject{{QStringLiteral("objects"), stores[username].objectsWithUIDs(uids)}});
}

Answer LoopbackSyncServer::State::tasks(const QString& username, const RecordedRequest& request) {
    if (request.queryValue(QStringLiteral("node_id")).isEmpty()) return code(400, 40001);
    const QString parent = request.queryValue(QStringLiteral("parent_uid"));
    const QString lastUID = request.queryValue(QStringLiteral("last_uid"));
    const QString start = request.queryValue(QStringLiteral("completed_start"));
    std::optional<double> completedStart;
    if (!lastUID.isEmpty() && !start.isEmpty()) completedStart = start.toDouble();
    bool noMore = true;
    const QJsonArray found =
        stores[username].completedTasks(parent, completedStart, lastUID, options.taskPageLimit, &noMore);
    return json(200, QJsonObject{{QStringLiteral("tasks"), found}, {QStringLiteral("nomore"), noMore}});
}

// One client connection: reads one request, then answers it (or plays the fault).
class ServerConnection final : public QObject {
public:
    ServerConnection(qintptr descriptor, LoopbackSyncServer::State& state, QObject* parent)
        : QObject(parent), m_state(state), m_socket(new QSslSocket(this)) {
        const TestCertificates& certificates = TestCertificates::shared();
        const bool untrusted = m_state.options.untrustedCertificate;
        m_socket->setLocalCertificate(untrusted ? certificates.untrusted : certificates.server);
        m_socket->setPrivateKey(untrusted ? certificates.untrustedKey : certificates.serverKey);
        m_socket->setPeerVerifyMode(QSslSocket::VerifyNone);
        connect(m_socket, &QSslSocket::readyRead, this, [this] { p_read(); });
        connect(m_socket, &QSslSocket::disconnected, this, [this] { deleteLater(); });
        connect(m_socket, &QSslSocket::encryptedBytesWritten, this, [this] { p_written(); });
        connect(m_socket, &QSslSocket::errorOccurred, this, [this] {
            if (m_socket->state() != QAbstractSocket::ConnectedState) deleteLater();
        });
        if (!m_socket->setSocketDescriptor(descriptor)) {
            deleteLater();
            return;
        }
        m_socket->startServerEncryption();
    }

private:
    void p_read() {
        if (m_answered) {
            m_socket->readAll();
            return;
        }
        m_buffer += m_socket->readAll();
        const qsizetype headerEnd = m_buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) return;
        LoopbackSyncServer::RecordedRequest request;
        const QList<QByteArray> lines = m_buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        qint64 contentLength = 0;
        for (int i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0) continue;
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        contentLength = request.header("Content-Length").toLongLong();
        if (m_buffer.size() - headerEnd - 4 < contentLength) return;
        request.rawBody = m_buffer.mid(headerEnd + 4, contentLength);
        request.body = request.rawBody;
        if (request.header("Content-Encoding") == "gzip") {
            auto inflated = gzipDecompressedData(request.rawBody);
            request.body = inflated ? *inflated : QByteArray();
        }
        const qsizetype question = request.target.indexOf('?');
        request.path =
            QByteArray::fromPercentEncoding(question < 0 ? request.target : request.target.left(question));
        request.rawQuery = question < 0 ? QByteArray() : request.target.mid(question + 1);
        m_answered = true;
        p_answer(request);
    }

    void p_answer(const LoopbackSyncServer::RecordedRequest& request) {
        QMutexLocker lock(&m_state.mutex);
        m_state.requests.append(request);
        const auto fault = m_state.takeFault(request.path);
        if (fault && fault->kind == LoopbackSyncServer::Fault::Kind::Stall) {
            const std::function<void()> observer = m_state.stallObserver;
            lock.unlock();
            if (observer) observer();
            return;
        }
        Answer answer;
        if (fault && fault->kind == LoopbackSyncServer::Fault::Kind::Answer) {
            answer = {fault->status, fault->body, fault->contentEncoding};
        } else if (fault && fault->kind == LoopbackSyncServer::Fault::Kind::GzipBomb) {
            static const QByteArray bomb = *gzipCompressedData(QByteArray(65 * 1024 * 1024, ' '));
            answer = {200, bomb, "gzip"};
        } else if (fault && fault->kind == LoopbackSyncServer::Fault::Kind::Oversized) {
            QByteArray body = "{\"changes\":\"" + QByteArray(64 * 1024 * 1024, 'x') + "\"}";
            answer = {200, body, {}};
        } else {
            answer = m_state.route(request);
            const bool acceptsGzip = request.header("Accept-Encoding").contains("gzip");
            if (acceptsGzip && answer.body.size() >= 1025 && answer.contentEncoding.isEmpty()) {
                answer.body = *gzipCompressedData(answer.body);
                answer.contentEncoding = "gzip";
            }
        }
        QByteArray bytes = serialized(answer);
        m_state.lastAnswerSize = bytes.size();
        if (fault && fault->kind == LoopbackSyncServer::Fault::Kind::Truncated) {
            bytes = serialized(answer);
            bytes.chop(answer.body.size() - answer.body.size() / 2);
            m_closeWhenWritten = true;
        } else if (fault && fault->kind == LoopbackSyncServer::Fault::Kind::Drop) {
            bytes = bytes.left(fault->dropAtByte);
            m_abortWhenWritten = true;
        } else {
            m_closeWhenWritten = true;
        }
        lock.unlock();
        if (bytes.isEmpty()) {
            p_finish();
            return;
        }
        if (fault && fault->kind == LoopbackSyncServer::Fault::Kind::Hold) {
            QMutexLocker relock(&m_state.mutex);
            m_state.heldAnswers.append([self = QPointer<ServerConnection>(this), bytes] {
                if (self) self->m_socket->write(bytes);
            });
            return;
        }
        m_socket->write(bytes);
    }

    void p_written() {
        if (m_socket->bytesToWrite() > 0 || m_socket->encryptedBytesToWrite() > 0) return;
        p_finish();
    }

    void p_finish() {
        if (m_abortWhenWritten) {
            m_socket->abort();
            deleteLater();
        } else if (m_closeWhenWritten) {
            m_socket->disconnectFromHost();
        }
    }

    LoopbackSyncServer::State& m_state;
    QSslSocket* m_socket;
    QByteArray m_buffer;
    bool m_answered = false;
    bool m_closeWhenWritten = false;
    bool m_abortWhenWritten = false;
};

class LoopbackSyncServer::Listener final : public QTcpServer {
public:
    explicit Listener(State& state) : m_state(state) {}

protected:
    void incomingConnection(qintptr descriptor) override { new ServerConnection(descriptor, m_state, this); }

private:
    State& m_state;
};

LoopbackSyncServer::LoopbackSyncServer(Options options)
    : m_state(std::make_unique<State>()), m_thread(std::make_unique<QThread>()) {
    m_state->options = options;
    TestCertificates::shared();
    m_thread->setObjectName(QStringLiteral("LoopbackSyncServer"));
    m_thread->start();
    m_listener = new Listener(*m_state);
    m_listener->moveToThread(m_thread.get());
    QMetaObject::invokeMethod(
        m_listener,
        [this] {
            m_listener->listen(QHostAddress::LocalHost, 0);
            m_port = m_listener->serverPort();
        },
        Qt::BlockingQueuedConnection);
}

LoopbackSyncServer::~LoopbackSyncServer() {
    QMetaObject::invokeMethod(
        m_listener, [this] { delete m_listener; }, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
}

QString LoopbackSyncServer::baseURL() const {
    return QStringLiteral("https://127.0.0.1:%1/").arg(m_port);
}

QSslCertificate LoopbackSyncServer::authorityCertificate() {
    return TestCertificates::shared().authority;
}

void LoopbackSyncServer::addAccount(const Account& account) {
    QMutexLocker lock(&m_state->mutex);
    m_state->accounts.insert(account.username, account);
    if (!m_state->stores.contains(account.username))
        m_state->stores.insert(account.username, SyncRecordStore());
}

void LoopbackSyncServer::injectFault(const QString& pathPrefix, const Fault& fault, int count) {
    QMutexLocker lock(&m_state->mutex);
    m_state->faults.append({pathPrefix, fault, count});
}

void LoopbackSyncServer::clearFaults() {
    QMutexLocker lock(&m_state->mutex);
    m_state->faults.clear();
}

void LoopbackSyncServer::setVersionRefused(bool refused) {
    QMutexLocker lock(&m_state->mutex);
    m_state->versionRefused = refused;
}

void LoopbackSyncServer::setLibraryProcessing(bool processing) {
    QMutexLocker lock(&m_state->mutex);
    m_state->libraryProcessing = processing;
}

void LoopbackSyncServer::setUnderMaintenance(bool maintenance) {
    QMutexLocker lock(&m_state->mutex);
    m_state->maintenance = maintenance;
}

void LoopbackSyncServer::setStallObserver(std::function<void()> observer) {
    QMutexLocker lock(&m_state->mutex);
    m_state->stallObserver = std::move(observer);
}

int LoopbackSyncServer::heldAnswerCount() const {
    QMutexLocker lock(&m_state->mutex);
    return static_cast<int>(m_state->heldAnswers.size());
}

void LoopbackSyncServer::releaseHeldAnswers() {
    QList<std::function<void()>> held;
    {
        QMutexLocker lock(&m_state->mutex);
        held.swap(m_state->heldAnswers);
    }
    QMetaObject::invokeMethod(
        m_listener,
        [held] {
            for (const auto& send : held) send();
        },
        Qt::BlockingQueuedConnection);
}

QList<LoopbackSyncServer::RecordedRequest> LoopbackSyncServer::requests() const {
    QMutexLocker lock(&m_state->mutex);
    return m_state->requests;
}

void LoopbackSyncServer::clearRequests() {
    QMutexLocker lock(&m_state->mutex);
    m_state->requests.clear();
}

qint64 LoopbackSyncServer::lastAnswerSize() const {
    QMutexLocker lock(&m_state->mutex);
    return m_state->lastAnswerSize;
}

SyncRecordStore LoopbackSyncServer::store(const QString& username) const {
    QMutexLocker lock(&m_state->mutex);
    return m_state->stores.value(username);
}

void LoopbackSyncServer::setStore(const QString& username, const SyncRecordStore& store) {
    QMutexLocker lock(&m_state->mutex);
    m_state->stores.insert(username, store);
}

}  // namespace synctest
