#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "model/task.h"
#include "model/task_notes.h"
#include "model/task_notes_text.h"
#include "platform/plist/property_list.h"
#include "tests/store/library_manager_fixture.h"

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QTextDocument>
#include <QUrl>

namespace {

class TaskCreationTest : public storetest::LibraryManagerTest {
protected:
    void SetUp() override {
        LibraryManagerTest::SetUp();
        library = createLibrary();
        ASSERT_NE(library, nullptr);
    }

    QString writeFile(const QString& name, const QByteArray& content) {
        const QString path = QDir(tempPath()).filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }

    TDList* newList(const QString& title, int taskCount) {
        TDList* list = library->createList(title, library->foldersGroup());
        for (int i = 0; i < taskCount; ++i) {
            TDTask* task = library->createOrphanTask();
            task->setTitle(QStringLiteral("%1 %2").arg(title).arg(i));
            EXPECT_TRUE(list->orderedTasks()->addObject(task).ok());
        }
        return list;
    }

    static QString notesHTMLLinks(TDTask* task) {
        const auto* notes = task->objectAs<TDTaskNotes>(QStringLiteral("notes"));
        if (!notes || !notes->attributedString()) return {};
        return notes->attributedString()->toHtml();
    }

    TDLibrary* library = nullptr;
};

TEST_F(TaskCreationTest, NewLibraryHasTheQuickGuideAndTheStarterTask) {
    auto* guide = dynamic_cast<TDList*>(library->groupWithUID(TDLibrary::QuickGuideListUID));
    ASSERT_NE(guide, nullptr);
    EXPECT_EQ(guide->title(), QStringLiteral("Learn Ordello"));
    const QList<TDTask*> lessons = guide->orderedTasks()->objectsAs<TDTask>();
    ASSERT_GE(lessons.size(), 5);
    for (TDTask* lesson : lessons) {
        EXPECT_FALSE(lesson->title().isEmpty());
        EXPECT_FALSE(TDTaskNotesString(lesson).isEmpty()) << lesson->title().toStdString();
    }
    const QList<TDTask*> inbox = library->inboxGroup()->orderedTasks()->objectsAs<TDTask>();
    ASSERT_EQ(inbox.size(), 1);
    EXPECT_EQ(inbox.first()->uid(), TDLibrary::StarterTaskUID);
    EXPECT_FALSE(inbox.first()->title().isEmpty());
    EXPECT_TRUE(manager->saveLibrary());
}

TEST_F(TaskCreationTest, TextLinesReadTheirMarkersAndLinks) {
    struct Case {
        QString line;
        QString title;
        QString status;
    };
    const QList<Case> cases = {
        {QStringLiteral("\u2713 Buy milk"), QStringLiteral("Buy milk"), QStringLiteral("C")},
        {QStringLiteral("\u00D7 Call Bob "), QStringLiteral("Call Bob"), QStringLiteral("X")},
        {QStringLiteral("\u2022 Water plants"), QStringLiteral("Water plants"), QString()},
        {QStringLiteral("- Pay rent"), QStringLiteral("Pay rent"), QString()},
        {QStringLiteral("-Pay rent"), QStringLiteral("-Pay rent"), QString()},
        {QStringLiteral("www.example.com"), QStringLiteral("www.example.com"), QString()},
        {QStringLiteral("https://example.com/a"), QStringLiteral("Look at <https://example.com/a>"),
         QString()},
        {QStringLiteral("\u2713 https://example.com/b"), QStringLiteral("Look at <https://example.com/b>"),
         QString()},
        {QStringLiteral("mailto:ann@example.com"), QStringLiteral("Look at <mailto:ann@example.com>"),
         QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        TDTask* task = library->createTaskFromString(c.line);
        ASSERT_NE(task, nullptr);
        EXPECT_EQ(task->title(), c.title);
        EXPECT_EQ(task->status(), c.status);
        EXPECT_EQ(task->parentObject(), nullptr);
    }
}

TEST_F(TaskCreationTest, LinksBecomeTasksWithTheLinkInTheirNotes) {
    EXPECT_EQ(library->createTaskFromURL(QUrl()), nullptr);
    EXPECT_EQ(library->createTaskFromURL(QUrl(), QStringLiteral("Title")), nullptr);

    TDTask* page =
        library->createTaskFromURL(QUrl(QStringLiteral("https://example.com/p")), QStringLiteral("Page"));
    EXPECT_EQ(page->title(), QStringLiteral("Look at \"Page\""));
    EXPECT_TRUE(notesHTMLLinks(page).contains(QStringLiteral("href=\"https://example.com/p\"")));

    const QUrl message(QStringLiteral("message:%3Cabc@example.com%3E"));
    TDTask* mail = library->createTaskFromURL(message, QStringLiteral("Lunch from Ann"));
    EXPECT_EQ(mail->title(), QStringLiteral("Handle email \"Lunch from Ann\""));
    EXPECT_EQ(TDTaskNotesString(mail), QStringLiteral("Lunch from Ann"));
    EXPECT_EQ(library->createTaskFromURL(message, QString())->title(), QStringLiteral("Handle email"));

    TDTask* file = library->createTaskFromURL(QUrl::fromLocalFile(QStringLiteral("/tmp/a b.txt")));
    EXPECT_EQ(TDTaskNotesString(file), QStringLiteral("a b.txt"));
}

TEST_F(TaskCreationTest, ImportDictionariesArePlacedAtTheirIndex) {
    TDList* list = newList(QStringLiteral("Errands"), 3);
    TDTask* appended = library->createTaskFromImportDictionary(
        {{QStringLiteral("Title"), QStringLiteral("Seven")}, {QStringLiteral("index"), 7}}, list);
    ASSERT_NE(appended, nullptr);
    EXPECT_EQ(list->orderedTasks()->objectsAs<TDTask>().last(), appended);
    TDTask* last = library->createTaskFromImportDictionary(
        {{QStringLiteral("title"), QStringLiteral("Minus one")}, {QStringLiteral("index"), -1}}, list);
    EXPECT_EQ(list->orderedTasks()->objectsAs<TDTask>().last(), last);
    TDTask* second = library->createTaskFromImportDictionary(
        {{QStringLiteral("title"), QStringLiteral("Second")}, {QStringLiteral("INDEX"), QStringLiteral("1")}},
        list);
    EXPECT_EQ(list->orderedTasks()->objectsAs<TDTask>().at(1), second);

    TDTask* parent = list->orderedTasks()->objectsAs<TDTask>().first();
    TDTask* subtask =
        library->createTaskFromImportDictionary({{QStringLiteral("title"), QStringLiteral("Sub")}}, parent);
    EXPECT_EQ(subtask->parentTask(), parent);

    TDTag* tag = library->createTagWithTitle(QStringLiteral("errand"));
    TDTask* tagged =
        library->createTaskFromImportDictionary({{QStringLiteral("title"), QStringLiteral("T")}}, tag);
    EXPECT_EQ(library->inboxGroup()->orderedTasks()->objectsAs<TDTask>().first(), tagged);
    EXPECT_TRUE(tagged->tags().contains(tag));

    TDTask* today = library->createTaskFromImportDictionary(
        {{QStringLiteral("title"), QStringLiteral("Now")}}, library->todayGroup());
    EXPECT_TRUE(library->todayGroup()->tasks().contains(today));
    TDTask* orphan =
        library->createTaskFromImportDictionary({{QStringLiteral("title"), QStringLiteral("O")}}, nullptr);
    EXPECT_EQ(orphan->parentObject(), nullptr);

    // Places a task cannot go.
    EXPECT_EQ(library->createTaskFromImportDictionary({}, library->foldersGroup()), nullptr);
    EXPECT_EQ(library->createTaskFromImportDictionary({}, library->groupWithUID(TDLibrary::UpcomingGroupUID)),
              nullptr);
    EXPECT_EQ(library->createTaskFromImportDictionary({}, library), nullptr);
    EXPECT_TRUE(manager->saveLibrary());
}

TEST_F(TaskCreationTest, ImportDictionaryValuesOfTheWrongKindAreIgnored) {
    const QDateTime due(QDate(2026, 12, 24), QTime(15, 30));
    TDTask* task = library->createTaskFromImportDictionary(
        {{QStringLiteral("TITLE"), QStringLiteral("Wrap presents")},
         {QStringLiteral("dueDate"), due},
         {QStringLiteral("startdate"), QVariantList{1, 2}},
         {QStringLiteral("Priority"), QStringLiteral("2")},
         {QStringLiteral("estimatedTime"), 1800},
         {QStringLiteral("url"), QStringLiteral("https://example.com/gift list")},
         {QStringLiteral("urltitle"), QStringLiteral("The list")},
         {QStringLiteral("notes"), QStringLiteral("  Also see www.example.org  ")},
         {QStringLiteral("unknown"), QStringLiteral("x")}},
        nullptr);
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->title(), QStringLiteral("Wrap presents"));
    EXPECT_EQ(task->dueDate(), QDateTime(QDate(2026, 12, 24), QTime(0, 0)));
    EXPECT_FALSE(task->startDate().isValid());
    EXPECT_EQ(task->priority(), 2);
    EXPECT_EQ(task->estimatedTime(), 1800.0);
    EXPECT_EQ(TDTaskNotesString(task), QStringLiteral("The list\n\nAlso see www.example.org"));
    const QString html = notesHTMLLinks(task);
    EXPECT_TRUE(html.contains(QStringLiteral("https://example.com/gift%20list"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("http://www.example.org"))) << html.toStdString();

    // A link that cannot be read is dropped; the task is still made from the rest.
    TDTask* badLink = library->createTaskFromImportDictionary(
        {{QStringLiteral("title"), QStringLiteral("Bad")},
         {QStringLiteral("url"), QStringLiteral("::no scheme")},
         {QStringLiteral("notes"), QVariantMap{{QStringLiteral("a"), 1}}}},
        nullptr);
    ASSERT_NE(badLink, nullptr);
    EXPECT_EQ(badLink->title(), QStringLiteral("Bad"));
    EXPECT_TRUE(TDTaskNotesString(badLink).isEmpty());
}

TEST_F(TaskCreationTest, MailMessageFilesBecomeTasks) {
    struct Case {
        const char* name;
        QByteArray content;
        QString title;
        QString linkPrefix;
    };
    const QList<Case> cases = {
        {"identified.eml",
         "From: Ann <ann@example.com>\nSubject: Lunch\nMessage-ID: <m1@example.com>\n\nHello\n",
         QStringLiteral("Handle email \"Lunch\""), QStringLiteral("message:")},
        {"no_id.eml", "From: Ann <ann@example.com>\r\nSubject: Plans\r\n\r\nBody\r\n",
         QStringLiteral("Handle email \"Plans\""), QStringLiteral("file://")},
        {"sender_only.eml", "From: Ann <ann@example.com>\nSubject:   \n\nBody\n",
         QStringLiteral("Handle email from Ann <ann@example.com>"), QStringLiteral("file://")},
        {"bare.eml", "Date: Mon, 7 Dec 2026 10:00:00 +0100\n\nBody\n", QStringLiteral("Handle email"),
         QStringLiteral("file://")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDTask* task =
            library->createTaskFromEmailFilepath(writeFile(QString::fromLatin1(c.name), c.content));
        ASSERT_NE(task, nullptr);
        EXPECT_EQ(task->title(), c.title);
        const QString html = notesHTMLLinks(task);
        EXPECT_TRUE(html.contains(QStringLiteral("href=\"") + c.linkPrefix)) << html.toStdString();
        EXPECT_FALSE(TDTaskNotesString(task).contains(QStringLiteral("null")));
        EXPECT_FALSE(TDTaskNotesString(task).isEmpty());
    }
}

TEST_F(TaskCreationTest, UnreadableMailFilesAndMissingFilesGiveNoTask) {
    EXPECT_EQ(library->createTaskFromEmailFilepath(writeFile(QStringLiteral("empty.eml"), {})), nullptr);
    EXPECT_EQ(
        library->createTaskFromEmailFilepath(writeFile(QStringLiteral("binary.eml"), QByteArray(4096, '\0'))),
        nullptr);
    EXPECT_EQ(library->createTaskFromEmailFilepath(QDir(tempPath()).filePath(QStringLiteral("missing.eml"))),
              nullptr);
    EXPECT_EQ(library->createTaskFromFilepath(QString()), nullptr);
    EXPECT_EQ(library->createTaskFromFilepath(QDir(tempPath()).filePath(QStringLiteral("missing.txt"))),
              nullptr);
    EXPECT_EQ(library->createTaskFromFilepath(writeFile(QStringLiteral("broken.EML"), "no header here")),
              nullptr);
}

TEST_F(TaskCreationTest, OtherFilesBecomeTasksPointingAtThem) {
    TDTask* task = library->createTaskFromFilepath(writeFile(QStringLiteral("report.pdf"), "%PDF-1.4"));
    ASSERT_NE(task, nullptr);
    EXPECT_EQ(task->title(), QStringLiteral("Look at \"report.pdf\""));
    const auto* notes = task->objectAs<TDTaskNotes>(QStringLiteral("notes"));
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->numberOfFilesInNotes(), 1);

    TDTask* mail = library->createTaskFromFilepath(
        writeFile(QStringLiteral("saved.EML"), "Subject: Invoice\nMessage-ID: <i@x>\n\n"));
    ASSERT_NE(mail, nullptr);
    EXPECT_EQ(mail->title(), QStringLiteral("Handle email \"Invoice\""));
    EXPECT_TRUE(manager->saveLibrary());
}

TEST_F(TaskCreationTest, PastedTextGivesOneTaskPerLineInOrder) {
    QMimeData data;
    data.setText(QStringLiteral("First\n\n\u2713 Second\r\n   \nThird"));
    const QList<TDTask*> tasks = library->createTasksFromMimeData(&data);
    ASSERT_EQ(tasks.size(), 3);
    EXPECT_EQ(tasks[0]->title(), QStringLiteral("First"));
    EXPECT_EQ(tasks[1]->title(), QStringLiteral("Second"));
    EXPECT_TRUE(tasks[1]->isCompleted());
    EXPECT_EQ(tasks[2]->title(), QStringLiteral("Third"));
    EXPECT_TRUE(library->createTasksFromMimeData(nullptr).isEmpty());
    QMimeData empty;
    EXPECT_TRUE(library->createTasksFromMimeData(&empty).isEmpty());
}

TEST_F(TaskCreationTest, DroppedFilesAndLinksBecomeTasks) {
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(writeFile(QStringLiteral("a.txt"), "a")),
                   QUrl::fromLocalFile(writeFile(QStringLiteral("m.eml"), "Subject: Hi\n\n")),
                   QUrl::fromLocalFile(QDir(tempPath()).filePath(QStringLiteral("gone.txt")))});
    const QList<TDTask*> fromFiles = library->createTasksFromMimeData(&files);
    ASSERT_EQ(fromFiles.size(), 2);
    EXPECT_EQ(fromFiles[0]->title(), QStringLiteral("Look at \"a.txt\""));
    EXPECT_EQ(fromFiles[1]->title(), QStringLiteral("Handle email \"Hi\""));

    QMimeData links;
    links.setUrls(
        {QUrl(QStringLiteral("https://example.com/1")), QUrl(QStringLiteral("https://example.com/2"))});
    const QString moz = QStringLiteral("https://example.com/1\nOne\nhttps://example.com/2\nTwo");
    links.setData(QStringLiteral("text/x-moz-url"),
                  QByteArray(reinterpret_cast<const char*>(moz.utf16()), moz.size() * 2));
    const QList<TDTask*> fromLinks = library->createTasksFromMimeData(&links);
    ASSERT_EQ(fromLinks.size(), 2);
    EXPECT_EQ(fromLinks[0]->title(), QStringLiteral("Look at \"One\""));
    EXPECT_EQ(fromLinks[1]->title(), QStringLiteral("Look at \"Two\""));
}

TEST_F(TaskCreationTest, PastedTaskDictionariesAreReadAndBadOnesRefused) {
    TDTask* original = library->createTask();
    original->setTitle(QStringLiteral("Copied"));
    original->setPriority(3);
    const QVariantMap form = original->propertyListRepresentationForCopying();
    const Result<QByteArray> plist = platform::writePropertyList(
        QVariantList{form, QStringLiteral("not a task")}, platform::PropertyListFormat::Xml);
    ASSERT_TRUE(plist.ok());
    QMimeData data;
    data.setData(TDLibrary::TaskPlistMimeType, *plist);
    data.setText(QStringLiteral("ignored"));
    const QList<TDTask*> tasks = library->createTasksFromMimeData(&data);
    ASSERT_EQ(tasks.size(), 1);
    EXPECT_EQ(tasks[0]->title(), QStringLiteral("Copied"));
    EXPECT_EQ(tasks[0]->priority(), 3);

    QMimeData garbage;
    garbage.setData(TDLibrary::TaskPlistMimeType, QByteArray("<plist><array><dict><key>"));
    EXPECT_TRUE(library->createTasksFromMimeData(&garbage).isEmpty());
}

// A form from outside may carry the uids of objects this library has: the paste makes new objects with
// new uids and leaves the ones named alone.
TEST_F(TaskCreationTest, PastedFormsGetNewUIDsWhateverUIDsTheyCarry) {
    TDList* list = newList(QStringLiteral("Here"), 0);
    TDTask* original = library->createTask();
    original->setTitle(QStringLiteral("Original"));
    original->setNotesString(QStringLiteral("its notes"));
    ASSERT_TRUE(list->orderedTasks()->addObject(original).ok());
    TDTask* subtask = library->createTask();
    subtask->setTitle(QStringLiteral("Its subtask"));
    ASSERT_TRUE(original->orderedTasks()->addObject(subtask).ok());

    QVariantMap form = original->propertyListRepresentationForCopying();
    form.insert(QStringLiteral("uid"), original->uid());
    QVariantMap subtaskForm = form.value(QStringLiteral("subtasks")).toList().value(0).toMap();
    ASSERT_FALSE(subtaskForm.isEmpty());
    subtaskForm.insert(QStringLiteral("uid"), subtask->uid());
    form.insert(QStringLiteral("subtasks"), QVariantList{subtaskForm});
    QVariantMap notesForm = form.value(QStringLiteral("notes")).toMap();
    ASSERT_FALSE(notesForm.isEmpty());
    notesForm.insert(QStringLiteral("uid"), original->notes()->uid());
    form.insert(QStringLiteral("notes"), notesForm);
    const Result<QByteArray> plist =
        platform::writePropertyList(QVariantList{form}, platform::PropertyListFormat::Xml);
    ASSERT_TRUE(plist.ok());
    QMimeData data;
    data.setData(TDLibrary::TaskPlistMimeType, *plist);

    const QList<TDTask*> pasted = library->createTasksFromMimeData(&data);
    ASSERT_EQ(pasted.size(), 1);
    TDTask* copy = pasted.first();
    EXPECT_EQ(copy->title(), QStringLiteral("Original"));
    EXPECT_NE(copy->uid(), original->uid());
    ASSERT_EQ(copy->subtasks().size(), 1);
    EXPECT_NE(copy->subtasks().first()->uid(), subtask->uid());
    EXPECT_EQ(copy->subtasks().first()->title(), QStringLiteral("Its subtask"));
    ASSERT_NE(copy->notes(), nullptr);
    EXPECT_NE(copy->notes()->uid(), original->notes()->uid());
    EXPECT_EQ(copy->notesString(), QStringLiteral("its notes"));

    EXPECT_EQ(library->taskWithUID(original->uid()), original);
    EXPECT_EQ(library->taskWithUID(subtask->uid()), subtask);
    EXPECT_EQ(original->subtasks(), QList<TDTask*>{subtask});
    EXPECT_EQ(original->notesString(), QStringLiteral("its notes"));
}

}  // namespace
