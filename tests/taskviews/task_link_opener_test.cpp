#include "taskviews/task_link_opener.h"

#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class LinkOpeningTest : public testsupport::TempFoldersTest {};

TEST_F(LinkOpeningTest, OnlyLinksThatCouldRunSomethingAskFirst) {
    const QString document = QDir(tempPath()).filePath(QStringLiteral("report.pdf"));
    const QString program = QDir(tempPath()).filePath(QStringLiteral("install.sh"));
    for (const QString& path : {document, program}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    const struct {
        QUrl url;
        bool asks;
    } cases[] = {
        {QUrl(QStringLiteral("https://example.org/a?b=c")), false},
        {QUrl(QStringLiteral("http://example.org")), false},
        {QUrl(QStringLiteral("mailto:someone@example.org")), false},
        {QUrl(QStringLiteral("ordello:///0C2266C72BE17631")), false},
        {QUrl::fromLocalFile(document), false},
        {QUrl::fromLocalFile(program), true},
        {QUrl::fromLocalFile(QStringLiteral("/usr/share/applications/editor.desktop")), true},
        {QUrl(QStringLiteral("ssh://host")), true},
        {QUrl(QStringLiteral("javascript:alert(1)")), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TDLinkNeedsConfirmation(c.url), c.asks) << c.url.toString().toStdString();
}

}  // namespace
