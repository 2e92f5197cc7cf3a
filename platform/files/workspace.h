#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

namespace platform {

// An application of the desktop that can open files: its desktop entry's id ("org.gnome.gedit.desktop"),
// shown name, theme icon name and the path of the entry it was read from.
struct DesktopApplication {
    QString id;
    QString name;
    QString iconName;
    QString desktopFilePath;

    friend bool operator==(const DesktopApplication&, const DesktopApplication&) = default;
};

// What the desktop does with files and links: opening them, opening a file with a chosen application,
// and showing a file in the file manager. The program installs the desktop's implementation at
// start-up; tests install one that records.
class Workspace {
public:
    virtual ~Workspace() = default;

    // Opens the link (a file URL opens the file) with the desktop's default application.
    virtual bool openURL(const QUrl& url) = 0;
    bool openFile(const QString& path) { return openURL(QUrl::fromLocalFile(path)); }
    // The applications that open the file's type; the default one first, when the desktop has one.
    virtual QList<DesktopApplication> applicationsForFile(const QString& path) const = 0;
    // Reads the desktop entry at the path (a file the user picked); nullopt when it is not one.
    virtual std::optional<DesktopApplication> applicationAtPath(const QString& desktopFilePath) const = 0;
    virtual bool openFileWithApplication(const QString& path, const DesktopApplication& application) = 0;
    // Selects the file in the file manager, or opens its folder when no file manager takes the request.
    virtual bool showInFileManager(const QString& path) = 0;

    // The installed workspace; nullptr before one is installed.
    static Workspace* shared();
    static void setShared(Workspace* workspace);
};

}  // namespace platform
