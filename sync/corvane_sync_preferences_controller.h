#pragma once

#include "foundation/alert.h"
#include "platform/base/error.h"
#include "sync/corvane_change_set.h"
#include "sync/corvane_connection.h"

#include <QObject>
#include <QString>

#include <optional>

class TDLibraryManager;
struct TDCorvaneFullSyncAlert;

namespace platform {
class OperationQueue;
class UserDefaults;
}  // namespace platform

// What the sync pane asks of the windows around it: the widgets show sheets on the pane's window and
// open the full-sync window; tests script them.
class TDCorvaneSyncPaneHost {
public:
    virtual ~TDCorvaneSyncPaneHost() = default;
    // A sheet; the index of the button chosen.
    virtual int runSheet(const TDAlert& alert) = 0;
    // The full-sync question as a sheet: the button's tag (1000, 1001); the kind chosen in its pop-up
    // goes into the alert.
    virtual int runFullSyncAlert(TDCorvaneFullSyncAlert& alert) = 0;
    // The full-sync window, running the full sync of the type.
    virtual void performFullSync(TDCorvaneSyncType type) = 0;
};

// The "Sync Service" pane without its view: signing in (the account checked off the main thread, the
// password kept only in the keyring), the account, signing out, and the way into a full sync. The pane
// is signed in exactly while the library option "corvaneSyncEnabled" is on, wherever it is switched.
class TDCorvaneSyncPreferencesController final : public QObject {
    Q_OBJECT
public:
    TDCorvaneSyncPreferencesController(TDLibraryManager& manager, TDCorvaneSyncPaneHost& host,
                                       platform::UserDefaults& defaults, QObject* parent = nullptr);
    // Waits for an account check still running (it never waits for this thread).
    ~TDCorvaneSyncPreferencesController() override;

    // Where the checks connect; the program's own unless set (tests give their service's).
    void setConnectionOptions(const std::optional<TDCorvaneConnection::Options>& options) {
        m_options = options;
    }

    // When the preferences window sets the pane up: the state of the open library, and a signed-in
    // account checked again.
    void setupPreferencePane();

    bool isSignedIn() const { return m_signedIn; }
    bool isVerifying() const { return m_verifying; }
    QString username() const { return m_username; }
    void setUsername(const QString& username) { m_username = username; }
    QString password() const { return m_password; }
    void setPassword(const QString& password) { m_password = password; }
    QString email() const { return m_email; }
    // The service's address from the settings; empty when none is set, and then there is no signing in.
    QString serviceAddress() const;

    void signIn();
    void signOut();
    // Checks the stored account off the main thread, then asks which full sync to run.
    void fullSync();
    void makeNewAccount();
    void lostPassword();
    void manageAccount();

    // "Invalid username or password" for a wrong account (or none), else the error as it came.
    static TDAlert accountVerifyFailedAlert(const std::optional<TDError>& error);

Q_SIGNALS:
    // Signed in or out, checking or not, e-mail.
    void stateChanged();
    // The sign-in view and the account view swap.
    void viewChanged(bool animate);
    // An account check ended (signing in, or before a full sync).
    void verifyFinished();

private:
    struct Check {
        bool verified = false;
        bool empty = false;
        QString email;
        std::optional<TDError> error;
    };
    void p_verify(bool fullSyncAfterwards);
    void p_didVerify(const Check& check, bool fullSyncAfterwards);
    void p_askFullSync(const Check& check);
    void p_runCheck(const QString& username, const QString& password, std::function<void(const Check&)> then);
    void p_invalidUser(const std::optional<TDError>& error);
    void p_signedOutElsewhere();
    void p_openServicePage(const QString& page);
    void p_setVerifying(bool verifying);

    TDLibraryManager& m_manager;
    TDCorvaneSyncPaneHost& m_host;
    platform::UserDefaults& m_defaults;
    platform::OperationQueue* m_queue;
    std::optional<TDCorvaneConnection::Options> m_options;
    bool m_signedIn = false;
    bool m_verifying = false;
    QString m_username;
    QString m_password;
    QString m_email;
};
