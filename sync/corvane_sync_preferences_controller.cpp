#include "sync/corvane_sync_preferences_controller.h"

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/files/workspace.h"
#include "platform/operations/operation_queue.h"
#include "store/library_manager.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_full_sync_alert.h"
#include "sync/corvane_get_user_details_operation.h"
#include "sync/corvane_sync_settings.h"

#include <QPointer>
#include <QSet>
#include <QTimer>
#include <QUrl>

namespace {
const QString kSyncEnabledOption = QStringLiteral("corvaneSyncEnabled");
const QString kAccountEmailOption = QStringLiteral("corvaneAccountEmail");
const QString kServiceURLKey = QStringLiteral("corvaneSyncServiceURL");
const QString kWebsiteURLKey = QStringLiteral("corvaneWebsiteURL");

// Nothing in the library is the user's yet: its groups are the starter ones (fixed UIDs) and its tasks
// the starter task and the quick guide's. Taking the server's library then loses nothing.
bool holdsOnlyStarterContent(TDLibrary* library) {
    if (!library) return false;
    static const QSet<QString> starterGroups = {
        TDLibrary::RootGroupUID,      TDLibrary::InboxFolderUID,    TDLibrary::OrdellosFolderUID,
        TDLibrary::FoldersGroupUID,   TDLibrary::ArchiveGroupUID,   TDLibrary::TagsGroupUID,
        TDLibrary::InboxListUID,      TDLibrary::TodayGroupUID,     TDLibrary::UpcomingGroupUID,
        TDLibrary::ProjectsFolderUID, TDLibrary::QuickGuideListUID, TDLibrary::OnHoldFolderUID,
        TDLibrary::SomedayListUID};
    for (TDGroup* group : library->allGroups())
        if (!group->isSpecial() && !starterGroups.contains(group->uid())) return false;
    for (TDTask* task : library->allTasks()) {
        if (task->uid() == TDLibrary::StarterTaskUID) continue;
        const TDList* list = task->list();
        if (!list || list->uid() != TDLibrary::QuickGuideListUID) return false;
    }
    return true;
}
}  // namespace

TDCorvaneSyncPreferencesController::TDCorvaneSyncPreferencesController(TDLibraryManager& manager,
                                                                       TDCorvaneSyncPaneHost& host,
                                                                       platform::UserDefaults& defaults,
                                                                       QObject* parent)
    : QObject(parent),
      m_manager(manager),
      m_host(host),
      m_defaults(defaults),
      m_queue(new platform::OperationQueue(QStringLiteral("Sync account check"), this)) {
    connect(&m_manager, &TDLibraryManager::optionDidChange, this, [this](const QString& key) {
        if (key == kSyncEnabledOption && !m_manager.optionForKey(kSyncEnabledOption).toBool())
            p_signedOutElsewhere();
    });
}

TDCorvaneSyncPreferencesController::~TDCorvaneSyncPreferencesController() {
    // Before this object goes, so that no answer arrives for it.
    delete m_queue;
}

QString TDCorvaneSyncPreferencesController::serviceAddress() const {
    return m_defaults.string(kServiceURLKey).trimmed();
}

void TDCorvaneSyncPreferencesController::setupPreferencePane() {
    m_signedIn = m_manager.optionForKey(kSyncEnabledOption).toBool();
    m_email = m_manager.optionForKey(kAccountEmailOption).toString();
    if (m_signedIn) {
        // Errors are left to the check below, which shows them.
        if (auto settings = TDCorvaneSyncSettings::make(m_manager.library()); settings) {
            m_username = (*settings)->username();
            m_password = (*settings)->password();
        }
    }
    Q_EMIT stateChanged();
    Q_EMIT viewChanged(false);
    if (m_signedIn) p_verify(false);
}

void TDCorvaneSyncPreferencesController::signIn() {
    if (m_verifying) return;
    p_verify(false);
}

void TDCorvaneSyncPreferencesController::p_verify(bool fullSyncAfterwards) {
    if (serviceAddress().isEmpty()) return;
    if (auto settings = TDCorvaneSyncSettings::make(m_manager.library()); !settings) {
        m_host.runSheet(alertWithOrdelloError(settings.error()));
        return;
    }
    if (m_username.trimmed().isEmpty() || m_password.isEmpty()) {
        // The check would fall back on the library's stored account.
        p_invalidUser(std::nullopt);
        Q_EMIT verifyFinished();
        return;
    }
    p_setVerifying(true);
    p_runCheck(m_username.trimmed(), m_password,
               [this, fullSyncAfterwards](const Check& check) { p_didVerify(check, fullSyncAfterwards); });
}

void TDCorvaneSyncPreferencesController::p_runCheck(const QString& username, const QString& password,
                                                    std::function<void(const Check&)> then) {
    auto operation = std::make_shared<TDCorvaneGetUserDetailsOperation>();
    operation->setUsername(username);
    operation->setPassword(password);
    if (m_options) operation->setConnectionOptions(*m_options);
    QPointer<TDCorvaneSyncPreferencesController> self(this);
    m_queue->addOperation([operation, self, then = std::move(then)] {
        operation->performOperation();
        Check check{operation->verified(), operation->isEmpty(), operation->email(), operation->error()};
        if (self)
            QMetaObject::invokeMethod(
                self.data(), [then, check] { then(check); }, Qt::QueuedConnection);
    });
}

void TDCorvaneSyncPreferencesController::p_didVerify(const Check& check, bool fullSyncAfterwards) {
    p_setVerifying(false);
    if (!check.verified) {
        p_invalidUser(check.error);
        Q_EMIT verifyFinished();
        return;
    }
    auto settings = TDCorvaneSyncSettings::make(m_manager.library());
    if (settings) {
        (*settings)->setUsername(m_username);
        (*settings)->setPassword(m_password);
        if (const Status committed = (*settings)->commitChanges(); !committed) settings = committed.error();
    }
    if (!settings) {
        m_host.runSheet(alertWithOrdelloError(settings.error()));
        Q_EMIT verifyFinished();
        return;
    }
    const bool needsFullSync = (*settings)->needsFullSync();
    const bool wasSignedIn = m_signedIn;
    m_signedIn = true;
    m_email = check.email;
    m_manager.setOption(m_email, kAccountEmailOption);
    m_manager.setOption(true, kSyncEnabledOption);
    m_manager.saveOptionsDictionary();
    Q_EMIT stateChanged();
    if (!wasSignedIn) Q_EMIT viewChanged(true);
    Q_EMIT verifyFinished();
    if (needsFullSync || fullSyncAfterwards) p_askFullSync(check);
}

void TDCorvaneSyncPreferencesController::p_invalidUser(const std::optional<TDError>& error) {
    if (m_host.runSheet(accountVerifyFailedAlert(error)) == 1 &&
        (!error || error->code == TDCorvaneErrorAuthentication))
        lostPassword();
}

TDAlert TDCorvaneSyncPreferencesController::accountVerifyFailedAlert(const std::optional<TDError>& error) {
    if (error && error->code != TDCorvaneErrorAuthentication) {
        logWithLevel(TDLogError, "ERROR", "Got error while validating Corvane user info");
        logWithLevel(TDLogError, "ERROR", "%@", error->detailedDescription());
        TDAlert alert = alertWithOrdelloError(*error);
        if (const std::optional<TDError> underlying = underlyingError(*error))
            alert.informativeText = underlying->description;
        return alert;
    }
    return {tr("Invalid username or password"),
            tr("Please make sure that you typed in the username and password correctly and try again."),
            {tr("OK"), tr("Lost Password...")},
            nullptr};
}

void TDCorvaneSyncPreferencesController::signOut() {
    m_manager.syncSignOut();
    // The option's change has already shown the sign-in view; a library without the option set yet
    // still needs it.
    if (m_signedIn) p_signedOutElsewhere();
}

void TDCorvaneSyncPreferencesController::p_signedOutElsewhere() {
    const bool wasSignedIn = m_signedIn;
    m_signedIn = false;
    m_username.clear();
    m_password.clear();
    Q_EMIT stateChanged();
    if (wasSignedIn) Q_EMIT viewChanged(true);
}

void TDCorvaneSyncPreferencesController::fullSync() {
    if (m_verifying) return;
    auto settings = TDCorvaneSyncSettings::make(m_manager.library());
    if (!settings) {
        m_host.runSheet(alertWithOrdelloError(settings.error()));
        return;
    }
    const QString username = (*settings)->username();
    const QString password = (*settings)->password();
    if (username.isEmpty() || password.isEmpty()) {
        p_invalidUser(std::nullopt);
        return;
    }
    p_setVerifying(true);
    p_runCheck(username, password, [this](const Check& check) {
        p_setVerifying(false);
        Q_EMIT verifyFinished();
        if (!check.verified) {
            p_invalidUser(check.error);
            return;
        }
        p_askFullSync(check);
    });
}

void TDCorvaneSyncPreferencesController::p_askFullSync(const Check& check) {
    auto settings = TDCorvaneSyncSettings::make(m_manager.library());
    const bool needsFullSync = settings && (*settings)->needsFullSync();
    TDCorvaneFullSyncAlert question = TDCorvaneFullSyncAlert::make(
        m_username.isEmpty() && settings ? (*settings)->username() : m_username, needsFullSync || check.empty,
        check.empty, holdsOnlyStarterContent(m_manager.library()));
    if (m_host.runFullSyncAlert(question) == TDCorvaneFullSyncAlert::kFullSyncButton) {
        const TDCorvaneSyncType type = question.syncType;
        // After the sheet has gone.
        QTimer::singleShot(0, this, [this, type] { m_host.performFullSync(type); });
        return;
    }
    if (needsFullSync) signOut();
}

void TDCorvaneSyncPreferencesController::p_openServicePage(const QString& page) {
    const QUrl url(m_defaults.string(kWebsiteURLKey) + page);
    if (!url.isValid() || url.scheme().isEmpty()) {
        logWithLevel(TDLogError, "ERROR", "The sync service's web site is not set");
        return;
    }
    if (platform::Workspace* workspace = platform::Workspace::shared()) workspace->openURL(url);
}

void TDCorvaneSyncPreferencesController::makeNewAccount() {
    p_openServicePage(QStringLiteral("signup"));
}

void TDCorvaneSyncPreferencesController::lostPassword() {
    p_openServicePage(QStringLiteral("reset_password"));
}

void TDCorvaneSyncPreferencesController::manageAccount() {
    p_openServicePage(QString());
}

void TDCorvaneSyncPreferencesController::p_setVerifying(bool verifying) {
    m_verifying = verifying;
    Q_EMIT stateChanged();
}
