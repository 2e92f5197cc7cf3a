#pragma once

#include "tests/sync/support/sync_record_store.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QSslCertificate>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

class QThread;

namespace synctest {

// A sync service of our own for tests: HTTPS on 127.0.0.1 with a certificate made at test time, on a
// thread of its own so a client may block the test's thread while it waits. It speaks only what the
// client relies on:
// - GET "/user/<name>": {"email", "token"} for the authenticated account named in the path.
// - GET and PUT "/sync/library/": parameters in the query (GET) or a JSON body, gzipped or not (PUT):
//   "node_id" (required), "token", "synctype" ("full", "fullput"), "putsession", "changes", "more",
//   "bookmark", "getsession", "limit". Answers {"changes", "token"} and, while records remain,
//   "bookmark", "getsession" and "limit"; the token comes with the last page only.
// - GET "/sync/objects/?uids=a,b&node_id=n": {"objects": [records with "uid"]}.
// - GET "/sync/tasks/?node_id&parent_uid[&last_uid&completed_start]": {"tasks", "nomore"}.
// Its own choices, beside those of SyncRecordStore:
// - The pages of one "putsession" are collected and applied together when the page without "more"
//   arrives; the answer to it is the first download page. Earlier pages are answered with {}.
// - An incremental download (a token, no "synctype") holds the changes after the token that other
//   nodes made: a node's own changes are not sent back. Nothing to send to a GET is 304, empty.
// - A full download (or one without a token) holds every live record but completed tasks.
// - 410 {"code": 41000} for a token of another library, one ahead of the library, or malformed.
// - 409 {"code": 40900} for a PUT while another putsession of the account has pages pending.
// - 401 for a missing or wrong Basic header; 403 with 40301 while the client's version is refused,
//   40302 while the library is being processed; 503 while under maintenance (switches below).
// - Answers of 1,025 bytes or more are gzipped when the request accepts gzip.
class LoopbackSyncServer {
public:
    struct Options {
        bool untrustedCertificate = false;  // serve a certificate no anchor vouches for
        int pageLimit = 500;                // download records per page
        int taskPageLimit = 100;
    };

    struct Account {
        QString username;
        QString password;
        QString email;
    };

    struct RecordedRequest {
        QByteArray method;
        QByteArray target;  // as sent: path and raw query
        QByteArray path;    // percent-decoded
        QByteArray rawQuery;
        QList<std::pair<QByteArray, QByteArray>> headers;
        QByteArray rawBody;
        QByteArray body;  // inflated
        QByteArray header(const QByteArray& name) const;
        // Query pairs, percent-decoded, in order.
        QList<std::pair<QString, QString>> queryItems() const;
        QString queryValue(const QString& key) const;
        QJsonObject json() const;
    };

    // What the next matching requests get instead of their answer.
    struct Fault {
        enum class Kind {
            Answer,     // status, body and content encoding as given
            Drop,       // the connection closes after dropAtByte bytes of the real answer
            Stall,      // no answer ever; the connection stays open
            Truncated,  // the headers promise the whole body, half of it comes, then the connection ends
            GzipBomb,   // 200, a small gzip body that inflates past 64 MiB
            Oversized,  // 200, a body just over 64 MiB
            Hold,       // the request is handled at once, its answer kept until releaseHeldAnswers()
        };
        Kind kind = Kind::Answer;
        int status = 200;
        QByteArray body;
        QByteArray contentEncoding;
        qint64 dropAtByte = 0;

        static Fault answer(int status, const QByteArray& body = {}, const QByteArray& contentEncoding = {}) {
            Fault fault;
            fault.status = status;
            fault.body = body;
            fault.contentEncoding = contentEncoding;
            return fault;
        }
        static Fault of(Kind kind, qint64 dropAtByte = 0) {
            Fault fault;
            fault.kind = kind;
            fault.dropAtByte = dropAtByte;
            return fault;
        }
    };

    explicit LoopbackSyncServer(Options options);
    LoopbackSyncServer() : LoopbackSyncServer(Options{}) {}
    ~LoopbackSyncServer();
    LoopbackSyncServer(const LoopbackSyncServer&) = delete;
    LoopbackSyncServer& operator=(const LoopbackSyncServer&) = delete;

    quint16 port() const { return m_port; }
    // "https://127.0.0.1:<port>/".
    QString baseURL() const;
    // The anchor a client must trust.
    static QSslCertificate authorityCertificate();

    void addAccount(const Account& account);
    // Faults for requests whose decoded path starts with the prefix, used up in order, each for count
    // requests.
    void injectFault(const QString& pathPrefix, const Fault& fault, int count = 1);
    void clearFaults();
    void setVersionRefused(bool refused);
    void setLibraryProcessing(bool processing);
    void setUnderMaintenance(bool maintenance);

    // Called on the server's thread each time a request stalls, once it is recorded.
    void setStallObserver(std::function<void()> observer);

    // Held answers: how many wait, and sending them.
    int heldAnswerCount() const;
    void releaseHeldAnswers();

    QList<RecordedRequest> requests() const;
    void clearRequests();
    // The length in bytes of the whole answer the server would send for a request (for drop points).
    qint64 lastAnswerSize() const;

    SyncRecordStore store(const QString& username) const;
    void setStore(const QString& username, const SyncRecordStore& store);

    struct State;

private:
    std::unique_ptr<State> m_state;
    std::unique_ptr<QThread> m_thread;
    class Listener;
    Listener* m_listener = nullptr;  // lives on m_thread
    quint16 m_port = 0;
};

}  // namespace synctest
