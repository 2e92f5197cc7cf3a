#include "model/task_notes.h"
#include "foundation/attributed_string_additions.h"
#include "foundation/data_additions.h"
#include "foundation/file_attachment.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "tests/model/library_fixture.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>

namespace {

using modeltest::LibraryTest;

// The aliases of the file attachments of a text, in order.
QList<BDAlias> attachmentsOf(const QTextDocument& text) {
    QList<BDAlias> aliases;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (isFileAttachment(it.fragment().charFormat()))
                for (qsizetype i = 0; i < it.fragment().length(); ++i)
                    if (const auto alias = fileAttachmentAlias(it.fragment().charFormat())) aliases << *alias;
    return aliases;
}

class TaskNotesTest : public LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        filePath = tempPath() + QStringLiteral("/Report 2026 #1.txt");
        QFile file(filePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("the report");
        file.close();
    }

    // A saved task with saved, empty notes; the journal emptied and the clock a minute on.
    TDTaskNotes* savedNotes() {
        task = static_cast<TDLibraryObject*>(insert(QStringLiteral("Task")));
        auto* notes = static_cast<TDTaskNotes*>(insert(QStringLiteral("TaskNotes")));
        notes->setObject(QStringLiteral("task"), task);
        task->setValue(QStringLiteral("notesUID"), notes->uid());
        saveAll();
        for (TDSyncSetItem* item : journal->items()) journalContext->deleteObject(item);
        saveAll();
        clock->advanceSeconds(60);
        return notes;
    }
    QStringList journalled() const {
        QStringList uids;
        for (TDSyncSetItem* item : journal->items())
            if (!item->isDeleted()) uids << item->itemUID();
        return uids;
    }
    // Rich notes: a bold word, a link, the file as an attachment, a second line.
    std::unique_ptr<QTextDocument> richNotes() const {
        auto text = std::make_unique<QTextDocument>();
        QTextCursor cursor(text.get());
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.insertText(QStringLiteral("Read"), bold);
        cursor.insertText(QStringLiteral(" https://example.com/plan then "), QTextCharFormat());
        insertFileAttachment(cursor, *BDAlias::fromPath(filePath));
        cursor.insertText(QStringLiteral(" today"), QTextCharFormat());
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("second line"));
        return text;
    }
    std::unique_ptr<TDManagedObjectContext> reopened(
        std::unique_ptr<platform::PersistentStoreCoordinator>& holder) {
        holder = std::make_unique<platform::PersistentStoreCoordinator>(*TDLibraryObjectModel());
        EXPECT_TRUE(holder->openStore(tempPath() + QStringLiteral("/library.sqlite3")).ok());
        auto reader = std::make_unique<TDManagedObjectContext>(holder.get());
        EXPECT_TRUE(reader->loadAllObjects().ok());
        return reader;
    }

    QString filePath;
    TDLibraryObject* task = nullptr;
};

TEST_F(TaskNotesTest, RichNotesWithAFileAndLinksAreSavedAsHTMLAndFindTheFileAfterItMoved) {
    TDTaskNotes* notes = savedNotes();
    notes->setAttributedString(richNotes().get());
    EXPECT_EQ(notes->string(),
              QStringLiteral("Read https://example.com/plan then Report 2026 #1.txt today\nsecond line"));
    const QString html = QString::fromUtf8(notes->webArchiveData());
    EXPECT_TRUE(html.contains(QStringLiteral("file://") +
                              QString::fromLatin1(QUrl::toPercentEncoding(filePath, "/")) +
                              QStringLiteral("?alias=")));
    // What the editor reads back has the attachment, not its link, and the plain address became a link.
    ASSERT_TRUE(notes->attributedString());
    EXPECT_EQ(attachmentsOf(*notes->attributedString()).size(), 1);
    EXPECT_EQ(notes->numberOfFilesInNotes(), 1);
    EXPECT_EQ(notes->numberOfLinksInNotes(), 1);
    EXPECT_EQ(task->modifiedDate(), clock->now());
    EXPECT_TRUE(journalled().contains(notes->uid()));
    saveAll();

    const QString movedPath = tempPath() + QStringLiteral("/Report final.txt");
    ASSERT_TRUE(QFile::rename(filePath, movedPath));
    std::unique_ptr<platform::PersistentStoreCoordinator> second;
    const auto reader = reopened(second);
    const auto found = reader->execute(platform::FetchRequest(QStringLiteral("TaskNotes")));
    ASSERT_TRUE(found.ok());
    ASSERT_EQ(found->size(), 1);
    auto* read = dynamic_cast<TDTaskNotes*>(found->first());
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->webArchiveData(), notes->webArchiveData());
    const std::shared_ptr<const QTextDocument> text = read->attributedString();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->toPlainText(),
              QStringLiteral("Read https://example.com/plan then \uFFFC today\nsecond line"));
    const QList<BDAlias> aliases = attachmentsOf(*text);
    ASSERT_EQ(aliases.size(), 1);
    EXPECT_EQ(aliases.first().fullPath(), movedPath);
    EXPECT_EQ(URLOfLinkAtIndex(*text, 7), QUrl(QStringLiteral("https://example.com/plan")));
    EXPECT_TRUE(isRichText(*text));

    // Stored again, the attachment is written under the file's new place.
    read->setAttributedString(text.get());
    EXPECT_TRUE(read->string().contains(QStringLiteral("Report final.txt")));
    EXPECT_TRUE(
        QString::fromUtf8(read->webArchiveData()).contains(QStringLiteral("Report%20final.txt?alias=")));
}

TEST_F(TaskNotesTest, HTMLFromOutsideTurnsAliasLinksIntoAttachments) {
    const BDAlias alias = *BDAlias::fromPath(filePath);
    const QString link = QStringLiteral("file://%1?alias=%2")
                             .arg(QString::fromLatin1(QUrl::toPercentEncoding(filePath, "/")),
                                  base64EncodedString(alias.data()));
    const QString html =
        QStringLiteral(
            "<p>See <a href=\"%1\">Report</a> and <a href=\"file:///tmp/x?alias=!!\">bad</a> "
            "and <a href=\"https://example.com\">site</a></p><p></p>")
            .arg(link);
    TDTaskNotes* notes = savedNotes();
    notes->setWebArchiveData(html.toUtf8());
    const std::shared_ptr<const QTextDocument> text = notes->attributedString();
    ASSERT_TRUE(text);
    // The trailing empty paragraph is dropped, a link whose alias cannot be read stays a link.
    EXPECT_EQ(text->toPlainText(), QStringLiteral("See \uFFFC and bad and site"));
    ASSERT_EQ(attachmentsOf(*text).size(), 1);
    EXPECT_EQ(attachmentsOf(*text).first(), alias);
    EXPECT_EQ(notes->numberOfLinksInNotes(), 2);

    // HTML out: the attachment is its link again.
    notes->setAttributedString(text.get());
    EXPECT_TRUE(QString::fromUtf8(notes->webArchiveData()).contains(link.toHtmlEscaped()));
    EXPECT_EQ(notes->string(), QStringLiteral("See Report 2026 #1.txt and bad and site"));
}

TEST_F(TaskNotesTest, AttachmentsWithoutAnAliasAreDroppedAndLostFilesKeepTheirLastPlace) {
    QTextDocument text;
    QTextCursor cursor(&text);
    cursor.insertText(QStringLiteral("a"));
    QTextCharFormat noAlias;
    noAlias.setObjectType(TDFileAttachmentObjectType);
    cursor.insertText(QString(QChar::ObjectReplacementCharacter), noAlias);
    insertFileAttachment(cursor, *BDAlias::fromPath(filePath));
    ASSERT_TRUE(QFile::remove(filePath));
    const auto stored = TDTaskNotes::convertAttachmentsToFileURLsInAttributedString(text);
    EXPECT_EQ(stored->toPlainText(), QStringLiteral("aReport 2026 #1.txt"));
    const QUrl link = URLOfLinkAtIndex(*stored, 1);
    EXPECT_EQ(link.toLocalFile(), filePath);
    const auto back = TDTaskNotes::convertFileURLsToAttachmentsInAttributedString(*stored);
    EXPECT_EQ(back->toPlainText(), QStringLiteral("a\uFFFC"));
}

TEST_F(TaskNotesTest, PlainNotesStayPlainAndGetTheirLinks) {
    TDTaskNotes* notes = savedNotes();
    QTextDocument text;
    text.setPlainText(QStringLiteral("call bob@example.com"));
    notes->setAttributedString(&text);
    EXPECT_TRUE(notes->webArchiveData().isNull());
    EXPECT_EQ(notes->string(), QStringLiteral("call bob@example.com"));
    EXPECT_EQ(URLOfLinkAtIndex(*notes->attributedString(), 6),
              QUrl(QStringLiteral("mailto:bob@example.com")));

    notes->reloadAttributedString();
    EXPECT_EQ(URLOfLinkAtIndex(*notes->attributedString(), 6),
              QUrl(QStringLiteral("mailto:bob@example.com")));
    notes->setAttributedString(nullptr);
    EXPECT_TRUE(notes->string().isEmpty());
    EXPECT_FALSE(notes->attributedString());
    EXPECT_FALSE(notes->summaryAttributedString());
}

TEST_F(TaskNotesTest, SummariesCountFilesAndLinks) {
    const struct {
        const char* what;
        std::function<void(QTextCursor&, const BDAlias&)> write;
        QString summary;
    } cases[] = {
        {"plain text of two lines",
         [](QTextCursor& c, const BDAlias&) { c.insertText(QStringLiteral("first\nsecond")); },
         QStringLiteral("first\u2026")},
        {"a file and text",
         [](QTextCursor& c, const BDAlias& a) {
             insertFileAttachment(c, a);
             c.insertText(QStringLiteral(" notes"), QTextCharFormat());
         },
         QStringLiteral("\uFFFC 1 item.   notes")},
        {"a single file", [](QTextCursor& c, const BDAlias& a) { insertFileAttachment(c, a); },
         QStringLiteral("\uFFFC 1 item")},
        {"two files and a link",
         [](QTextCursor& c, const BDAlias& a) {
             insertFileAttachment(c, a);
             insertFileAttachment(c, a);
             c.insertText(QStringLiteral(" www.example.org"), QTextCharFormat());
         },
         QStringLiteral("\uFFFC 3 items.   www.example.org")},
        {"one link",
         [](QTextCursor& c, const BDAlias&) { c.insertText(QStringLiteral("see https://example.com")); },
         QStringLiteral("\uFFFC see https://example.com")},
        {"two links",
         [](QTextCursor& c, const BDAlias&) {
             c.insertText(QStringLiteral("https://a.example or https://b.example\nmore"));
         },
         QStringLiteral("\uFFFC 2 links.  https://a.example or https://b.example\u2026")},
    };
    const BDAlias alias = *BDAlias::fromPath(filePath);
    for (const auto& c : cases) {
        TDTaskNotes* notes = savedNotes();
        QTextDocument text;
        QTextCursor cursor(&text);
        c.write(cursor, alias);
        notes->setAttributedString(&text);
        ASSERT_TRUE(notes->summaryAttributedString()) << c.what;
        EXPECT_EQ(notes->summaryAttributedString()->toPlainText(), c.summary) << c.what;
    }
}

TEST_F(TaskNotesTest, SettingTheSameOrEmptyNotesChangesNothing) {
    TDTaskNotes* notes = savedNotes();
    const QDateTime before = task->modifiedDate();
    notes->setString(QString());
    notes->setString(QStringLiteral(""));
    notes->setWebArchiveData(QByteArray());
    EXPECT_EQ(task->modifiedDate(), before);
    EXPECT_TRUE(journalled().isEmpty());
    EXPECT_FALSE(notes->hasChanges());

    // The task goes up with the notes, carrying its new time to the other machines.
    notes->setString(QStringLiteral("new"));
    EXPECT_EQ(task->modifiedDate(), clock->now());
    QStringList changed = journalled(), expected{notes->uid(), task->uid()};
    changed.sort();
    expected.sort();
    EXPECT_EQ(changed, expected);
}

TEST_F(TaskNotesTest, RestoredNotesLeaveTheTaskAlone) {
    TDTaskNotes* notes = savedNotes();
    const QDateTime before = task->modifiedDate();
    context->setRestoringLibrary(true);
    notes->setValue(QStringLiteral("string"), QStringLiteral("from a backup"));
    context->setRestoringLibrary(false);
    EXPECT_EQ(notes->string(), QStringLiteral("from a backup"));
    EXPECT_EQ(task->modifiedDate(), before);
    EXPECT_TRUE(journalled().isEmpty());
}

TEST_F(TaskNotesTest, UndoneNotesShowTheirOldText) {
    TDTaskNotes* notes = savedNotes();
    notes->setString(QStringLiteral("old"));
    context->processPendingChanges();
    undoManager->removeAllActions();
    EXPECT_EQ(notes->attributedString()->toPlainText(), QStringLiteral("old"));
    notes->setString(QStringLiteral("new"));
    EXPECT_EQ(notes->attributedString()->toPlainText(), QStringLiteral("new"));
    context->processPendingChanges();
    undoManager->undo();
    EXPECT_EQ(notes->attributedString()->toPlainText(), QStringLiteral("old"));
}

TEST_F(TaskNotesTest, UnreadableHTMLGivesNoRichTextAndSavingFillsThePlainText) {
    TDTaskNotes* notes = savedNotes();
    notes->setWebArchiveData(QByteArray("<p>caf\xe9</p>"));
    EXPECT_FALSE(notes->attributedString());
    EXPECT_FALSE(notes->summaryAttributedString());

    notes->setWebArchiveData(QByteArray("<p><b>only</b> rich</p>"));
    saveAll();
    EXPECT_EQ(notes->string(), QStringLiteral("only rich"));
}

TEST_F(TaskNotesTest, HTMLOfAnEmptyListReadsAsEmptyNotes) {
    TDTaskNotes* notes = savedNotes();
    notes->setWebArchiveData(QByteArray("<ul><ul><li"));
    ASSERT_TRUE(notes->attributedString());
    EXPECT_TRUE(notes->attributedString()->isEmpty());
    EXPECT_EQ(notes->summaryAttributedString()->toPlainText(), QString());
}

TEST_F(TaskNotesTest, SyncRecordsCarryTheTasksModifiedTimeAndOfCompletedTasksTheCompletionTime) {
    TDTaskNotes* notes = savedNotes();
    notes->setString(QStringLiteral("synced"));
    EXPECT_FALSE(notes->syncDictionaryRepresentation().contains(QStringLiteral("completed_time")));
    // Writing the text stamps the task; two notes of one task on two machines are told apart by it.
    const QDateTime written(QDate(2026, 12, 9), QTime(9, 0), Qt::UTC);
    task->setValue(QStringLiteral("modifiedDate"), written);
    EXPECT_EQ(notes->syncDictionaryRepresentation().value(QStringLiteral("modified_time")).toDouble(),
              818499600.0);
    const QDateTime completed(QDate(2026, 12, 9), QTime(9, 30), Qt::UTC);
    task->setValue(QStringLiteral("status"), QStringLiteral("C"));
    task->setValue(QStringLiteral("completedDate"), completed);
    QVariantMap record = notes->syncDictionaryRepresentation();
    EXPECT_EQ(record.value(QStringLiteral("completed_time")).toDouble(), 818501400.0);

    QVariantMap contents = record.value(QStringLiteral("contents")).toMap();
    contents.insert(QStringLiteral("string"), QStringLiteral("from the server"));
    contents.insert(QStringLiteral("completed_time"), 1.0);
    record.insert(QStringLiteral("contents"), contents);
    record.insert(QStringLiteral("modified_time"), 2.0);
    const Status read = notes->updateFromSyncDictionaryRepresentation(record);
    ASSERT_TRUE(read.ok()) << read.error().detailedDescription().toStdString();
    EXPECT_EQ(notes->string(), QStringLiteral("from the server"));
    EXPECT_EQ(task->value(QStringLiteral("completedDate")).toDateTime(), completed);
}

TEST_F(TaskNotesTest, DeletedNotesClearTheTasksReference) {
    TDTaskNotes* notes = savedNotes();
    EXPECT_FALSE(task->value(QStringLiteral("notesUID")).toString().isEmpty());
    context->deleteObject(notes);
    EXPECT_FALSE(task->value(QStringLiteral("notesUID")).isValid());
}

}  // namespace
