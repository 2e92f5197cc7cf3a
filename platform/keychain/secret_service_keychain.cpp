#include "platform/keychain/secret_service_keychain.h"

#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

#include <QScopeGuard>

#include <memory>

namespace platform {

namespace {

const SecretSchema* passwordSchema() {
    // Matched by attributes only, so items made by other programs for the same service count too.
    static const SecretSchema schema = [] {
        SecretSchema made{};
        made.name = "com.vantorel.Ordello.Password";
        made.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        made.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        made.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return made;
    }();
    return &schema;
}

struct GErrorDeleter {
    void operator()(GError* e) const { g_error_free(e); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorDeleter>;

TDError errorFrom(GError* raw, const char* doing) {
    const ErrorPtr error(raw);
    const QString reason =
        QStringLiteral("%1: %2").arg(QString::fromUtf8(doing), QString::fromUtf8(error->message));
    if (error->domain == G_DBUS_ERROR ||
        (error->domain == G_IO_ERROR && error->code != G_IO_ERROR_CANCELLED)) {
        // Forgets the service, so a keyring started later in the session is found.
        secret_service_disconnect();
        return keychainError(KeychainErrorUnavailable, reason);
    }
    // A dismissed or impossible unlock prompt comes back as cancelled.
    if ((error->domain == SECRET_ERROR && error->code == SECRET_ERROR_IS_LOCKED) ||
        (error->domain == G_IO_ERROR && error->code == G_IO_ERROR_CANCELLED))
        return keychainError(KeychainErrorLocked, reason);
    return keychainError(KeychainErrorFailed, reason);
}

struct ServiceDeleter {
    void operator()(SecretService* s) const { g_object_unref(s); }
};
using ServicePtr = std::unique_ptr<SecretService, ServiceDeleter>;

// The session bus that libsecret shares ends the whole process with SIGTERM when the bus goes away;
// a keyring that vanishes is an error to report, so that connection is told to stay quiet. The shared
// connection is made anew after a loss, so every keychain call says so again.
void keepRunningWhenTheBusCloses() {
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus) return;
    g_dbus_connection_set_exit_on_close(bus, FALSE);
    g_object_unref(bus);
}

Result<ServicePtr> openService() {
    keepRunningWhenTheBusCloses();
    GError* error = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &error);
    if (!service) {
        if (!error) return keychainError(KeychainErrorUnavailable, QStringLiteral("No secret service."));
        return errorFrom(error, "Connecting to the secret service");
    }
    return ServicePtr(service);
}

GHashTable* attributesFor(const QString& service, const QString& account) {
    return secret_attributes_build(passwordSchema(), "service", service.toUtf8().constData(), "account",
                                   account.toUtf8().constData(), nullptr);
}

}  // namespace

Result<std::optional<QString>> SecretServiceKeychain::findPassword(const QString& service,
                                                                   const QString& account) {
    auto secretService = openService();
    if (!secretService) return secretService.error();
    GHashTable* attributes = attributesFor(service, account);
    GError* error = nullptr;
    // Searched without unlocking, so a locked item is told apart from a missing one.
    GList* items = secret_service_search_sync(secretService->get(), passwordSchema(), attributes,
                                              SECRET_SEARCH_ALL, nullptr, &error);
    g_hash_table_unref(attributes);
    if (error) return errorFrom(error, "Searching the keyring");
    if (!items) return std::optional<QString>();
    const auto freeItems = qScopeGuard([items] { g_list_free_full(items, g_object_unref); });
    auto* item = static_cast<SecretItem*>(items->data);
    if (secret_item_get_locked(item)) {
        GList* toUnlock = g_list_append(nullptr, item);
        GList* unlocked = nullptr;
        secret_service_unlock_sync(secretService->get(), toUnlock, nullptr, &unlocked, &error);
        g_list_free(toUnlock);
        g_list_free_full(unlocked, g_object_unref);
        if (error) return errorFrom(error, "Unlocking the keyring");
        if (secret_item_get_locked(item))
            return keychainError(KeychainErrorLocked, QStringLiteral("The keyring stays locked."));
    }
    if (!secret_item_load_secret_sync(item, nullptr, &error)) {
        if (error) return errorFrom(error, "Reading the password");
        return keychainError(KeychainErrorFailed, QStringLiteral("The password could not be read."));
    }
    SecretValue* value = secret_item_get_secret(item);
    if (!value) return keychainError(KeychainErrorLocked, QStringLiteral("The password was not handed out."));
    const QString password = QString::fromUtf8(secret_value_get_text(value));
    secret_value_unref(value);
    return std::optional<QString>(password);
}

Status SecretServiceKeychain::storePassword(const QString& service, const QString& account,
                                            const QString& password) {
    keepRunningWhenTheBusCloses();
    GError* error = nullptr;
    const QByteArray label = QStringLiteral("%1 (%2)").arg(service, account).toUtf8();
    const bool stored = secret_password_store_sync(passwordSchema(), SECRET_COLLECTION_DEFAULT,
                                                   label.constData(), password.toUtf8().constData(), nullptr,
                                                   &error, "service", service.toUtf8().constData(), "account",
                                                   account.toUtf8().constData(), nullptr);
    if (error) return errorFrom(error, "Storing the password");
    if (!stored) return keychainError(KeychainErrorFailed, QStringLiteral("The password was not stored."));
    return {};
}

Status SecretServiceKeychain::removePassword(const QString& service, const QString& account) {
    keepRunningWhenTheBusCloses();
    GError* error = nullptr;
    secret_password_clear_sync(passwordSchema(), nullptr, &error, "service", service.toUtf8().constData(),
                               "account", account.toUtf8().constData(), nullptr);
    if (error) return errorFrom(error, "Removing the password");
    return {};
}

}  // namespace platform
