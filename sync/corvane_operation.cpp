#include "sync/corvane_operation.h"

#include "model/library.h"
#include "model/managed_object_context.h"
#include "platform/defaults/user_defaults.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_sync_settings.h"
#include "sync/corvane_wire_log.h"

TDCorvaneOperation::TDCorvaneOperation(platform::PersistentStoreCoordinator* coordinator)
    : TDLibraryOperation(coordinator) {
}

TDCorvaneOperation::~TDCorvaneOperation() = default;

platform::UserDefaults& TDCorvaneOperation::defaults() const {
    return m_defaults ? *m_defaults : platform::UserDefaults::standard();
}

TDCorvaneConnection& TDCorvaneOperation::connection() {
    if (!m_connection) {
        m_wireLog = TDCorvaneWireLog::openFromDefaults(defaults());
        m_connection = std::make_unique<TDCorvaneConnection>(
            m_options.value_or(TDCorvaneConnection::standardOptions(defaults())),
            [this] { return isCancelled(); });
        m_connection->setWireLog(m_wireLog.get());
    }
    return *m_connection;
}

QUrl TDCorvaneOperation::corvaneURL(const QString& path,
                                    const std::optional<TDCorvaneParameters>& parameters) {
    return corvaneURLWithPath(corvaneBaseURLText(defaults(), connection().options().urls), path, parameters);
}

Result<TDCorvaneRequest> TDCorvaneOperation::request(const QUrl& url, const QByteArray& method,
                                                     bool authenticated) {
    TDCorvaneRequest request = makeCorvaneRequest(url, method);
    if (!authenticated) return request;
    QString username = m_username;
    QString password = m_password;
    if (username.isEmpty() || password.isEmpty()) {
        // The account's user name is in the sync set, read here through the operation's own context.
        TDLibrary* library = threadedLibrary();
        if (library && !library->corvaneSyncSetManagedObjectContext())
            library->setCorvaneSyncSetManagedObjectContext(managedObjectContext());
        auto settings = TDCorvaneSyncSettings::make(library);
        if (!settings) return settings.error();
        if ((*settings)->hasEmptyUsernameOrPassword()) return corvaneAuthenticationError();
        username = (*settings)->username();
        password = (*settings)->password();
    }
    if (TDCorvaneWireLog* log = wireLog()) log->addSecret(password);
    setBasicAuthentication(request, username, password);
    return request;
}

Status TDCorvaneOperation::setJSONBody(TDCorvaneRequest& request, const QJsonObject& body) {
    const bool mayCompress =
        corvaneMayCompressBodies(defaults().string(QStringLiteral("corvaneSyncServiceURL")));
    return ::setJSONBody(request, body, mayCompress, wireLog());
}

Result<TDCorvaneAnswer> TDCorvaneOperation::responseDictionary(const TDCorvaneRequest& request) {
    return connection().responseDictionary(request, defaults());
}
