#include "tests/store/library_manager_fixture.h"

#include "model/library.h"
#include "model/managed_object_context.h"
#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/plist/property_list.h"
#include "store/group_view_options.h"
#include "tests/support/core/store_holder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <sys/time.h>

#include <ctime>

namespace storetest {
namespace {

using LibrarySavingTest = LibraryManagerTest;

platform::ManagedObject* insertList(TDLibraryManager& manager, const QString& title) {
    platform::ManagedObject* list = manager.managedObjectContext()->insertObject(QStringLiteral("List"));
    list->setValue(QStringLiteral("title"), title);
    return list;
}

TEST_F(LibrarySavingTest, AutosaveCoalescesABurstIntoOneSave) {
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), kShortAutosaveDelay);
    createLibrary();
    startCountingSaves();
    platform::ManagedObject* list = insertList(*manager, QStringLiteral("0"));
    for (int i = 1; i <= 10; ++i) {
        list->setValue(QStringLiteral("title"), QString::number(i));
        manager->managedObjectContext()->processPendingChanges();
        EXPECT_TRUE(manager->isSaveScheduled());
    }
    EXPECT_EQ(saves, 0);
    ASSERT_TRUE(testsupport::spinUntil([this] { return saves > 0; }));
    // With nothing left to save and no save due, no second save can follow.
    testsupport::drainEvents();
    EXPECT_EQ(saves, 1);
    EXPECT_FALSE(manager->managedObjectContext()->hasChanges());
    EXPECT_FALSE(manager->isSaveScheduled());
}

TEST_F(LibrarySavingTest, NoTriggerFlagStartsNoTimerButAnExplicitSaveStillSaves) {
    createLibrary();
    startCountingSaves();
    manager->setDontTriggerSaveOnChange(true);
    insertList(*manager, QStringLiteral("Quiet"));
    manager->managedObjectContext()->processPendingChanges();
    EXPECT_FALSE(manager->isSaveScheduled());
    EXPECT_TRUE(manager->saveLibrary());
    EXPECT_EQ(saves, 1);
}

TEST_F(LibrarySavingTest, ASaveWithNothingChangedWritesNothing) {
    createLibrary();
    const QString info = manager->infoDictionaryPath();
    ASSERT_TRUE(QFile::remove(info));
    EXPECT_TRUE(manager->saveLibrary());
    EXPECT_FALSE(QFile::exists(info));
}

TEST_F(LibrarySavingTest, SaveWhileAnOperationHoldsTheCoordinatorIsRescheduled) {
    createLibrary();
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), kShortAutosaveDelay);
    startCountingSaves();
    testsupport::StoreHolder holder(*manager->syncOperationQueue(), *manager->persistentStoreCoordinator());

    insertList(*manager, QStringLiteral("Busy"));
    EXPECT_EQ(manager->saveLibraryOrReschedule(), TDLibrarySaveOutcome::Rescheduled);
    EXPECT_TRUE(manager->saveLibrary()) << "a rescheduled save is no failure";
    EXPECT_TRUE(manager->isSaveScheduled());
    EXPECT_EQ(saves, 0);
    EXPECT_TRUE(manager->managedObjectContext()->hasChanges());

    // The autosave timer's retries meet the lock again, and each schedules the next.
    auto* autosave = manager->findChild<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(autosave, nullptr);
    int retries = 0;
    QObject counting;
    QObject::connect(autosave, &QTimer::timeout, &counting, [&retries] { ++retries; });
    ASSERT_TRUE(testsupport::spinUntil([&retries] { return retries >= 2; }));
    EXPECT_TRUE(manager->isSaveScheduled());
    EXPECT_EQ(saves, 0);
    holder.release();
    ASSERT_TRUE(testsupport::spinUntil([this] { return saves == 1; }));
    EXPECT_FALSE(manager->managedObjectContext()->hasChanges());
    EXPECT_TRUE(delegate.errors.isEmpty());
}

TEST_F(LibrarySavingTest, AFailingSaveIsReportedAndClosingKeepsTheLibrary) {
    TDLibrary* library = createLibrary();
    // The library's version is required: without it the store refuses the save.
    library->setValue(QStringLiteral("version"), QVariant());
    EXPECT_FALSE(manager->saveLibrary());
    ASSERT_EQ(delegate.errors.size(), 1);
    EXPECT_EQ(delegate.errors.first().second, QStringLiteral("Could not save library"));
    EXPECT_TRUE(manager->persistentStoreCoordinator()->tryLock());  // the lock was let go
    manager->persistentStoreCoordinator()->unlock();

    const Status closed = manager->close();
    EXPECT_FALSE(closed.ok());
    EXPECT_EQ(delegate.errors.size(), 2);
    EXPECT_EQ(manager->library(), library);  // still open, changes kept
    library->setValue(QStringLiteral("version"), 1.0);
    EXPECT_TRUE(manager->close().ok());
}

TEST_F(LibrarySavingTest, SaveWritesInfoAndOptionsAndStampsThePackage) {
    createLibrary();
    manager->setOption(QStringLiteral("quick"), QStringLiteral("quickEntryTargetGroupUID"));
    // Backdated, so the stamp shows however soon the save follows.
    const time_t anHourAgo = ::time(nullptr) - 3600;
    const timeval backdated[2] = {{anHourAgo, 0}, {anHourAgo, 0}};
    ASSERT_EQ(::utimes(QFile::encodeName(packagePath()).constData(), backdated), 0);
    const QDateTime stamped = QFileInfo(packagePath()).lastModified();
    insertList(*manager, QStringLiteral("Written"));
    ASSERT_TRUE(manager->saveLibrary());
    const auto options = platform::readPropertyListFile(manager->optionsDictionaryPath());
    ASSERT_TRUE(options.ok());
    EXPECT_EQ(options->toMap().value(QStringLiteral("quickEntryTargetGroupUID")), QStringLiteral("quick"));
    EXPECT_TRUE(QFile::exists(manager->infoDictionaryPath()));
    EXPECT_GT(QFileInfo(packagePath()).lastModified(), stamped);
}

TEST_F(LibrarySavingTest, EditorsEndEditingBeforeTheSave) {
    struct Editor : TDEditor {
        platform::ManagedObject* list = nullptr;
        bool accept = true;
        bool commitEditing() override {
            if (accept) list->setValue(QStringLiteral("title"), QStringLiteral("typed"));
            return accept;
        }
    } editor;
    createLibrary();
    editor.list = insertList(*manager, QStringLiteral("old"));
    manager->editorRegistry().registerEditor(&editor);
    editor.accept = false;
    EXPECT_FALSE(manager->saveLibrary());
    EXPECT_TRUE(manager->managedObjectContext()->hasChanges());
    editor.accept = true;
    EXPECT_TRUE(manager->saveLibrary());
    EXPECT_EQ(editor.list->committedValues().value(QStringLiteral("title")), QStringLiteral("typed"));
    manager->editorRegistry().unregisterEditor(&editor);
}

// A person typing a title when the autosave comes keeps typing: the autosave saves what the model
// holds, and the typed text is saved once its editing ends.
TEST_F(LibrarySavingTest, AutosaveLeavesEditingOpenWhereAnExplicitSaveEndsIt) {
    struct Editor : TDEditor {
        int commits = 0;
        bool commitEditing() override {
            ++commits;
            return true;
        }
    } editor;
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), kShortAutosaveDelay);
    createLibrary();
    startCountingSaves();
    manager->editorRegistry().registerEditor(&editor);
    insertList(*manager, QStringLiteral("Changed"));
    manager->managedObjectContext()->processPendingChanges();
    ASSERT_TRUE(testsupport::spinUntil([this] { return saves > 0; }));
    EXPECT_EQ(editor.commits, 0);
    EXPECT_FALSE(manager->managedObjectContext()->hasChanges());

    EXPECT_TRUE(manager->saveLibrary());
    EXPECT_EQ(editor.commits, 1);
    manager->editorRegistry().unregisterEditor(&editor);
}

// Options.

TEST(LibraryOptionKeysTest, OnlyTheSixPrefixesWithTheirBlankAreStateKeys) {
    const struct {
        const char* key;
        bool state;
    } cases[] = {{"NSWindow Frame main", true},
                 {"NSWindowFrame main", false},
                 {"NSWindow", false},
                 {"NSSplitView Subviews x", true},
                 {"TDSplitView Subview Lengths", true},
                 {"NSTableView Columns t", true},
                 {"NSOutlineView Items o", true},
                 {"TDTabControl tabs objects", true},
                 {"nswindow Frame", false},
                 {"groupViewOptions", false}};
    for (const auto& c : cases)
        EXPECT_EQ(TDLibraryManager::shouldCopyOptionToAndFromUserDefaults(QString::fromLatin1(c.key)),
                  c.state)
            << c.key;
}

TEST_F(LibrarySavingTest, WindowStateTravelsBetweenUserDefaultsAndTheLibrary) {
    createLibrary();
    defaults().setValue(QStringLiteral("NSWindow Frame main"), QStringLiteral("0 0 800 600"));
    defaults().setValue(QStringLiteral("TDTabControl tabs objects"), QStringLiteral("tabs"));
    defaults().setValue(QStringLiteral("firstLaunch"), false);
    manager->saveOptionsDictionary();
    EXPECT_EQ(manager->optionForKey(QStringLiteral("NSWindow Frame main")), QStringLiteral("0 0 800 600"));
    EXPECT_FALSE(manager->optionForKey(QStringLiteral("firstLaunch")).isValid());
    ASSERT_TRUE(manager->close().ok());

    // Another library's state is replaced by this library's at opening.
    defaults().removeValue(QStringLiteral("TDTabControl tabs objects"));
    defaults().setValue(QStringLiteral("NSWindow Frame main"), QStringLiteral("other"));
    defaults().setValue(QStringLiteral("NSSplitView Subviews other"), QStringLiteral("stale"));
    newManager().copyOptionsToUserDefaults();
    EXPECT_EQ(defaults().value(QStringLiteral("NSWindow Frame main")), QStringLiteral("0 0 800 600"));
    EXPECT_EQ(defaults().value(QStringLiteral("TDTabControl tabs objects")), QStringLiteral("tabs"));
    EXPECT_FALSE(defaults().hasStoredValue(QStringLiteral("NSSplitView Subviews other")));
    EXPECT_FALSE(defaults().value(QStringLiteral("firstLaunch")).toBool());

    manager->setOption(QVariant(), QStringLiteral("NSWindow Frame main"));
    EXPECT_FALSE(manager->optionForKey(QStringLiteral("NSWindow Frame main")).isValid());
}

TEST_F(LibrarySavingTest, UnreadableOptionsFileGivesEmptyOptions) {
    createLibrary();
    ASSERT_TRUE(manager->close().ok());
    QFile options(packagePath() + QStringLiteral("/options.plist"));
    ASSERT_TRUE(options.open(QIODevice::WriteOnly));
    options.write("<plist><dict><key>broken");
    options.close();
    ASSERT_TRUE(newManager().loadLibrary().ok());
    EXPECT_FALSE(manager->optionForKey(QStringLiteral("quickEntryTargetGroupUID")).isValid());
}

TEST_F(LibrarySavingTest, GroupSortingIsSavedPerGroupAndDeletedGroupsLoseTheirOptions) {
    createLibrary();
    platform::ManagedObject* kept = insertList(*manager, QStringLiteral("Kept"));
    platform::ManagedObject* doomed = insertList(*manager, QStringLiteral("Doomed"));
    const QString keptUID = kept->value(QStringLiteral("uid")).toString();
    const QString doomedUID = doomed->value(QStringLiteral("uid")).toString();
    ASSERT_FALSE(keptUID.isEmpty());
    EXPECT_TRUE(TDGroupSavedSortingAttribute(*manager, keptUID).isNull());
    EXPECT_FALSE(TDGroupSavedReverseSort(*manager, keptUID));

    TDSetGroupSavedSorting(*manager, keptUID, QStringLiteral("dueDate"), true);
    TDSetGroupSavedSorting(*manager, doomedUID, QStringLiteral("title"), false);
    EXPECT_EQ(TDGroupSavedSortingAttribute(*manager, keptUID), QStringLiteral("dueDate"));
    EXPECT_TRUE(TDGroupSavedReverseSort(*manager, keptUID));
    const auto written = platform::readPropertyListFile(manager->optionsDictionaryPath());
    ASSERT_TRUE(written.ok());
    EXPECT_EQ(written->toMap().value(QStringLiteral("groupViewOptions")).toMap().size(), 2);
    TDSetGroupSavedSorting(*manager, keptUID, QString(), false);
    EXPECT_TRUE(TDGroupSavedSortingAttribute(*manager, keptUID).isNull());
    EXPECT_TRUE(TDGroupViewOptions(*manager, keptUID).isEmpty());
    manager->managedObjectContext()->processPendingChanges();

    // Deleting something else leaves the options alone; deleting a group drops its entry once and
    // retrains the tag prediction, which writes its data again.
    const QString tagData = QDir(packagePath()).filePath(QStringLiteral("tag_autosuggest.data"));
    ASSERT_TRUE(QFile::remove(tagData));
    platform::ManagedObject* task = manager->managedObjectContext()->insertObject(QStringLiteral("Task"));
    manager->managedObjectContext()->processPendingChanges();
    manager->managedObjectContext()->deleteObject(task);
    manager->managedObjectContext()->processPendingChanges();
    EXPECT_FALSE(QFileInfo::exists(tagData));
    EXPECT_EQ(manager->optionForKey(QStringLiteral("groupViewOptions")).toMap().size(), 2);

    manager->managedObjectContext()->deleteObject(doomed);
    manager->managedObjectContext()->processPendingChanges();
    EXPECT_TRUE(QFileInfo::exists(tagData));
    EXPECT_EQ(manager->optionForKey(QStringLiteral("groupViewOptions")).toMap().keys(), QStringList{keptUID});
}

}  // namespace
}  // namespace storetest
