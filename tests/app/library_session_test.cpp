#include "app/library_session.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "store/library_manager.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/core/scripted_alert_prompter.h"
#include "tests/support/core/store_holder.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QUrl>

namespace {

class LibrarySessionTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        TDSetAppDelegate(&delegate);
        // No autosave interrupts a test: only the saves the session makes count.
        defaults().setValue(QStringLiteral("libraryAutosaveDelay"), 24 * 60 * 60.0);
        manager =
            std::make_unique<TDLibraryManager>(QDir(tempPath()).filePath(QStringLiteral("L.odllibrary")));
        TDLibraryManager::setSharedManager(manager.get());
    }
    void TearDown() override {
        manager.reset();
        TDLibraryManager::setSharedManager(nullptr);
        TDSetAppDelegate(nullptr);
        TempFoldersTest::TearDown();
    }
    testsupport::RecordingAppDelegate delegate;
    testsupport::ScriptedAlertPrompter prompter;
    std::unique_ptr<TDLibraryManager> manager;
};

TEST_F(LibrarySessionTest, CreatesAMissingLibraryThenOpensTheSameOne) {
    TDLibrarySession session(*manager, prompter);
    ASSERT_TRUE(session.openOrCreateLibrary());
    EXPECT_TRUE(manager->libraryExists());
    const QString uid = manager->library()->uid();
    EXPECT_EQ(defaults().string(QStringLiteral("libraryURL")),
              QUrl::fromLocalFile(manager->libraryPath()).toString());
    ASSERT_TRUE(manager->close().ok());
    ASSERT_TRUE(session.openOrCreateLibrary());
    EXPECT_EQ(manager->library()->uid(), uid);
    EXPECT_TRUE(prompter.shown.isEmpty());
}

TEST_F(LibrarySessionTest, AnOpeningErrorIsHandledAndShown) {
    ASSERT_TRUE(QDir().mkpath(manager->libraryPath()));
    QFile store(manager->storePath());
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    store.write("not a library");
    store.close();
    TDLibrarySession session(*manager, prompter);
    EXPECT_FALSE(session.openOrCreateLibrary());
    EXPECT_EQ(delegate.errors.size(), 1);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().buttons, QStringList{QStringLiteral("Quit")});
}

TEST_F(LibrarySessionTest, AFailedSaveAtQuitLetsTheUserStay) {
    TDLibrarySession session(*manager, prompter);
    ASSERT_TRUE(session.openOrCreateLibrary());
    manager->library()->setValue(QStringLiteral("version"), QVariant());  // unsavable
    prompter.answers = {1};                                               // Cancel
    EXPECT_FALSE(session.quit());
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().informativeText,
              QStringLiteral("Could not save changes while quitting. Quit anyway?"));
    EXPECT_NE(manager->library(), nullptr);
    prompter.answers = {0};  // Quit Anyway
    EXPECT_TRUE(session.quit());
    EXPECT_EQ(manager->library(), nullptr);
}

TEST_F(LibrarySessionTest, QuittingWhileAnOperationHoldsTheStoreSavesOnceItLetsGo) {
    // Only the quit path may save here: the manager's own retry would come too late.
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), 3600.0);
    TDLibrarySession session(*manager, prompter);
    ASSERT_TRUE(session.openOrCreateLibrary());
    bool cancelled = false;
    QObject::connect(&session, &TDLibrarySession::quitCancelled, [&cancelled] { cancelled = true; });
    testsupport::StoreHolder holder(*manager->syncOperationQueue(), *manager->persistentStoreCoordinator());
    manager->managedObjectContext()
        ->insertObject(QStringLiteral("List"))
        ->setValue(QStringLiteral("title"), QStringLiteral("Kept at quit"));

    EXPECT_EQ(manager->saveLibraryOrReschedule(), TDLibrarySaveOutcome::Rescheduled);
    EXPECT_TRUE(session.quit());
    EXPECT_TRUE(prompter.shown.isEmpty()) << "a busy store is no failed save";
    EXPECT_TRUE(manager->managedObjectContext()->hasChanges());

    holder.release();
    ASSERT_TRUE(testsupport::spinUntil([this] { return !manager->managedObjectContext()->hasChanges(); }));
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_FALSE(cancelled);
    EXPECT_TRUE(delegate.errors.isEmpty());

    // The holder's operation lets go of the store a moment after the save; reopening must not race it.
    manager->syncOperationQueue()->waitUntilAllOperationsAreFinished();
    manager->closeDiscardingChanges();
    ASSERT_TRUE(manager->loadLibrary().ok());
    const auto lists = manager->library()->fetch(QStringLiteral("List"));
    ASSERT_TRUE(lists.ok());
    QStringList titles;
    for (platform::ManagedObject* list : *lists)
        titles.append(list->value(QStringLiteral("title")).toString());
    EXPECT_TRUE(titles.contains(QStringLiteral("Kept at quit")))
        << titles.join(QLatin1Char(',')).toStdString();
}

}  // namespace
