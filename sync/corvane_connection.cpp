#include "sync/corvane_connection.h"

#include "foundation/data_additions.h"
#include "foundation/paths.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_trust.h"
#include "sync/corvane_wire_log.h"

#include <QDateTime>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {

constexpr int kCancelPollMilliseconds = 50;

bool isLoopbackHost(const QString& host) {
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// Failures of the transfer itself, as opposed to HTTP statuses that Qt also reports as errors. Qt
// reports some client errors (400 among them) in its protocol range: with a status, they are the
// server's answer.
bool isConnectionLevel(QNetworkReply::NetworkError error, int status) {
    const int code = error;
    if (code >= 300 && code < 400) return status == 0;
    return (code >= 1 && code < 200) || code == QNetworkReply::UnknownNetworkError;
}

QNetworkRequest networkRequest(const TDCorvaneRequest& request, const QSslConfiguration& trust) {
    QNetworkRequest result(request.url);
    result.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    result.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    result.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    result.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    result.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    result.setAttribute(QNetworkRequest::AuthenticationReuseAttribute, QNetworkRequest::Manual);
    result.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    for (const auto& [name, value] : request.headers) result.setRawHeader(name, value);
    // Asked for here, so Qt leaves inflating to us and its cap.
    result.setRawHeader("Accept-Encoding", "gzip");
    if (request.url.scheme() == QStringLiteral("https")) result.setSslConfiguration(trust);
    return result;
}

}  // namespace

TDCorvaneConnection::Options TDCorvaneConnection::standardOptions(const platform::UserDefaults& defaults) {
    Options options;
    options.urls = TDCorvaneServiceURLs::fromDefaults(defaults);
    options.extraAnchors =
        corvaneBundledAnchors() +
        corvaneServiceAnchors(defaults.string(QStringLiteral("corvaneSyncServiceCertificates")));
    return options;
}

TDCorvaneConnection::TDCorvaneConnection(Options options, std::function<bool()> isCancelled)
    : m_options(std::move(options)), m_isCancelled(std::move(isCancelled)) {
}

TDCorvaneConnection::~TDCorvaneConnection() = default;

std::optional<TDError> TDCorvaneConnection::p_refusedBeforeConnecting(const QUrl& url) const {
    const QString text = url.toString();
    if (!url.isValid() || url.host().isEmpty())
        return corvaneConnectionError(TDConnectionFailed, QStringLiteral("The URL is not valid."), text);
    const bool loopback = isLoopbackHost(url.host());
    if (isRunningUnitTests() && !loopback)
        return corvaneConnectionError(TDConnectionNotAllowed,
                                      QStringLiteral("Only this machine is contacted while testing."), text);
    // Plain HTTP only to a development server on this machine.
    if (url.scheme() != QStringLiteral("https") && !(url.scheme() == QStringLiteral("http") && loopback))
        return corvaneConnectionError(TDConnectionNotAllowed,
                                      QStringLiteral("The sync service is reached over HTTPS only."), text);
    return std::nullopt;
}

TDCorvaneExchange TDCorvaneConnection::send(const TDCorvaneRequest& request) {
    TDCorvaneExchange exchange;
    exchange.url = request.url;
    const QString urlText = request.url.toString();
    logWithLevel(TDLogDebug, "DEBUG", "Sending request to %@", urlText);
    if (auto refused = p_refusedBeforeConnecting(request.url)) {
        exchange.connectionError = refused;
        return exchange;
    }
    if (m_wireLog) {
        const QByteArray authorization = request.header("Authorization");
        if (authorization.startsWith("Basic "))
            m_wireLog->addSecret(QString::fromLatin1(authorization.mid(6)));
    }
    if (!m_manager) {
        m_manager = std::make_unique<QNetworkAccessManager>();
        m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
        m_manager->setAutoDeleteReplies(false);
    }
    static thread_local std::optional<QSslConfiguration> trust;
    static thread_local QList<QSslCertificate> trustAnchors;
    if (!trust || trustAnchors != m_options.extraAnchors) {
        trust = corvaneTrustConfiguration(m_options.extraAnchors);
        trustAnchors = m_options.extraAnchors;
    }

    std::unique_ptr<QNetworkReply> reply(
        m_manager->sendCustomRequest(networkRequest(request, *trust), request.method, request.body));
    QByteArray raw;
    bool timedOut = false;
    bool cancelled = false;
    bool tooLarge = false;
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(m_options.timeoutMilliseconds);
    QTimer cancelPoll;
    cancelPoll.setInterval(kCancelPollMilliseconds);
    QNetworkReply* r = reply.get();
    const auto refuse = [&](bool& flag) {
        flag = true;
        r->abort();
    };
    QObject::connect(r, &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = r->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > kCorvaneMaximumAnswerSize) refuse(tooLarge);
    });
    QObject::connect(r, &QNetworkReply::readyRead, &loop, [&] {
        raw += r->readAll();
        idle.start();
        if (raw.size() > kCorvaneMaximumAnswerSize) refuse(tooLarge);
    });
    QObject::connect(r, &QNetworkReply::uploadProgress, &loop, [&] { idle.start(); });
    QObject::connect(r, &QNetworkReply::sslErrors, &loop, [&](const QList<QSslError>& errors) {
        QStringList texts;
        for (const QSslError& error : errors) texts.append(error.errorString());
        logWithLevel(TDLogError, "ERROR", "Certificate validation failed: %@",
                     texts.join(QStringLiteral("; ")));
    });
    QObject::connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QObject::connect(&idle, &QTimer::timeout, &loop, [&] { refuse(timedOut); });
    QObject::connect(&cancelPoll, &QTimer::timeout, &loop, [&] {
        if (m_isCancelled && m_isCancelled()) refuse(cancelled);
    });
    idle.start();
    cancelPoll.start();
    m_timeOutWaiting = [&] {
        if (!r->isFinished()) refuse(timedOut);
    };
    if (!r->isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    m_timeOutWaiting = nullptr;
    if (!tooLarge && !timedOut && !cancelled) raw += r->readAll();

    exchange.cancelled = cancelled;
    if (cancelled) return exchange;
    if (timedOut) {
        exchange.connectionError =
            corvaneConnectionError(TDConnectionTimedOut, QStringLiteral("The request timed out."), urlText);
        return exchange;
    }
    const int status = r->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (tooLarge) {
        exchange.status = status;
        exchange.answerProblem = QStringLiteral("larger than 64 MiB");
        return exchange;
    }
    if (r->error() != QNetworkReply::NoError && isConnectionLevel(r->error(), status)) {
        // An answer cut short is no answer.
        const auto code = r->error() == QNetworkReply::SslHandshakeFailedError ? TDConnectionTrustFailed
                                                                               : TDConnectionFailed;
        exchange.connectionError = corvaneConnectionError(code, r->errorString(), urlText);
        return exchange;
    }
    exchange.status = status;
    if (r->rawHeader("Content-Encoding").trimmed().compare("gzip", Qt::CaseInsensitive) == 0 &&
        !raw.isEmpty()) {
        auto inflated = gzipDecompressedData(raw, kCorvaneMaximumAnswerSize);
        if (!inflated) {
            exchange.answerProblem = inflated.error().code == TDDataErrorTooLarge
                                         ? QStringLiteral("larger than 64 MiB")
                                         : QStringLiteral("not a valid gzip stream");
            return exchange;
        }
        raw = std::move(*inflated);
    }
    exchange.body = std::move(raw);
    return exchange;
}

void TDCorvaneConnection::timeOutWaitingRequest() {
    if (m_timeOutWaiting) m_timeOutWaiting();
}

bool TDCorvaneConnection::shouldRetryWithAlternateURL(const TDError& error) const {
    std::optional<TDError> connectionError = error;
    if (error.isInDomain(TDCorvaneErrorCommunication)) connectionError = underlyingError(error);
    if (!connectionError || !connectionError->isInDomain(TDConnectionTimedOut, TDConnectionErrorDomain))
        return false;
    const QString failing = connectionError->userInfo.value(TDFailingURLKey).toString();
    const QString& primary = m_options.urls.primary;
    const QString& alternate = m_options.urls.alternate;
    if (failing.isEmpty() || primary.isEmpty() || alternate.isEmpty() || primary == alternate) return false;
    return failing.startsWith(primary) && !failing.startsWith(alternate);
}

TDCorvaneRequest TDCorvaneConnection::requestOnAlternateURL(const TDCorvaneRequest& request) const {
    TDCorvaneRequest copy = request;
    const QString text = request.url.toString(QUrl::FullyEncoded);
    const QString primary = QUrl(m_options.urls.primary).toString(QUrl::FullyEncoded);
    if (text.startsWith(primary))
        copy.url =
            QUrl(QUrl(m_options.urls.alternate).toString(QUrl::FullyEncoded) + text.mid(primary.size()),
                 QUrl::StrictMode);
    return copy;
}

Result<TDCorvaneAnswer> TDCorvaneConnection::responseDictionary(const TDCorvaneRequest& request,
                                                                platform::UserDefaults& defaults) {
    const auto cancelledError = [] {
        TDError error = TDError::make(TDConnectionCancelled, QStringLiteral("The request was cancelled."));
        error.domain = TDConnectionErrorDomain;
        return error;
    };
    TDCorvaneExchange exchange = send(request);
    if (exchange.cancelled) return cancelledError();
    if (exchange.connectionError && shouldRetryWithAlternateURL(*exchange.connectionError)) {
        logWithLevel(TDLogInfo, "INFO", "Retrying communication with Corvane through alternate URL…");
        exchange = send(requestOnAlternateURL(request));
        if (exchange.cancelled) return cancelledError();
        if (exchange.status > 0 && !exchange.connectionError) {
            logWithLevel(TDLogInfo, "INFO", "Success through alternate URL");
            defaults.setValue(QStringLiteral("corvaneSyncServiceURL"), m_options.urls.alternate);
            defaults.setValue(QStringLiteral("corvaneSyncServiceAlternateURLSwitchOverDate"),
                              QDateTime::currentDateTimeUtc());
        }
    }
    const std::optional<TDError> error =
        corvaneErrorFromExchange(exchange.connectionError, exchange.status, exchange.body);
    if (m_wireLog) {
        if (exchange.body.isEmpty())
            m_wireLog->log(QStringLiteral("Response %1").arg(exchange.status));
        else
            m_wireLog->log(
                QStringLiteral("Response %1: %2").arg(exchange.status).arg(QString::fromUtf8(exchange.body)));
    }
    if (error) return *error;
    if (exchange.answerProblem)
        return corvaneMalformedAnswerError(exchange.status, QStringLiteral("body"), *exchange.answerProblem);
    // Redirects are not followed, and an answer that only points elsewhere is of no use.
    if (exchange.status >= 300 && exchange.status != 304)
        return corvaneUnexpectedServerError(exchange.status);
    return TDCorvaneAnswer::fromBody(exchange.status, exchange.body);
}
