#include "auxiliary/url_handler.h"

#include "model/group.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/undo/undo_manager.h"
#include "tests/auxiliary/scripting_fixture.h"

#include <gtest/gtest.h>

namespace {

using testsupport::ScriptingLibraryTest;

class URLHandlerTest : public ScriptingLibraryTest {
protected:
    void SetUp() override {
        ScriptingLibraryTest::SetUp();
        handler = std::make_unique<TDURLHandler>(*host);
    }
    TDURLTarget walk(const QString& path) const {
        return handler->objectForPathComponents(path.split(QLatin1Char('/')));
    }
    void open(const char* link) {
        handler->handleURL(QUrl(QString::fromUtf8(link)));
        processChanges();
    }
    QString firstTitle(TDGroup* group) const {
        const QList<TDTask*> tasks = group->orderedTasks()->objectsAs<TDTask>();
        return tasks.isEmpty() ? QString() : tasks.first()->title();
    }

    std::unique_ptr<TDURLHandler> handler;
};

TEST_F(URLHandlerTest, PathsWalkByUIDsAndTitlesAndAFailedStepRestartsFromTheTop) {
    const struct {
        QString path;
        TDURLTarget expected;
    } cases[] = {
        {QStringLiteral("/inbox"), {library->inboxGroup()}},
        {QStringLiteral("/INBOX"), {library->inboxGroup()}},
        {QStringLiteral("/today"), {library->todayGroup()}},
        {QStringLiteral("//Work//Reports/"), {reports}},
        {QStringLiteral("/work/REPORTS"), {reports}},
        {QStringLiteral("/") + reports->uid(), {reports}},
        {QStringLiteral("/") + outline->uid(), {outline}},
        {QStringLiteral("/Work/") + reports->uid(), {reports}},
        {QStringLiteral("/Work/Reports/tasks"), {reports, true}},
        {QStringLiteral("/") + draft->uid() + QStringLiteral("/tasks"), {draft, true}},
        // A folder has no tasks of its own; a list is no folder to look into.
        {QStringLiteral("/Work/tasks"), {}},
        {QStringLiteral("/Work/Reports/Draft"), {}},
        // Only top-level groups are found from the top.
        {QStringLiteral("/Reports"), {}},
        {QStringLiteral("/Work/Nowhere"), {}},
        // The failed step leaves no parent: the next one starts from the top again.
        {QStringLiteral("/Nowhere/Errands"), {errands}},
        {QStringLiteral("/Work/Nowhere/Work/Reports"), {reports}},
        {QStringLiteral("/Work/Reports/tasks/tasks"), {}},
        {QString(), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(walk(c.path), c.expected);
    }
}

TEST_F(URLHandlerTest, QueriesSplitAndDecodeAsTheLinkWritesThem) {
    const QVariant yes(true);
    const struct {
        const char* query;
        QVariantMap expected;
    } cases[] = {
        {"title=Call+Ann", {{QStringLiteral("title"), QStringLiteral("Call Ann")}}},
        {"title=1%2B1", {{QStringLiteral("title"), QStringLiteral("1+1")}}},
        {"title=a=b%3Dc", {{QStringLiteral("title"), QStringLiteral("a=b=c")}}},
        {"title=%E2%82%AC%20and%20%C3%A9", {{QStringLiteral("title"), QStringLiteral("€ and é")}}},
        // Unescaped text reads as written, also a character outside the basic plane next to an escape.
        {"title=\xF0\x9F\x93\x8C%20pin+\xF0\x9F\x93\x8C",
         {{QStringLiteral("title"), QString::fromUtf8("\xF0\x9F\x93\x8C pin \xF0\x9F\x93\x8C")}}},
        {"flag", {{QStringLiteral("flag"), yes}}},
        {"flag&title=", {{QStringLiteral("flag"), yes}, {QStringLiteral("title"), QString()}}},
        {"title=one&title=two", {{QStringLiteral("title"), QStringLiteral("two")}}},
        // Keys stay as written; values that do not decode are left out.
        {"Title=x&na%20me=y",
         {{QStringLiteral("Title"), QStringLiteral("x")}, {QStringLiteral("na%20me"), QStringLiteral("y")}}},
        {"title=%FF&notes=ok", {{QStringLiteral("notes"), QStringLiteral("ok")}}},
        {"title=%C3&due=%zz&url=50%", {}},
        {"title=good&title=%C3%28", {{QStringLiteral("title"), QStringLiteral("good")}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        const QVariantMap got = TDURLHandler::dictionaryFromURLQueryString(QString::fromUtf8(c.query));
        EXPECT_EQ(got.keys(), c.expected.keys());
        for (auto it = c.expected.cbegin(); it != c.expected.cend(); ++it) {
            EXPECT_EQ(got.value(it.key()).toString(), it.value().toString()) << it.key().toStdString();
            EXPECT_EQ(got.value(it.key()).typeId(), it.value().typeId()) << it.key().toStdString();
        }
    }
}

TEST_F(URLHandlerTest, PostAddsTheTaskFromTheQueryWithoutRevealingIt) {
    open("ordello:///Work/Reports/tasks?method=post&title=Call%20Ann&priority=3&notes=ring+twice");
    ASSERT_EQ(firstTitle(reports), QStringLiteral("Call Ann"));
    const TDTask* added = reports->orderedTasks()->objectsAs<TDTask>().first();
    EXPECT_EQ(added->priority(), 3);
    EXPECT_EQ(added->notesString(), QStringLiteral("ring twice"));
    EXPECT_TRUE(host->revealed.isEmpty());
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Create Task"));
    manager->undoManager()->undo();
    processChanges();
    EXPECT_EQ(firstTitle(reports), QStringLiteral("Draft"));

    // The method alone makes a task without a title; a task's "tasks" takes a subtask.
    open("ordello:/Errands/tasks?method=POST");
    EXPECT_EQ(errands->orderedTasks()->count(), 1);
    EXPECT_EQ(firstTitle(errands), QString());
    const QString subtask =
        QStringLiteral("ordello:///%1/tasks?method=POST&title=Sources&index=9").arg(draft->uid());
    handler->handleURL(QUrl(subtask));
    processChanges();
    ASSERT_EQ(draft->subtasks().size(), 2);
    EXPECT_EQ(draft->orderedTasks()->objectsAs<TDTask>().last()->title(), QStringLiteral("Sources"));
    EXPECT_TRUE(host->revealed.isEmpty());
}

TEST_F(URLHandlerTest, EverythingElseRevealsTheObjectOrTheOwnerOfItsTasks) {
    const struct {
        const char* link;
        TDLibraryObject* revealed;
    } cases[] = {
        {"ordello:///inbox", library->inboxGroup()},
        {"ordello://somehost/Work", work},
        {"ordello:/Work/Reports/tasks", reports},
        {"ordello:/Work/Reports/tasks?method=GET&title=Not+made", reports},
        {"ordello:/Work/Reports/tasks?title=Not+made", reports},
        {"ordello:/Work/Reports/tasks?method=PUT", reports},
        {"ordello:/Work/Reports?method=POST&title=Not+made", reports},
        {"ordello:/Nowhere", nullptr},
        {"ordello:", nullptr},
        {"ordello:/Work/tasks?method=POST&title=Not+made", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.link);
        host->revealed.clear();
        open(c.link);
        EXPECT_EQ(host->revealed,
                  c.revealed ? QList<TDLibraryObject*>{c.revealed} : QList<TDLibraryObject*>{});
    }
    open((QStringLiteral("ordello:///") + outline->uid()).toUtf8().constData());
    EXPECT_EQ(host->revealed, QList<TDLibraryObject*>{outline});
    EXPECT_EQ(reports->orderedTasks()->count(), 1);
    EXPECT_FALSE(manager->undoManager()->canUndo());
}

TEST_F(URLHandlerTest, APostWhereNoTaskCanBeMadeChangesNothing) {
    open("ordello:/Upcoming/tasks?method=POST&title=Refused");
    EXPECT_TRUE(library->upcomingGroup()->tasks().isEmpty());
    EXPECT_TRUE(host->revealed.isEmpty());
    EXPECT_FALSE(manager->undoManager()->canUndo());
}

}  // namespace
