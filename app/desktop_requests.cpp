#include "app/desktop_requests.h"

#include "app/app_delegate.h"
#include "app/tasks_from_text.h"
#include "auxiliary/url_handler.h"
#include "language/localized_string.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"

TDDesktopRequests::TDDesktopRequests(AppDelegate& delegate, TDLibraryManager& manager, QObject* parent)
    : QObject(parent), m_delegate(delegate), m_manager(manager), m_dispatcher(*this) {
    connect(&m_delegate, &AppDelegate::libraryDidOpen, this, &TDDesktopRequests::p_libraryDidOpen);
}

void TDDesktopRequests::launchDidFinish() {
    m_launched = true;
    p_libraryDidOpen();
}

void TDDesktopRequests::open(const QStringList& arguments) {
    m_dispatcher.open(arguments);
}

void TDDesktopRequests::createTasksFromText(const QString& text, TaskCreationReply reply) {
    m_waitingTexts.append({text, std::move(reply)});
    p_libraryDidOpen();
}

void TDDesktopRequests::toggleQuickEntry(bool withContext, const QString& activationToken) {
    m_waitingToggles.append({withContext, activationToken});
    p_libraryDidOpen();
}

void TDDesktopRequests::setQuickEntryHandlers(QuickEntryToggle toggle, QuickEntryText text) {
    m_quickEntryToggle = std::move(toggle);
    m_quickEntryText = std::move(text);
}

bool TDDesktopRequests::isLibraryOpen() const {
    // During the launch a library may stand open that the launch still replaces or restores.
    return m_launched && m_delegate.isLibraryOpen();
}

QString TDDesktopRequests::libraryPath() const {
    return isLibraryOpen() ? m_manager.libraryPath() : QString();
}

void TDDesktopRequests::switchToLibraryAtPath(const QString& path) {
    m_delegate.switchToLibraryAtPath(path);
}

void TDDesktopRequests::restoreFromBackupAtPath(const QString& path) {
    m_delegate.restoreFromBackupAtPath(path);
}

void TDDesktopRequests::createTasksFromFiles(const QStringList& paths) {
    m_delegate.createTasksFromFiles(paths);
}

void TDDesktopRequests::openLink(const QString& link) {
    const QUrl url(link);
    if (m_urlHandler && url.scheme().compare(QLatin1String("ordello"), Qt::CaseInsensitive) == 0) {
        m_urlHandler->handleURL(url);
        return;
    }
    logWithLevel(TDLogInfo, "INFO", "Ignoring link '%@': Ordello opens only its own links", link);
}

void TDDesktopRequests::p_libraryDidOpen() {
    m_dispatcher.libraryDidOpen();
    while (!m_waitingTexts.isEmpty() && isLibraryOpen()) {
        auto [text, reply] = m_waitingTexts.takeFirst();
        const bool immediately =
            platform::UserDefaults::standard().boolean(QStringLiteral("createTaskFromServiceImmediately"));
        if (immediately || !m_quickEntryText) {
            reply(TDCreateTasksFromText(*m_manager.library(), text));
        } else if (m_quickEntryText(text)) {
            reply(QStringList());
        } else {
            reply(TDError::make(TDErrorNoTaskFromText,
                                TDLocalizedString("Could not create task from selection")));
        }
    }
    while (!m_waitingToggles.isEmpty() && isLibraryOpen()) {
        const auto [withContext, token] = m_waitingToggles.takeFirst();
        if (m_quickEntryToggle) m_quickEntryToggle(withContext, token);
    }
}
