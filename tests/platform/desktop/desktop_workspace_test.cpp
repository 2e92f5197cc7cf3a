#include "platform/desktop/desktop_workspace.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using platform::DesktopWorkspace;

TEST(DesktopWorkspaceTest, ExecLinesGiveTheFileToTheApplication) {
    const QString path = QStringLiteral("/home/me/My Notes.txt");
    const QString url = QStringLiteral("file:///home/me/My%20Notes.txt");
    struct Case {
        const char* exec;
        QStringList command;
    } cases[] = {
        {"gedit %U", {QStringLiteral("gedit"), url}},
        {"viewer --new-window %f", {QStringLiteral("viewer"), QStringLiteral("--new-window"), path}},
        {"\"/opt/My App/run\" %F %i", {QStringLiteral("/opt/My App/run"), path}},
        {"tool --title=%c %u", {QStringLiteral("tool"), QStringLiteral("--title=Editor"), url}},
        {"calc 100%%", {QStringLiteral("calc"), QStringLiteral("100%"), path}},
        {"broken \"quote", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            DesktopWorkspace::commandForExec(QString::fromLatin1(c.exec), path, QStringLiteral("Editor")),
            c.command)
            << c.exec;
}

TEST(DesktopWorkspaceTest, ReadsTheDesktopEntryPicked) {
    QTemporaryDir folder;
    const QString entry = QDir(folder.path()).filePath(QStringLiteral("org.example.Viewer.desktop"));
    QFile file(entry);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "[Desktop Entry]\nType=Application\nName=Viewer\nIcon=viewer\nExec=viewer %f\n"
        "MimeType=image/png;\n[Desktop Action New]\nName=New Window\n");
    file.close();
    const std::optional<platform::DesktopApplication> application =
        DesktopWorkspace().applicationAtPath(entry);
    ASSERT_TRUE(application);
    EXPECT_EQ(application->id, QStringLiteral("org.example.Viewer.desktop"));
    EXPECT_EQ(application->name, QStringLiteral("Viewer"));
    EXPECT_EQ(application->iconName, QStringLiteral("viewer"));
    EXPECT_FALSE(DesktopWorkspace().applicationAtPath(QDir(folder.path()).filePath(QStringLiteral("none"))));
}

}  // namespace
