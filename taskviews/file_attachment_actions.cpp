#include "taskviews/file_attachment_actions.h"

#include "foundation/alert.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {

QString localized(const char* text) {
    return QCoreApplication::translate("Localizable", text);
}

}  // namespace

TDFileAttachmentActions::TDFileAttachmentActions(BDAlias alias, platform::Workspace* workspace,
                                                 TDAlertPrompter* prompter)
    : m_alias(std::move(alias)), m_workspace(workspace), m_prompter(prompter) {
}

QString TDFileAttachmentActions::title() const {
    const QString current = path();
    return QFileInfo(current.isEmpty() ? m_alias.path() : current).fileName();
}

void TDFileAttachmentActions::open() {
    const QString current = path();
    if (!current.isEmpty()) {
        if (m_workspace) m_workspace->openFile(current);
        return;
    }
    if (!m_prompter) return;
    TDAlert alert;
    alert.messageText = localized("Cannot open file");
    alert.informativeText = localized(
        "The linked file has been deleted or it's in a network location that is not currently reachable.");
    alert.buttons = {localized("OK")};
    m_prompter->runModal(alert);
}

QList<platform::DesktopApplication> TDFileAttachmentActions::openWithApplications() const {
    const QString current = path();
    if (current.isEmpty() || !m_workspace) return {};
    // Desktops list an application under several entries of the same name; the menu shows each once.
    QList<platform::DesktopApplication> applications;
    QStringList names;
    for (const platform::DesktopApplication& application : m_workspace->applicationsForFile(current)) {
        if (names.contains(application.name)) continue;
        names << application.name;
        applications << application;
    }
    return applications;
}

bool TDFileAttachmentActions::openWith(const platform::DesktopApplication& application) {
    const QString current = path();
    return !current.isEmpty() && m_workspace && m_workspace->openFileWithApplication(current, application);
}

bool TDFileAttachmentActions::openWithApplicationAtPath(const QString& desktopFilePath) {
    if (!m_workspace) return false;
    const std::optional<platform::DesktopApplication> application =
        m_workspace->applicationAtPath(desktopFilePath);
    return application && openWith(*application);
}

bool TDFileAttachmentActions::showInFileManager() {
    const QString current = path();
    return !current.isEmpty() && m_workspace && m_workspace->showInFileManager(current);
}
