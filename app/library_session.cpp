#include "app/library_session.h"

#include "foundation/alert.h"
#include "foundation/application_delegate.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "store/property_list_library_restore_operation.h"

#include <QCoreApplication>
#include <QTimer>
#include <QUrl>

#include <chrono>

namespace {

constexpr std::chrono::milliseconds kBusyStoreRetryInterval{100};

}  // namespace

TDLibrarySession::TDLibrarySession(TDLibraryManager& manager, TDAlertPrompter& prompter, QObject* parent)
    : QObject(parent), m_manager(manager), m_prompter(prompter) {
}

bool TDLibrarySession::openOrCreateLibrary() {
    const QString path = m_manager.libraryPath();
    // Before asking whether a library exists: a restore stopped half-way may have moved it aside.
    TDRecoverFromInterruptedRestore(path);
    if (m_manager.libraryExists()) {
        m_manager.copyOptionsToUserDefaults();
        const auto opened = m_manager.loadLibrary();
        if (!opened.ok()) {
            p_reportError(opened.error());
            return false;
        }
        logWithLevel(TDLogInfo, "INFO", "Opened library at '%@'", path);
    } else {
        logWithLevel(TDLogInfo, "INFO", "Creating new library at '%@'", path);
        m_manager.clearOptions();
        const auto created = m_manager.createLibrary();
        if (!created.ok()) {
            p_reportError(created.error());
            return false;
        }
    }
    platform::UserDefaults::standard().setValue(QStringLiteral("libraryURL"),
                                                QUrl::fromLocalFile(path).toString());
    return true;
}

void TDLibrarySession::p_reportError(const TDError& error) {
    TDAppDelegate().handleError(error, error.description);
    presentError(error, m_prompter);
}

bool TDLibrarySession::quit() {
    if (m_manager.library()) {
        switch (m_manager.saveLibraryOrReschedule()) {
            case TDLibrarySaveOutcome::Failed:
                return p_quitAnyway();
            case TDLibrarySaveOutcome::Rescheduled:
                logWithLevel(TDLogInfo, "INFO", "The library is busy; saving again before quitting");
                break;
            case TDLibrarySaveOutcome::Saved:
                break;
        }
    }
    p_finishOperationsThenQuit();
    return true;
}

void TDLibrarySession::p_finishOperationsThenQuit() {
    m_manager.finishPendingOperationsInBackground([this] {
        if (m_manager.library()) {
            // Changes whose save an operation held up are still unsaved: with the operations done, the
            // store is free again.
            switch (m_manager.saveLibraryOrReschedule()) {
                case TDLibrarySaveOutcome::Failed:
                    if (!p_quitAnyway()) Q_EMIT quitCancelled();
                    return;
                case TDLibrarySaveOutcome::Rescheduled:
                    // Held by something outside the operation queues: wait for it to let go.
                    QTimer::singleShot(kBusyStoreRetryInterval, this,
                                       [this] { p_finishOperationsThenQuit(); });
                    return;
                case TDLibrarySaveOutcome::Saved:
                    break;
            }
        }
        m_manager.saveOptionsDictionary();
        QCoreApplication::quit();
    });
}

bool TDLibrarySession::p_quitAnyway() {
    TDAlert alert;
    alert.messageText = QCoreApplication::translate("TDLibrarySession", "Could not save changes");
    alert.informativeText = QCoreApplication::translate(
        "TDLibrarySession", "Could not save changes while quitting. Quit anyway?");
    alert.buttons = QStringList{QCoreApplication::translate("TDLibrarySession", "Quit Anyway"),
                                QCoreApplication::translate("TDLibrarySession", "Cancel")};
    if (m_prompter.runModal(alert) != 0) return false;
    m_manager.closeDiscardingChanges();
    QCoreApplication::quit();
    return true;
}
