#pragma once

#include "platform/base/error.h"
#include "sync/corvane_answer.h"
#include "sync/corvane_request.h"
#include "sync/corvane_url.h"

#include <QList>
#include <QSslCertificate>

#include <functional>
#include <memory>
#include <optional>

class QNetworkAccessManager;
class TDCorvaneWireLog;

namespace platform {
class UserDefaults;
}

// What one attempt of a request brought back.
struct TDCorvaneExchange {
    QUrl url;
    int status = 0;   // 0: no usable HTTP response (refused, dropped, cut short, timed out)
    QByteArray body;  // inflated
    std::optional<TDError> connectionError;
    std::optional<QString> answerProblem;  // an answer that came whole but cannot be used (too large)
    bool cancelled = false;
};

// The sync service's side of an operation: sends requests from the calling thread and waits for each in
// a local event loop. Make it, use it and drop it on one thread (the operation's); its network access
// manager lives there. Requests go only over TLS that the system's anchors or the given ones verify
// (never over an ignored error), follow no redirect, carry only the credentials put on them, and come
// back inflated and capped. While testing, only this machine is contacted.
class TDCorvaneConnection final {
public:
    struct Options {
        TDCorvaneServiceURLs urls;
        QList<QSslCertificate> extraAnchors;  // the bundled anchor in the program
        int timeoutMilliseconds = kCorvaneRequestTimeoutMilliseconds;
    };
    // Options of the program: the URLs from the registered defaults and the bundled anchor.
    static Options standardOptions(const platform::UserDefaults& defaults);

    // isCancelled is polled while a request waits; a cancelled request ends without error or answer.
    TDCorvaneConnection(Options options, std::function<bool()> isCancelled);
    ~TDCorvaneConnection();
    TDCorvaneConnection(const TDCorvaneConnection&) = delete;
    TDCorvaneConnection& operator=(const TDCorvaneConnection&) = delete;

    const Options& options() const { return m_options; }
    // Not owned; may be null. The connection tells it the secrets it must not write.
    void setWireLog(TDCorvaneWireLog* wireLog) { m_wireLog = wireLog; }
    TDCorvaneWireLog* wireLog() const { return m_wireLog; }

    // One attempt, nothing mapped.
    TDCorvaneExchange send(const TDCorvaneRequest& request);
    // Ends the request being waited for as its time-out would; nothing happens when none waits. Called
    // on the connection's thread (from its event loop), e.g. by a test that knows the service stalls.
    void timeOutWaitingRequest();
    // The request with the service's rules: one retry on the alternate base URL for a time-out of a
    // request sent to the primary one (kept in the defaults when it answers), the sync error of the
    // outcome, "Response <status>: <body>" in the wire log, and the answer as a JSON object. A cancelled
    // request gives the connection error TDConnectionCancelled: callers look at their cancel flag.
    Result<TDCorvaneAnswer> responseDictionary(const TDCorvaneRequest& request,
                                               platform::UserDefaults& defaults);

    // A time-out of a request whose URL begins with the primary base URL (the alternate one is never
    // retried, nor a URL outside the service).
    bool shouldRetryWithAlternateURL(const TDError& error) const;
    // The same request on the alternate base URL.
    TDCorvaneRequest requestOnAlternateURL(const TDCorvaneRequest& request) const;

private:
    std::optional<TDError> p_refusedBeforeConnecting(const QUrl& url) const;

    Options m_options;
    std::function<bool()> m_isCancelled;
    TDCorvaneWireLog* m_wireLog = nullptr;
    std::unique_ptr<QNetworkAccessManager> m_manager;
    std::function<void()> m_timeOutWaiting;  // set while send() waits
};

inline constexpr int TDConnectionCancelled = 5;
