#pragma once

#include "platform/files/workspace.h"

#include <QStringList>

namespace platform {

// The workspace of a freedesktop.org desktop: links open through the desktop's URL handler, applications
// come from the desktop entries under the XDG data folders (with the defaults of "mimeapps.list"), and
// files are shown through the file manager's "org.freedesktop.FileManager1" D-Bus service.
class DesktopWorkspace final : public Workspace {
public:
    bool openURL(const QUrl& url) override;
    QList<DesktopApplication> applicationsForFile(const QString& path) const override;
    std::optional<DesktopApplication> applicationAtPath(const QString& desktopFilePath) const override;
    bool openFileWithApplication(const QString& path, const DesktopApplication& application) override;
    bool showInFileManager(const QString& path) override;

    // The command line of a desktop entry's Exec value for the file: field codes %f %F %u %U take the
    // file (as a path or a URL), %c the name, %i and %k are dropped, "%%" is a percent sign. Empty when
    // the value cannot be split into arguments.
    static QStringList commandForExec(const QString& exec, const QString& path, const QString& name);
};

}  // namespace platform
