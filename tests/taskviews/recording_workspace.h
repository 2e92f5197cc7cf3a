#pragma once

#include "platform/files/workspace.h"

#include <QStringList>

namespace taskviewstest {

// A desktop that records what it is asked to open and show, with a fixed list of applications.
class RecordingWorkspace : public platform::Workspace {
public:
    bool openURL(const QUrl& url) override {
        opened << url;
        return true;
    }
    QList<platform::DesktopApplication> applicationsForFile(const QString&) const override {
        return applications;
    }
    std::optional<platform::DesktopApplication> applicationAtPath(const QString& path) const override {
        for (const platform::DesktopApplication& application : applications)
            if (application.desktopFilePath == path) return application;
        return std::nullopt;
    }
    bool openFileWithApplication(const QString& path,
                                 const platform::DesktopApplication& application) override {
        openedWith << QStringLiteral("%1 with %2").arg(path, application.id);
        return true;
    }
    bool showInFileManager(const QString& path) override {
        shown << path;
        return true;
    }

    QList<QUrl> opened;
    QStringList openedWith;
    QStringList shown;
    QList<platform::DesktopApplication> applications;
};

}  // namespace taskviewstest
