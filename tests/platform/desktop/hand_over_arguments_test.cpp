#include "platform/desktop/bus/hand_over_arguments.h"
#include "tests/support/test_environment.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

class HandOverArgumentsTest : public testsupport::TempFoldersTest {};

TEST_F(HandOverArgumentsTest, FilesBecomeAbsolutePathsAndLinksStayAsGiven) {
    const QDir folder(tempPath());
    QFile lookalike(folder.filePath(QStringLiteral("ordello:notes")));
    ASSERT_TRUE(lookalike.open(QIODevice::WriteOnly));
    const struct {
        const char* name;
        QString argument;
        QString expected;
    } cases[] = {
        {"relative path", QStringLiteral("mail/Re: lunch.eml"),
         folder.filePath(QStringLiteral("mail/Re: lunch.eml"))},
        {"dotted path", QStringLiteral("./a/../b.txt"), folder.filePath(QStringLiteral("b.txt"))},
        {"absolute path", QStringLiteral("/tmp//x/Work.odllibrary/"),
         QStringLiteral("/tmp/x/Work.odllibrary")},
        {"missing file", QStringLiteral("gone.txt"), folder.filePath(QStringLiteral("gone.txt"))},
        {"file link", QStringLiteral("file:///tmp/My%20Notes.txt"), QStringLiteral("/tmp/My Notes.txt")},
        {"program link", QStringLiteral("ordello:add?title=Tea"), QStringLiteral("ordello:add?title=Tea")},
        {"other link", QStringLiteral("https://example.org/a"), QStringLiteral("https://example.org/a")},
        {"file named like a link", QStringLiteral("ordello:notes"),
         folder.filePath(QStringLiteral("ordello:notes"))},
    };
    QStringList arguments;
    QStringList expected;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(platform::handOverArguments({c.argument}, folder), QStringList{c.expected});
        arguments.append(c.argument);
        expected.append(c.expected);
    }
    // Order is kept and empty arguments are dropped.
    arguments.insert(2, QString());
    EXPECT_EQ(platform::handOverArguments(arguments, folder), expected);
}

}  // namespace
