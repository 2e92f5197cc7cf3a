#include "sync/corvane_request.h"

#include "foundation/data_additions.h"
#include "foundation/shared_constants.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_wire_log.h"

#include <QJsonDocument>

void TDCorvaneRequest::setHeader(const QByteArray& name, const QByteArray& value) {
    for (auto& [key, existing] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            existing = value;
            return;
        }
    }
    headers.append({name, value});
}

QByteArray TDCorvaneRequest::header(const QByteArray& name) const {
    for (const auto& [key, value] : headers)
        if (key.compare(name, Qt::CaseInsensitive) == 0) return value;
    return {};
}

TDCorvaneRequest makeCorvaneRequest(const QUrl& url, const QByteArray& method) {
    TDCorvaneRequest request;
    request.url = url;
    request.method = method.isEmpty() ? QByteArrayLiteral("GET") : method;
    request.setHeader("Connection", "close");
    request.setHeader("Accept", "application/json");
    request.setHeader("User-Agent", TDUserAgent().toUtf8());
    return request;
}

QString basicAuthenticationToken(const QString& username, const QString& password) {
    return base64EncodedString(QStringLiteral("%1:%2").arg(username, password).toUtf8());
}

void setBasicAuthentication(TDCorvaneRequest& request, const QString& username, const QString& password) {
    request.setHeader("Authorization", "Basic " + basicAuthenticationToken(username, password).toLatin1());
}

Status setJSONBody(TDCorvaneRequest& request, const QJsonObject& body, bool mayCompress,
                   TDCorvaneWireLog* wireLog) {
    const QByteArray json = QJsonDocument(body).toJson(QJsonDocument::Compact);
    if (json.size() > kCorvaneMaximumRequestBodySize) return corvaneRequestTooBigError();
    if (wireLog) wireLog->log(QStringLiteral("Sending: ") + QString::fromUtf8(json));
    if (mayCompress && json.size() >= kCorvaneSmallestCompressedBody) {
        auto compressed = gzipCompressedData(json);
        if (!compressed) return compressed.error();
        request.body = *compressed;
        request.setHeader("Content-Encoding", "gzip");
    } else {
        request.body = json;
        request.headers.removeIf(
            [](const auto& h) { return h.first.compare("Content-Encoding", Qt::CaseInsensitive) == 0; });
    }
    request.setHeader("Content-Type", "application/json");
    return {};
}

bool corvaneMayCompressBodies(const QString& baseURLText) {
    return QUrl(baseURLText).port() != kCorvaneUncompressedPort;
}
