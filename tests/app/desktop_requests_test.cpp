#include "app/desktop_requests.h"
#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "tests/app/app_delegate_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace apptest {
namespace {

class DesktopRequestsTest : public AppDelegateTest {
protected:
    void SetUp() override {
        AppDelegateTest::SetUp();
        path = packagePath(QStringLiteral("Requests"));
        createLibraryAt(path);
        storeLocation(path);
        makeDelegate();
        requests = std::make_unique<TDDesktopRequests>(*delegate, *manager);
    }
    void TearDown() override {
        requests.reset();
        AppDelegateTest::TearDown();
    }

    QStringList inboxTitles() {
        QStringList titles;
        for (TDTask* task : manager->library()->inboxGroup()->orderedTasks()->objectsAs<TDTask>())
            titles << task->title();
        return titles;
    }
    QString writeFile(const QString& name) {
        const QString file = QDir(tempPath()).filePath(name);
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("contents");
        return file;
    }

    QString path;
    std::unique_ptr<TDDesktopRequests> requests;
};

TEST_F(DesktopRequestsTest, RequestsBeforeTheLaunchWaitAndTheReplyComesOnceTheTasksExist) {
    requests->open({writeFile(QStringLiteral("Handed over.txt"))});
    std::optional<Result<QStringList>> reply;
    QStringList inboxWhenReplied;
    requests->createTasksFromText(QStringLiteral("First line\n- Second line\n\n"),
                                  [&](const Result<QStringList>& uids) {
                                      reply = uids;
                                      inboxWhenReplied = inboxTitles();
                                  });
    EXPECT_FALSE(reply);

    ASSERT_EQ(delegate->applicationDidFinishLaunching({}), std::nullopt);
    // The library stands open, but the launch has not said it is done.
    EXPECT_FALSE(reply);
    EXPECT_FALSE(inboxTitles().contains(QStringLiteral("Look at \"Handed over.txt\"")));

    requests->launchDidFinish();
    ASSERT_TRUE(reply);
    ASSERT_TRUE(reply->ok()) << reply->error().description.toStdString();
    ASSERT_EQ(reply->value().size(), 2);
    // Each new task went to the top in turn, so they stand in reverse order, and existed when the reply went.
    EXPECT_EQ(inboxWhenReplied.mid(0, 3),
              (QStringList{QStringLiteral("Second line"), QStringLiteral("First line"),
                           QStringLiteral("Look at \"Handed over.txt\"")}));
    for (const QString& uid : reply->value()) EXPECT_TRUE(manager->library()->taskWithUID(uid));
}

TEST_F(DesktopRequestsTest, TasksFromTextUndoAsOneStepAndTextWithoutTasksIsAnError) {
    ASSERT_EQ(delegate->applicationDidFinishLaunching({}), std::nullopt);
    requests->launchDidFinish();
    // The launch's own changes are an undo step of their own.
    QCoreApplication::processEvents();
    const QStringList before = inboxTitles();

    std::optional<Result<QStringList>> reply;
    requests->createTasksFromText(QStringLiteral("One\nTwo\nThree"),
                                  [&](const Result<QStringList>& uids) { reply = uids; });
    ASSERT_TRUE(reply && reply->ok());
    EXPECT_EQ(inboxTitles().mid(0, 3),
              (QStringList{QStringLiteral("Three"), QStringLiteral("Two"), QStringLiteral("One")}));
    QCoreApplication::processEvents();
    platform::UndoManager* undo = manager->undoManager();
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Create Task"));
    undo->undo();
    manager->managedObjectContext()->processPendingChanges();
    EXPECT_EQ(inboxTitles(), before);

    for (const QString& text : {QString(), QStringLiteral(" \n\n  ")}) {
        reply.reset();
        requests->createTasksFromText(text, [&](const Result<QStringList>& uids) { reply = uids; });
        ASSERT_TRUE(reply);
        ASSERT_FALSE(reply->ok());
        EXPECT_EQ(reply->error().description, QStringLiteral("Could not create task from selection"));
    }
    EXPECT_EQ(inboxTitles(), before);
}

}  // namespace
}  // namespace apptest
