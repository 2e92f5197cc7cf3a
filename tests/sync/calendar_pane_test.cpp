#include "model/calendar_store_sync_settings.h"
#include "model/folder.h"
#include "model/library.h"
#include "model/list.h"
#include "model/task.h"
#include "sync/calendar_sync_preferences_controller.h"
#include "tests/sync/calendar_sync_fixture.h"

#include <QDir>
#include <QFile>

namespace synctest {
namespace {

class ScriptedCalendarPaneHost : public TDCalendarSyncPaneHost {
public:
    int runSheet(const TDAlert& alert) override {
        sheets << alert;
        return answers.isEmpty() ? 0 : answers.takeFirst();
    }
    std::optional<QString> chooseBackupFolder() override { return folder; }

    QList<TDAlert> sheets;
    QList<int> answers;
    std::optional<QString> folder;
};

class CalendarPaneTest : public CalendarSyncTest {
protected:
    void SetUp() override {
        CalendarSyncTest::SetUp();
        const Result<platform::Calendar> made = store->createCalendar(QStringLiteral("Errands"));
        ASSERT_TRUE(made.ok());
        errands = *made;
        pane = std::make_unique<TDCalendarSyncPreferencesController>(*manager, syncManager.get(), host);
    }
    void TearDown() override {
        ASSERT_TRUE(testsupport::spinUntil([this] { return !pane->isBackingUp(); }));
        pane.reset();
        syncManager->waitUntilIdle();
        CalendarSyncTest::TearDown();
    }

    int rowOf(const platform::Calendar& calendar) const {
        const auto rows = pane->calendarRows();
        for (int row = 0; row < rows.size(); ++row)
            if (rows[row].calendar.uid() == calendar.uid()) return row;
        return -1;
    }
    TDCalendarSyncPreferencesController::GroupRow groupRow(const TDGroup* group) const {
        for (const auto& row : pane->groupRows())
            if (row.group == group) return row;
        return {};
    }

    ScriptedCalendarPaneHost host;
    platform::Calendar errands;
    std::unique_ptr<TDCalendarSyncPreferencesController> pane;
};

TEST_F(CalendarPaneTest, TheEnablingRulesFollowTheSwitchTheSelectionAndTheMapping) {
    TDList* work = library->createList(QStringLiteral("Work"), library->foldersGroup());
    struct Case {
        const char* situation;
        bool syncOn;
        const platform::Calendar* selected;
        bool choresCheckable, errandsCheckable, groupsEnabled, homeEnabled, homeChecked, workEnabled;
    };
    const Case cases[] = {
        {"on, Chores selected", true, &chores, true, false, true, true, true, true},
        {"on, Errands selected", true, &errands, true, false, true, false, false, true},
        {"on, nothing selected", true, nullptr, true, false, false, false, false, false},
        {"off, Chores selected", false, &chores, false, false, false, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        pane->setCalendarStoreSyncEnabled(c.syncOn);
        pane->setSelectedCalendarRow(c.selected ? rowOf(*c.selected) : -1);
        EXPECT_EQ(pane->calendarRows()[rowOf(chores)].checkable, c.choresCheckable);
        EXPECT_EQ(pane->calendarRows()[rowOf(errands)].checkable, c.errandsCheckable);
        EXPECT_EQ(pane->areGroupsEnabled(), c.groupsEnabled);
        EXPECT_EQ(groupRow(home).enabled, c.homeEnabled);
        EXPECT_EQ(groupRow(home).checked, c.homeChecked);
        EXPECT_EQ(groupRow(work).enabled, c.workEnabled);
    }
    // A group of another calendar says which one.
    pane->setCalendarStoreSyncEnabled(true);
    pane->setSelectedCalendarRow(rowOf(errands));
    EXPECT_EQ(groupRow(home).toolTip, QStringLiteral("Syncs with the calendar \"Chores\""));
    // Sections and folders have no check box; Archive and Tags are not offered.
    EXPECT_FALSE(groupRow(library->foldersGroup()).hasCheckbox);
    EXPECT_EQ(groupRow(library->archiveGroup()).group, nullptr);
    EXPECT_EQ(groupRow(library->tagsGroup()).group, nullptr);
}

// Each group comes right after its parent's earlier groups, one level below its parent, so the tree
// built from the rows nests as the library does.
TEST_F(CalendarPaneTest, TheGroupRowsFollowTheLibrarysNesting) {
    TDGroup* onHold = library->createFolder(QStringLiteral("On Hold"), library->foldersGroup());
    TDGroup* someday = library->createList(QStringLiteral("Someday"), onHold);
    TDGroup* errandsList = library->createList(QStringLiteral("Errands"), library->foldersGroup());
    const QList<TDGroup*> watched{library->foldersGroup(), home, onHold, someday, errandsList};
    QList<std::pair<TDGroup*, int>> shown;
    for (const auto& row : pane->groupRows())
        if (watched.contains(row.group)) shown << std::pair{row.group, row.depth};
    const QList<std::pair<TDGroup*, int>> expected{
        {library->foldersGroup(), 0}, {home, 1}, {onHold, 1}, {someday, 2}, {errandsList, 1}};
    EXPECT_EQ(shown, expected);
}

TEST_F(CalendarPaneTest, MappingAGroupTurnsItsCalendarOnAndTheNextPassFillsIt) {
    TDList* work = library->createList(QStringLiteral("Work"), library->foldersGroup());
    addTask(work, QStringLiteral("Call the plumber"));
    pane->setSelectedCalendarRow(rowOf(errands));

    pane->toggleGroupSync(work);

    EXPECT_TRUE(pane->calendarRows()[rowOf(errands)].checked);
    EXPECT_TRUE(groupRow(work).checked);
    const QVariantMap mapping =
        manager->optionForKey(QStringLiteral("groupToCalendarStoreCalendarMapping")).toMap();
    EXPECT_EQ(mapping.value(work->uid()).toString(), errands.uid());
    runPass();
    EXPECT_TRUE(calendarTasksByTitle(errands.uid()).contains(QStringLiteral("Call the plumber")));

    // Unmapping its last group turns the calendar off again.
    pane->toggleGroupSync(work);
    EXPECT_FALSE(pane->calendarRows()[rowOf(errands)].checked);
}

// Over two calendar folders: the folder is changed only while sync is off; the change is stored and
// forgets the old folder's sync dates, and the next pass fills the new folder and deletes nothing in the
// library or the old folder.
TEST_F(CalendarPaneTest, TheCalendarFolderChangesOnlyWhileSyncIsOffAndTheNextPassFillsTheNewOne) {
    addTask(home, QStringLiteral("Buy milk"));
    runPass();
    const QString oldFolder = store->rootPath();
    const QStringList oldFiles = modificationTimes(chores.uid()).keys();
    ASSERT_EQ(oldFiles.size(), 1);
    ASSERT_FALSE(TDCalendarStoreSyncSettings::calendarSyncDates().isEmpty());
    const QString newFolder = QDir(tempPath()).filePath(QStringLiteral("moved calendars"));
    ASSERT_TRUE(QDir().mkpath(newFolder + QLatin1Char('/') + chores.uid()));

    struct Case {
        const char* situation;
        bool syncOn;
        bool changes;
    };
    for (const Case& c : {Case{"sync on", true, false}, Case{"sync off", false, true}}) {
        SCOPED_TRACE(c.situation);
        pane->setCalendarStoreSyncEnabled(c.syncOn);
        EXPECT_EQ(pane->canChangeCalendarFolder(), c.changes);
        EXPECT_EQ(pane->setCalendarFolder(newFolder).ok(), c.changes);
        EXPECT_EQ(pane->calendarFolder(), c.changes ? newFolder : oldFolder);
        EXPECT_EQ(platform::UserDefaults::standard().string(QStringLiteral("calendarStoreRootPath")),
                  c.changes ? newFolder : QString());
    }
    EXPECT_TRUE(TDCalendarStoreSyncSettings::calendarSyncDates().isEmpty());

    pane->setCalendarStoreSyncEnabled(true);
    runPass();
    EXPECT_TRUE(calendarTasksByTitle(chores.uid()).contains(QStringLiteral("Buy milk")));
    EXPECT_EQ(tasksTitled(QStringLiteral("Buy milk")).size(), 1);
    for (const QString& file : oldFiles) EXPECT_TRUE(QFile::exists(file)) << file.toStdString();
}

TEST_F(CalendarPaneTest, ADraggedCalendarKeepsItsPlaceInTheStoredOrder) {
    const QStringList before = {pane->calendarRows()[0].calendar.uid(),
                                pane->calendarRows()[1].calendar.uid()};
    ASSERT_TRUE(pane->moveCalendar(1, 0));
    EXPECT_EQ(manager->optionForKey(QStringLiteral("orderedCalendarUIDs")).toStringList(),
              QStringList({before[1], before[0]}));
    EXPECT_FALSE(pane->moveCalendar(0, 5));
    TDCalendarSyncPreferencesController again(*manager, nullptr, host);
    EXPECT_EQ(again.calendarRows()[0].calendar.uid(), before[1]);
}

TEST_F(CalendarPaneTest, ChangingTheModeUnmapsTheSelectedCalendarsGroups) {
    pane->setSelectedCalendarRow(rowOf(chores));
    ASSERT_EQ(pane->mode(), TDCalendarSyncPreferencesController::ListsMode);
    pane->switchMode(TDCalendarSyncPreferencesController::TagsMode);
    EXPECT_FALSE(library->calendarStoreSyncSettings().calendarSyncingWithGroup(home).has_value());
    EXPECT_FALSE(pane->calendarRows()[rowOf(chores)].checked);
}

TEST_F(CalendarPaneTest, SwitchingOffAsksFirstAndCancelKeepsSyncOn) {
    host.answers = {1};
    pane->toggleCalendarStoreSync();
    EXPECT_EQ(host.sheets.first().messageText, QStringLiteral("Disable syncing with calendars?"));
    EXPECT_TRUE(pane->calendarStoreSyncEnabled());
    host.answers = {0};
    pane->toggleCalendarStoreSync();
    EXPECT_FALSE(pane->calendarStoreSyncEnabled());
}

TEST_F(CalendarPaneTest, SwitchingOnWritesTheBackupPackageOffTheMainThreadWithoutEarlierBackups) {
    pane->setCalendarStoreSyncEnabled(false);
    ASSERT_TRUE(QDir().mkpath(store->rootPath() + QStringLiteral("/Calendars Backup 2020-01-01.icbu")));
    host.folder = QDir(tempPath()).filePath(QStringLiteral("Backups/Calendars"));
    host.answers = {0};

    pane->toggleCalendarStoreSync();
    EXPECT_TRUE(pane->isBackingUp());
    EXPECT_FALSE(pane->calendarStoreSyncEnabled());
    ASSERT_TRUE(testsupport::spinUntil([this] { return !pane->isBackingUp(); }));
    testsupport::drainEvents();

    const QStringList packages = QDir(*host.folder).entryList({QStringLiteral("*.icbu")}, QDir::Dirs);
    ASSERT_EQ(packages.size(), 1);
    const QDir package(QDir(*host.folder).filePath(packages.first()));
    EXPECT_TRUE(package.exists(QStringLiteral("Info.plist")));
    EXPECT_TRUE(
        QDir(package.filePath(QStringLiteral("Calendars"))).exists(QFileInfo(calendarPath()).fileName()));
    EXPECT_TRUE(QDir(package.filePath(QStringLiteral("Calendars")))
                    .entryList({QStringLiteral("*.icbu")}, QDir::Dirs)
                    .isEmpty());
    EXPECT_TRUE(pane->calendarStoreSyncEnabled());
}

TEST_F(CalendarPaneTest, AFailedBackupLeavesSyncOffAndSaysWhy) {
    pane->setCalendarStoreSyncEnabled(false);
    QFile blocker(QDir(tempPath()).filePath(QStringLiteral("not a folder")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    host.folder = blocker.fileName();
    host.answers = {0};

    pane->toggleCalendarStoreSync();
    ASSERT_TRUE(testsupport::spinUntil([this] { return !pane->isBackingUp(); }));
    testsupport::drainEvents();

    ASSERT_EQ(host.sheets.size(), 2);
    EXPECT_EQ(host.sheets.last().messageText, QStringLiteral("Calendar backup failed"));
    EXPECT_FALSE(pane->calendarStoreSyncEnabled());
}

}  // namespace
}  // namespace synctest
