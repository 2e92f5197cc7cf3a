#pragma once

#include "auxiliary/gui/preference_pane.h"
#include "sync/corvane_sync_preferences_controller.h"

#include <memory>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class TDAlertPrompter;
class TDLibraryManager;
class TDSyncWindows;

namespace platform {
class UserDefaults;
}

// The "Sync Service" pane: the sign-in view (user name, password, Sign In with its spinner, new account,
// lost password) and the account view (the account, its e-mail, the service's address, Sign Out, Full
// Sync…, Manage Account…). The window changes height with the view, keeping its top edge.
class TDCorvaneSyncPane final : public TDPreferencePane, private TDCorvaneSyncPaneHost {
public:
    // Sheets go to the prompter; the full-sync window is the sync windows' one.
    TDCorvaneSyncPane(TDLibraryManager& manager, TDAlertPrompter& sheets, TDSyncWindows& windows,
                      platform::UserDefaults& defaults);
    ~TDCorvaneSyncPane() override;

    QWidget* view() override;
    QString helpAnchor() const override { return QStringLiteral("prefs_online_sync"); }
    void setupPreferencePaneController(TDPreferencesController& controller) override;

    TDCorvaneSyncPreferencesController& controller() { return m_controller; }
    bool showsAccountView() const;
    QLineEdit* usernameField() const { return m_username; }
    QLineEdit* passwordField() const { return m_password; }
    QPushButton* signInButton() const { return m_signIn; }

private:
    int runSheet(const TDAlert& alert) override;
    int runFullSyncAlert(TDCorvaneFullSyncAlert& alert) override;
    void performFullSync(TDCorvaneSyncType type) override;

    QWidget* p_makeSignInView();
    QWidget* p_makeAccountView();
    void p_showState();
    void p_showView();

    TDAlertPrompter& m_sheets;
    TDSyncWindows& m_windows;
    TDCorvaneSyncPreferencesController m_controller;
    std::unique_ptr<QWidget> m_view;
    QStackedWidget* m_pages = nullptr;
    QLineEdit* m_username = nullptr;
    QLineEdit* m_password = nullptr;
    QPushButton* m_signIn = nullptr;
    QProgressBar* m_spinner = nullptr;
    QLabel* m_account = nullptr;
    QLabel* m_email = nullptr;
    QLineEdit* m_address = nullptr;
};
