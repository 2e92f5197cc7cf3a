#pragma once

#include "foundation/alias.h"
#include "platform/files/workspace.h"

#include <QList>
#include <QString>

class TDAlertPrompter;

// What the menu of a file attached to notes does: the file is found again through its alias record
// wherever it moved; one that cannot be found keeps its last known name, offers no applications, and
// opening it tells the user so.
class TDFileAttachmentActions {
public:
    // The workspace and prompter are not owned; without a workspace nothing opens.
    TDFileAttachmentActions(BDAlias alias, platform::Workspace* workspace, TDAlertPrompter* prompter);

    // Where the file is now; empty when it cannot be found.
    QString path() const { return m_alias.fullPath(); }
    bool isAvailable() const { return !path().isEmpty(); }
    // The file's name now, or the last one known.
    QString title() const;

    // Opens the file, or says "Cannot open file" when it cannot be found.
    void open();
    // The applications for the file, its default first; none for a file that cannot be found.
    QList<platform::DesktopApplication> openWithApplications() const;
    // Opens the file with exactly that application.
    bool openWith(const platform::DesktopApplication& application);
    // "Other…": the application of the desktop entry the user picked; false when it is none.
    bool openWithApplicationAtPath(const QString& desktopFilePath);
    bool showInFileManager();

private:
    BDAlias m_alias;
    platform::Workspace* m_workspace;
    TDAlertPrompter* m_prompter;
};
