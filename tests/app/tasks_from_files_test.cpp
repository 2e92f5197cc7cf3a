#include "app/tasks_from_files.h"
#include "model/group.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>

namespace {

class TasksFromFilesTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        TDSetAppDelegate(&delegate);
        defaults().setValue(QStringLiteral("libraryAutosaveDelay"), 24 * 60 * 60.0);
        manager =
            std::make_unique<TDLibraryManager>(QDir(tempPath()).filePath(QStringLiteral("L.odllibrary")));
        TDLibraryManager::setSharedManager(manager.get());
        auto created = manager->createLibrary();
        ASSERT_TRUE(created.ok()) << created.error().detailedDescription().toStdString();
    }
    void TearDown() override {
        if (manager) manager->closeDiscardingChanges();
        manager.reset();
        TDLibraryManager::setSharedManager(nullptr);
        TDSetAppDelegate(nullptr);
        TempFoldersTest::TearDown();
    }
    QString writeFile(const QString& name, const QByteArray& contents) {
        const QString path = QDir(tempPath()).filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        return path;
    }

    testsupport::RecordingAppDelegate delegate;
    std::unique_ptr<TDLibraryManager> manager;
};

TEST_F(TasksFromFilesTest, FilesAndMailBecomeTasksAtTheTopOfTheInboxUnreadableOnesAreSkipped) {
    TDLibrary& library = *manager->library();
    const qsizetype inboxBefore = library.inboxGroup()->orderedTasks()->count();
    const QList<TDTask*> tasks = TDCreateTasksFromFiles(
        library, {writeFile(QStringLiteral("report.pdf"), "%PDF-1.4"),
                  QDir(tempPath()).filePath(QStringLiteral("missing.txt")),
                  writeFile(QStringLiteral("invoice.eml"), "Subject: Invoice\nMessage-ID: <i@x>\n\n")});
    ASSERT_EQ(tasks.size(), 2);
    EXPECT_EQ(tasks[0]->title(), QStringLiteral("Look at \"report.pdf\""));
    EXPECT_EQ(tasks[1]->title(), QStringLiteral("Handle email \"Invoice\""));

    TDOrderedCollection* inbox = library.inboxGroup()->orderedTasks();
    ASSERT_EQ(inbox->count(), inboxBefore + 2);
    EXPECT_EQ(inbox->objectAtIndex(0), tasks[1]);
    EXPECT_EQ(inbox->objectAtIndex(1), tasks[0]);
}

}  // namespace
