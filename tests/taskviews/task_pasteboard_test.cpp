#include "taskviews/task_pasteboard.h"

#include "model/managed_object_context.h"
#include "platform/plist/property_list.h"
#include "taskviews/pasteboard_types.h"
#include "taskviews/rtf_writer.h"
#include "tests/taskviews/tasks_controller_fixture.h"

#include <QMimeData>
#include <QTextDocument>

namespace taskviewstest {
namespace {

class TaskPasteboardTest : public TasksControllerTest {
protected:
    void SetUp() override {
        TasksControllerTest::SetUp();
        list = newList(QStringLiteral("Jobs"));
        tricky = addTask(list, QStringLiteral("Fix <b> & \"quotes\" in Zürich — 東京"));
        tricky->setNotesString(QStringLiteral("Call {Anna} at 5\\6"));
        child = addSubtask(tricky, QStringLiteral("Child"));
        done = addTask(list, QStringLiteral("Done one"));
        done->setCompleted(true);
        canceled = addTask(list, QStringLiteral("Dropped"));
        canceled->setCanceled(true);
        processChanges();
    }

    QVariantList propertyList(const QByteArray& data) {
        const Result<QVariant> list = platform::readPropertyList(data);
        EXPECT_TRUE(list.ok());
        return list.ok() ? list->toList() : QVariantList();
    }

    TDList* list = nullptr;
    TDTask* tricky = nullptr;
    TDTask* child = nullptr;
    TDTask* done = nullptr;
    TDTask* canceled = nullptr;
};

TEST_F(TaskPasteboardTest, PlainTextIsATitleAloneOrMarkedLines) {
    using TDTaskPasteboard::plainText;
    EXPECT_EQ(plainText({tricky}, false), tricky->title());
    EXPECT_EQ(plainText({tricky}, true), tricky->title());
    EXPECT_EQ(plainText({child, done, canceled}, false),
              QStringLiteral("\u2022 Child\n\u2713 Done one\n\u00D7 Dropped"));
    // With notes: a blank line between tasks and before each note
    EXPECT_EQ(plainText({tricky, done}, true),
              QStringLiteral("\u2022 ") + tricky->title() +
                  QStringLiteral("\n\nCall {Anna} at 5\\6\n\n\u2713 Done one"));
}

TEST_F(TaskPasteboardTest, HTMLEscapesTitlesAndLinksEachTask) {
    const QString html = TDTaskPasteboard::html({tricky, done}, true);
    EXPECT_TRUE(
        html.startsWith(QStringLiteral("<ul class=\"tasks\" style=\"list-style:none;margin-left:0;\">\n")));
    EXPECT_TRUE(html.endsWith(QStringLiteral("</ul>")));
    EXPECT_TRUE(html.contains(QStringLiteral("<a href=\"ordello:///%1\">\u2022 Fix &lt;b&gt; &amp; "
                                             "&quot;quotes&quot; in Zürich — 東京</a>")
                                  .arg(tricky->uid())))
        << html.toStdString();
    EXPECT_FALSE(html.contains(QStringLiteral("<b>")));
    EXPECT_TRUE(
        html.contains(QStringLiteral("<a href=\"ordello:///%1\">\u2713 Done one</a></li>").arg(done->uid())));
    // The notes as a fragment, not a document of their own
    EXPECT_TRUE(
        html.contains(QStringLiteral("<div class=\"notes\" style=\"margin-top:1em;margin-left:1em;\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("Call {Anna} at 5\\6")));
    EXPECT_FALSE(html.contains(QStringLiteral("<html")));
    EXPECT_EQ(html.count(QStringLiteral("class=\"notes\"")), 1);
    EXPECT_EQ(TDTaskPasteboard::html({tricky}, false).count(QStringLiteral("notes")), 0);

    // What the HTML says is what the title says
    QTextDocument read;
    read.setHtml(html);
    EXPECT_TRUE(read.toPlainText().contains(tricky->title()));
}

TEST_F(TaskPasteboardTest, RichTextEscapesAndLinksAndIndentsNotes) {
    const QString rtf = QString::fromLatin1(TDTaskPasteboard::richText({tricky, canceled}, true));
    EXPECT_TRUE(rtf.startsWith(QStringLiteral("{\\rtf1\\ansi")));
    EXPECT_TRUE(rtf.endsWith(QLatin1Char('}')));
    EXPECT_TRUE(rtf.contains(QStringLiteral("HYPERLINK \"ordello:///%1\"").arg(tricky->uid())));
    // Non-Latin letters as signed UTF-16 units; RTF's own characters escaped
    EXPECT_TRUE(rtf.contains(QStringLiteral("Z\\u252?rich")));
    EXPECT_TRUE(rtf.contains(QStringLiteral("\\u26481?\\u20140?")));  // 東京
    EXPECT_TRUE(rtf.contains(QStringLiteral("\\u8226? Fix <b> & \"quotes\"")));
    EXPECT_TRUE(rtf.contains(QStringLiteral("Call \\{Anna\\} at 5\\\\6")));
    EXPECT_TRUE(rtf.contains(QStringLiteral("\\pard\\li240\\fi0 ")));     // notes 12 points in
    EXPECT_TRUE(rtf.contains(QStringLiteral("{\\ul \\u215? Dropped}")));  // canceled: underlined
    // Braces balance, or readers give up
    EXPECT_EQ(rtf.count(QLatin1Char('{')) - rtf.count(QStringLiteral("\\{")),
              rtf.count(QLatin1Char('}')) - rtf.count(QStringLiteral("\\}")));
    EXPECT_FALSE(TDTaskPasteboard::richText({tricky}, false).contains("Anna"));
}

TEST_F(TaskPasteboardTest, RTFWriterEscapesEveryKindOfCharacter) {
    const struct {
        QString text;
        QByteArray written;
    } cases[] = {
        {QStringLiteral("plain"), "plain"},
        {QStringLiteral("a\\b{c}"), "a\\\\b\\{c\\}"},
        {QStringLiteral("tab\there"), "tab\\tab here"},
        {QStringLiteral("line\nbreak"), "line\\line break"},
        {QStringLiteral("é"), "\\u233?"},
        {QStringLiteral("\U0001F600"), "\\u-10179?\\u-8704?"},  // a surrogate pair, each unit signed
    };
    for (const auto& c : cases) {
        TDRTFWriter writer;
        writer.appendText(c.text);
        EXPECT_TRUE(writer.data().contains("\\pard\\li0\\fi0 " + c.written + "\\par"))
            << c.text.toStdString();
    }
    TDRTFWriter writer;
    writer.appendText(QStringLiteral("go"), {true, true, false, QStringLiteral("https://x.test/?q=\"a\"")});
    EXPECT_TRUE(writer.data().contains(
        "{\\field{\\*\\fldinst{HYPERLINK \"https://x.test/?q=%22a%22\"}}{\\fldrslt {\\b\\i go}}}"));
}

TEST_F(TaskPasteboardTest, IDsOfEveryTaskButCopyFormsOnlyOfTreeRoots) {
    const std::unique_ptr<QMimeData> data = TDTaskPasteboard::mimeDataForTasks({tricky, child, done}, false);
    const QStringList types = data->formats();
    for (const QString& type :
         {TDPasteboardTypes::TaskMOIDs, TDPasteboardTypes::TaskPlist, QStringLiteral("text/rtf"),
          QStringLiteral("text/html"), QStringLiteral("text/plain")})
        EXPECT_TRUE(types.contains(type)) << type.toStdString();

    const QVariantList ids = propertyList(data->data(TDPasteboardTypes::TaskMOIDs));
    EXPECT_EQ(ids, (QVariantList{tricky->persistentObjectIDURIString(), child->persistentObjectIDURIString(),
                                 done->persistentObjectIDURIString()}));
    const QVariantList forms = propertyList(data->data(TDPasteboardTypes::TaskPlist));
    ASSERT_EQ(forms.size(), 2);
    EXPECT_EQ(forms[0].toMap().value(QStringLiteral("title")), tricky->title());
    EXPECT_EQ(forms[0].toMap().value(QStringLiteral("subtasks")).toList().size(), 1);
    EXPECT_EQ(forms[1].toMap().value(QStringLiteral("title")), done->title());

    // A subtask written before its parent is written on its own as well
    EXPECT_EQ(propertyList(TDTaskPasteboard::taskPropertyLists({child, tricky})).size(), 2);
}

TEST_F(TaskPasteboardTest, IDListsOfAnotherStoreAreRefusedAndGoneTasksSkipped) {
    platform::ManagedObjectContext& context = *manager->managedObjectContext();
    const QByteArray here = TDTaskPasteboard::taskIDList({tricky, done, canceled});
    canceled->deleteObject();
    processChanges();
    TDTaskPasteboard::TaskIDs read = TDTaskPasteboard::tasksForIDList(here, context);
    EXPECT_EQ(read.outcome, TDTaskPasteboard::TaskIDs::Outcome::Tasks);
    EXPECT_EQ(read.tasks, (QList<TDTask*>{tricky, done}));

    QString foreign = done->persistentObjectIDURIString();
    const qsizetype storeStart = QStringLiteral("x-ordello://").size();
    foreign.replace(storeStart, foreign.indexOf(QLatin1Char('/'), storeStart) - storeStart,
                    QStringLiteral("00000000-0000-0000-0000-000000000000"));
    const Result<QByteArray> mixed =
        platform::writePropertyList(QVariantList{tricky->persistentObjectIDURIString(), foreign});
    ASSERT_TRUE(mixed.ok());
    read = TDTaskPasteboard::tasksForIDList(*mixed, context);
    EXPECT_EQ(read.outcome, TDTaskPasteboard::TaskIDs::Outcome::OtherLibrary);
    EXPECT_TRUE(read.tasks.isEmpty());

    EXPECT_EQ(TDTaskPasteboard::tasksForIDList("not a list", context).outcome,
              TDTaskPasteboard::TaskIDs::Outcome::Unreadable);
}

}  // namespace
}  // namespace taskviewstest
