#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QUrl>

#include <utility>

class TDCorvaneWireLog;

// The largest body sent; a body of exactly this size still goes.
inline constexpr qsizetype kCorvaneMaximumRequestBodySize = 15'000'000;
// Smaller bodies are sent as they are.
inline constexpr qsizetype kCorvaneSmallestCompressedBody = 1025;
// A service reached on this port (a development server) never gets compressed bodies.
inline constexpr int kCorvaneUncompressedPort = 8080;
inline constexpr int kCorvaneRequestTimeoutMilliseconds = 30'000;

// One request to the sync service, as plain data: it is copied for the retry on the alternate URL and
// turned into a network request only when sent.
struct TDCorvaneRequest {
    QUrl url;
    QByteArray method = QByteArrayLiteral("GET");
    QList<std::pair<QByteArray, QByteArray>> headers;
    QByteArray body;

    void setHeader(const QByteArray& name, const QByteArray& value);
    QByteArray header(const QByteArray& name) const;
};

// "Connection: close", "Accept: application/json" and the program's User-Agent.
TDCorvaneRequest makeCorvaneRequest(const QUrl& url, const QByteArray& method = QByteArrayLiteral("GET"));
// "Authorization: Basic <Base64 of user:password in UTF-8>".
void setBasicAuthentication(TDCorvaneRequest& request, const QString& username, const QString& password);
QString basicAuthenticationToken(const QString& username, const QString& password);

// Compact JSON as the body ("Content-Type: application/json"), gzipped from 1,025 bytes on unless
// mayCompress is false. Over 15,000,000 bytes of JSON: 608 and the request is unchanged. With a wire log
// the JSON is logged as "Sending: <JSON>".
Status setJSONBody(TDCorvaneRequest& request, const QJsonObject& body, bool mayCompress,
                   TDCorvaneWireLog* wireLog = nullptr);
// Bodies are compressed unless the service base URL names port 8080.
bool corvaneMayCompressBodies(const QString& baseURLText);
