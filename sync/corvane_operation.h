#pragma once

#include "store/library_operation.h"
#include "sync/corvane_answer.h"
#include "sync/corvane_connection.h"
#include "sync/corvane_request.h"
#include "sync/corvane_url.h"

#include <QJsonObject>
#include <QString>

#include <memory>
#include <optional>

class TDCorvaneWireLog;

namespace platform {
class UserDefaults;
}

// The base of every exchange with the sync service. Requests are built from the base URL in the user
// defaults, authenticated with the operation's own credentials or else the library's account, and sent
// from the thread that runs the operation (one connection per operation, made on that thread). A
// subclass supplies main() and checks isCancelled() after every request.
class TDCorvaneOperation : public TDLibraryOperation {
public:
    explicit TDCorvaneOperation(platform::PersistentStoreCoordinator* coordinator = nullptr);
    ~TDCorvaneOperation() override;

    // When both are set they are used instead of the library's stored account.
    QString username() const { return m_username; }
    void setUsername(const QString& username) { m_username = username; }
    QString password() const { return m_password; }
    void setPassword(const QString& password) { m_password = password; }

    const std::optional<TDError>& error() const { return m_error; }
    void setError(const std::optional<TDError>& error) { m_error = error; }

    // Where and how to connect; the program's own unless tests give theirs before the operation runs.
    void setConnectionOptions(const TDCorvaneConnection::Options& options) { m_options = options; }
    platform::UserDefaults& defaults() const;
    void setDefaults(platform::UserDefaults* defaults) { m_defaults = defaults; }  // not owned

    // The base URL in use and the path; parameters, even none, form a query.
    QUrl corvaneURL(const QString& path, const std::optional<TDCorvaneParameters>& parameters = std::nullopt);
    // A request with the service's headers. Authenticated: the operation's credentials, else the
    // library's account; a keychain that cannot answer is 615, an empty user name or password 602.
    Result<TDCorvaneRequest> request(const QUrl& url, const QByteArray& method = QByteArrayLiteral("GET"),
                                     bool authenticated = true);
    // The body as JSON, with the wire log and the compression rule of the service's port.
    Status setJSONBody(TDCorvaneRequest& request, const QJsonObject& body);
    // Sends and maps (TDCorvaneConnection::responseDictionary).
    Result<TDCorvaneAnswer> responseDictionary(const TDCorvaneRequest& request);

    TDCorvaneConnection& connection();
    // Opened with the connection, from the defaults' "syncLogPath"; null when none is set.
    TDCorvaneWireLog* wireLog() { return connection().wireLog(); }

protected:
    void main() override {}

private:
    QString m_username;
    QString m_password;
    std::optional<TDError> m_error;
    std::optional<TDCorvaneConnection::Options> m_options;
    platform::UserDefaults* m_defaults = nullptr;
    std::unique_ptr<TDCorvaneWireLog> m_wireLog;
    std::unique_ptr<TDCorvaneConnection> m_connection;
};
