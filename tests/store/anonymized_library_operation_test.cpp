#include "tests/store/library_manager_fixture.h"

#include "foundation/file_attachment.h"
#include "model/comparison_rule.h"
#include "model/folder.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/smart_folder.h"
#include "model/sync_set.h"
#include "model/tag.h"
#include "model/task.h"
#include "store/anonymized_library_operation.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>

#include <sqlite3.h>

namespace storetest {
namespace {

using AnonymizedLibraryOperationTest = LibraryManagerTest;

// Every file below the folder, read whole, as one list of (path, bytes).
QList<QPair<QString, QByteArray>> allFileContents(const QString& folder) {
    QList<QPair<QString, QByteArray>> contents;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        contents.append({file.fileName(), file.readAll()});
    }
    return contents;
}

bool containsText(const QByteArray& bytes, const QString& text) {
    const QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes.contains(text.toUtf8()) || bytes.contains(text.toLower().toUtf8()) ||
           bytes.contains(utf16) || bytes.contains(QUrl::toPercentEncoding(text));
}

// Deleted text stays in a store's free pages where SQLite does not overwrite what it frees.
void leaveTextInFreePages(const QString& storePath, const QString& text) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(storePath).constData(), &db), SQLITE_OK);
    const QString sql =
        QStringLiteral(
            "PRAGMA secure_delete=OFF; CREATE TABLE scratch(t); INSERT INTO scratch VALUES('%1');"
            "DROP TABLE scratch; PRAGMA wal_checkpoint(TRUNCATE);")
            .arg(text);
    EXPECT_EQ(sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db);
    sqlite3_close(db);
}

TEST(ScrambleStringTest, LettersAndDigitsAreReplacedByTheirOwnKindAndTheLengthIsKept) {
    const QString scrambled = TDScrambleString(QStringLiteral("Abc 12, ok!"));
    ASSERT_EQ(scrambled.size(), 11);
    EXPECT_TRUE(scrambled.at(0).isUpper() && scrambled.at(0).unicode() < 128);
    EXPECT_TRUE(scrambled.at(1).isLower() && scrambled.at(2).isLower());
    EXPECT_EQ(scrambled.at(3), QLatin1Char(' '));
    EXPECT_TRUE(scrambled.at(4).isDigit() && scrambled.at(5).isDigit());
    EXPECT_EQ(scrambled.mid(6, 2), QStringLiteral(", "));
    EXPECT_EQ(scrambled.at(10), QLatin1Char('!'));

    // Other scripts become Hangul syllables unit for unit; an emoji's surrogate pair stays.
    const QString japanese = QStringLiteral("\u6771\u4EAC\u3067\U0001F600");
    const QString other = TDScrambleString(japanese);
    ASSERT_EQ(other.size(), japanese.size());
    for (qsizetype i = 0; i < 3; ++i)
        EXPECT_TRUE(other.at(i) >= QChar(0xAC00) && other.at(i) <= QChar(0xD7A3));
    EXPECT_EQ(other.right(2), QStringLiteral("\U0001F600"));
    EXPECT_TRUE(TDScrambleString(QString()).isEmpty());
}

TEST_F(AnonymizedLibraryOperationTest, TheCopyHoldsNoneOfTheUsersTextInAnyOfItsFiles) {
    TDLibrary* library = createLibrary();
    ASSERT_TRUE(library);
    TDManagedObjectContext* context = manager->managedObjectContext();

    TDFolder* folder = library->createFolder(QStringLiteral("Marmalade Holdings"), library->foldersGroup());
    TDList* list = library->createList(QStringLiteral("Quarterly Zebrafish Review"), folder);
    ASSERT_TRUE(list);
    library->createTagWithTitle(QStringLiteral("xylophonist"));
    // A smart folder whose rule holds typed text.
    auto* smart = dynamic_cast<TDSmartFolder*>(library->createSmartFolder());
    ASSERT_TRUE(smart);
    smart->setParentGroup(library->foldersGroup());
    auto leaf = std::make_shared<TRComparisonRule>();
    leaf->setKeyPath(QStringLiteral("title"));
    leaf->setConditionType(TRConditionContains);
    leaf->setValue(QStringLiteral("Gooseberry"));
    smart->setRule(leaf);
    TDTask* task = library->createTask();
    task->setTitle(QStringLiteral("Phone Bartholomew about tuning /xylophonist"));

    const QString attachment = QDir(tempPath()).filePath(QStringLiteral("Grandmother Pierogi.pdf"));
    {
        QFile file(attachment);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("%PDF");
    }
    QTextDocument notes;
    QTextCursor cursor(&notes);
    cursor.insertText(QStringLiteral("Pelican margarine 47110815 "));
    QTextCharFormat link;
    link.setAnchor(true);
    link.setAnchorHref(QStringLiteral("https://quokkabakery.example/secret"));
    cursor.insertText(QStringLiteral("bakery"), link);
    cursor.insertText(QStringLiteral(" "), QTextCharFormat());
    const std::optional<BDAlias> alias = BDAlias::fromPath(attachment);
    ASSERT_TRUE(alias);
    insertFileAttachment(cursor, *alias);
    task->setAttributedNotes(&notes);
    ASSERT_TRUE(task->notesString().contains(QStringLiteral("Pelican")));

    auto* syncSet = static_cast<TDSyncSet*>(context->insertObject(QStringLiteral("SyncSet")));
    syncSet->setValue(QStringLiteral("syncType"), QStringLiteral("corvane"));
    syncSet->setUsername(QStringLiteral("hortensia.vandermeer@example.org"));
    manager->setOption(QStringLiteral("Opaline Preference"), QStringLiteral("lastSearch"));
    ASSERT_TRUE(manager->saveLibrary());
    // The save's backup chain compresses and prunes in the background: the package is read once it is done.
    manager->finishPendingOperations();
    leaveTextInFreePages(QDir(packagePath()).filePath(QStringLiteral("library.sqlite3")),
                         QStringLiteral("Discarded Wombat Strategy"));
    manager->saveOptionsDictionary();
    {
        QFile mnemonics(QDir(packagePath()).filePath(QStringLiteral("mnemonics.plist")));
        ASSERT_TRUE(mnemonics.open(QIODevice::WriteOnly));
        mnemonics.write(
            "<plist><dict><key>qzr</key><string>Quarterly Zebrafish Review</string></dict></plist>");
    }

    const QStringList secrets{
        QStringLiteral("Marmalade"),   QStringLiteral("Zebrafish"), QStringLiteral("xylophonist"),
        QStringLiteral("Bartholomew"), QStringLiteral("Wombat"),    QStringLiteral("Pelican"),
        QStringLiteral("margarine"),   QStringLiteral("47110815"),  QStringLiteral("quokkabakery"),
        QStringLiteral("Pierogi"),     QStringLiteral("hortensia"), QStringLiteral("vandermeer"),
        QStringLiteral("Opaline"),     QStringLiteral("Gooseberry")};
    // The fixture must put every secret somewhere in the package, or the check below proves nothing.
    QByteArray original;
    for (const auto& [path, bytes] : allFileContents(packagePath())) original += bytes;
    for (const QString& secret : secrets) {
        EXPECT_TRUE(containsText(original, secret)) << secret.toStdString();
    }

    const QString copyPath = QDir(tempPath()).filePath(QStringLiteral("Support/Anonymized.odllibrary"));
    TDAnonymizedLibraryOperation operation(packagePath(), copyPath);
    operation.start();
    ASSERT_TRUE(operation.succeeded()) << operation.error()->detailedDescription().toStdString();

    const auto copied = allFileContents(copyPath);
    ASSERT_FALSE(copied.isEmpty());
    for (const auto& [path, bytes] : copied) {
        for (const QString& secret : secrets)
            EXPECT_FALSE(containsText(bytes, secret)) << secret.toStdString() << " in " << path.toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(QDir(copyPath).filePath(QStringLiteral("options.plist"))));
    EXPECT_FALSE(QFileInfo::exists(QDir(copyPath).filePath(QStringLiteral("mnemonics.plist"))));

    // The copy is still a library of the same shape: the same tasks, titles of the same length.
    TDLibraryManager copyManager(copyPath);
    auto opened = copyManager.loadLibrary();
    ASSERT_TRUE(opened.ok()) << opened.error().detailedDescription().toStdString();
    const QList<TDTask*> tasks = (*opened)->allTasks();
    const auto sameTask =
        std::find_if(tasks.begin(), tasks.end(), [&](TDTask* t) { return t->uid() == task->uid(); });
    ASSERT_NE(sameTask, tasks.end());
    EXPECT_EQ((*sameTask)->title().size(), task->title().size());
    EXPECT_NE((*sameTask)->title(), task->title());
    EXPECT_EQ((*sameTask)->notesString().size(), task->notesString().size());
    EXPECT_EQ(tasks.size(), library->allTasks().size());
}

TEST_F(AnonymizedLibraryOperationTest, AFailedCopyReportsAnErrorAndSucceedsNever) {
    ASSERT_TRUE(createLibrary());
    ASSERT_TRUE(manager->saveLibrary());
    QFile blocker(QDir(tempPath()).filePath(QStringLiteral("not a folder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    struct Case {
        const char* name;
        QString library;
        QString destination;
    };
    const QList<Case> cases{
        {"unwritable destination", packagePath(),
         QDir(blocker.fileName()).filePath(QStringLiteral("Copy.odllibrary"))},
        {"no library", QDir(tempPath()).filePath(QStringLiteral("Missing.odllibrary")),
         QDir(tempPath()).filePath(QStringLiteral("Copy.odllibrary"))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDAnonymizedLibraryOperation operation(c.library, c.destination);
        operation.start();
        EXPECT_FALSE(operation.succeeded());
        ASSERT_TRUE(operation.error().has_value());
        EXPECT_FALSE(operation.error()->description.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(QDir(c.destination).filePath(QStringLiteral("library.sqlite3"))));
    }
}

}  // namespace
}  // namespace storetest
