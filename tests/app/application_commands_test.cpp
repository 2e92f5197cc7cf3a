// The application menu's commands that need no window: their enabling, the backup command and the help
// and web pages they open.
#include "app/application_menu_validation.h"
#include "app/help_pages.h"
#include "app/library_backup_now.h"
#include "app/web_pages.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "tests/app/app_delegate_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace apptest {
namespace {

using Command = TDApplicationCommand;

struct ValidationCase {
    const char* name;
    Command command;
    TDApplicationMenuState state;
    bool enabled;
};

TDApplicationMenuState keyWindow() {
    TDApplicationMenuState state;
    state.mainWindowKey = true;
    state.mainWindowVisible = true;
    return state;
}

TDApplicationMenuState with(TDApplicationMenuState state, bool TDApplicationMenuState::*flag, bool value) {
    state.*flag = value;
    return state;
}

TDApplicationMenuState behindAnotherWindow() {
    return with(keyWindow(), &TDApplicationMenuState::mainWindowKey, false);
}

TDApplicationMenuState syncReady() {
    return with(keyWindow(), &TDApplicationMenuState::syncEnabled, true);
}

class MenuValidationTest : public testing::TestWithParam<ValidationCase> {};

TEST_P(MenuValidationTest, EnabledByState) {
    const ValidationCase& c = GetParam();
    EXPECT_EQ(TDIsApplicationCommandEnabled(c.command, c.state), c.enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MenuValidationTest,
    testing::Values(
        ValidationCase{"PrintAShownList", Command::Print,
                       with(keyWindow(), &TDApplicationMenuState::tasksShown, true), true},
        ValidationCase{"PrintAnEmptyList", Command::Print, keyWindow(), false},
        ValidationCase{"PrintBehindAnotherWindow", Command::Print,
                       with(behindAnotherWindow(), &TDApplicationMenuState::tasksShown, true), false},
        ValidationCase{"FixLibraryBringsTheHiddenWindowUp", Command::FixLibrary, TDApplicationMenuState{},
                       true},
        ValidationCase{"FixLibraryBehindAnotherWindow", Command::FixLibrary, behindAnotherWindow(), false},
        ValidationCase{"GotoFromTheKeyWindow", Command::GotoGroup, keyWindow(), true},
        ValidationCase{"BackupWithASheet", Command::BackupLibrary,
                       with(keyWindow(), &TDApplicationMenuState::sheetInFront, true), false},
        ValidationCase{"RestoreWhileRestoring", Command::RestoreLibrary,
                       with(keyWindow(), &TDApplicationMenuState::restoringLibrary, true), false},
        ValidationCase{"BackupBehindAnotherWindow", Command::BackupLibrary, behindAnotherWindow(), true},
        ValidationCase{"SyncReady", Command::Sync, syncReady(), true},
        ValidationCase{"SyncSwitchedOff", Command::Sync, keyWindow(), false},
        ValidationCase{"SyncWhileSyncing", Command::Sync,
                       with(syncReady(), &TDApplicationMenuState::syncing, true), false},
        ValidationCase{"SyncWithASheet", Command::Sync,
                       with(syncReady(), &TDApplicationMenuState::sheetInFront, true), false},
        ValidationCase{"HelpWithASheet", Command::Help,
                       with(keyWindow(), &TDApplicationMenuState::sheetInFront, true), true},
        ValidationCase{"DebugBehindAnotherWindow", Command::Debug, behindAnotherWindow(), true},
        ValidationCase{"DebugWithASheet", Command::Debug,
                       with(keyWindow(), &TDApplicationMenuState::sheetInFront, true), true},
        ValidationCase{"DebugWhileRestoring", Command::Debug,
                       with(keyWindow(), &TDApplicationMenuState::restoringLibrary, true), true},
        // The Debug menu's XML import replaces the library as a restore does.
        ValidationCase{"ImportXMLBehindAnotherWindow", Command::ImportXML, behindAnotherWindow(), true},
        ValidationCase{"ImportXMLWithASheet", Command::ImportXML,
                       with(keyWindow(), &TDApplicationMenuState::sheetInFront, true), false},
        ValidationCase{"ImportXMLWhileRestoring", Command::ImportXML,
                       with(keyWindow(), &TDApplicationMenuState::restoringLibrary, true), false},
        // Nothing at all while the program upgrades after a library failed to load.
        ValidationCase{"NothingWhileUpgrading", Command::Help,
                       with(keyWindow(), &TDApplicationMenuState::upgradingAfterLibraryLoadError, true),
                       false},
        ValidationCase{"NoDebugWhileUpgrading", Command::Debug,
                       with(keyWindow(), &TDApplicationMenuState::upgradingAfterLibraryLoadError, true),
                       false},
        ValidationCase{"NoSyncWhileUpgrading", Command::Sync,
                       with(syncReady(), &TDApplicationMenuState::upgradingAfterLibraryLoadError, true),
                       false}),
    [](const testing::TestParamInfo<ValidationCase>& info) { return std::string(info.param.name); });

TEST(BackupNowTest, ProposesTodaysName) {
    EXPECT_EQ(TDBackupNowFileName(QDate(2026, 3, 7)), QStringLiteral("Ordello 2026-03-07.odlbackup"));
    EXPECT_EQ(TDBackupNowFileName(QDate(2027, 12, 31)), QStringLiteral("Ordello 2027-12-31.odlbackup"));
}

// A launched delegate with a library open.
class BackupRestoreTest : public AppDelegateTest {
protected:
    void SetUp() override {
        AppDelegateTest::SetUp();
        const QString path = packagePath(QStringLiteral("Open"));
        createLibraryAt(path);
        storeLocation(path);
        ASSERT_EQ(launch(), std::nullopt);
        ASSERT_TRUE(manager->library());
    }

    // Every task and group in its dictionary form, by uid.
    QVariantMap dictionaryForms() const {
        QVariantMap forms;
        TDLibrary* library = manager->library();
        for (TDTask* task : library->allTasks())
            if (!task->isDeleted()) forms.insert(task->uid(), task->propertyListRepresentation());
        for (TDGroup* group : library->allGroups())
            if (!group->isDeleted()) forms.insert(group->uid(), group->propertyListRepresentation());
        return forms;
    }

    // A backup keeps dates to the second.
    static bool sameValue(const QVariant& a, const QVariant& b) {
        if (a.typeId() == QMetaType::QDateTime && b.typeId() == QMetaType::QDateTime)
            return a.toDateTime().toSecsSinceEpoch() == b.toDateTime().toSecsSinceEpoch();
        return a == b;
    }

    // "uid key: before -> after" for every value that differs, objects missing on either side included.
    static QStringList differencesBetween(const QVariantMap& before, const QVariantMap& after) {
        QStringList differences;
        QStringList uids = before.keys() + after.keys();
        uids.removeDuplicates();
        for (const QString& uid : uids) {
            const QVariantMap was = before.value(uid).toMap();
            const QVariantMap is = after.value(uid).toMap();
            QStringList keys = was.keys() + is.keys();
            keys.removeDuplicates();
            for (const QString& key : keys)
                if (!sameValue(was.value(key), is.value(key)))
                    differences << QStringLiteral("%1 %2: %3 -> %4")
                                       .arg(uid, key, was.value(key).toString(), is.value(key).toString());
        }
        return differences;
    }
};

TEST_F(BackupRestoreTest, BackupNowThenRestoreGivesAnEqualLibrary) {
    TDLibrary* library = manager->library();
    TDGroup* list = library->createList(QStringLiteral("Errands"), library->foldersGroup());
    for (const QString& title : {QStringLiteral("Buy stamps"), QStringLiteral("Call the plumber")}) {
        TDTask* task = library->createOrphanTask();
        task->setTitle(title);
        ASSERT_TRUE(list->orderedTasks()->addObject(task).ok());
    }
    ASSERT_TRUE(manager->saveLibrary());
    // An edit that is only in memory when the command runs: the backup holds it too.
    TDTask* pending = library->createOrphanTask();
    pending->setTitle(QStringLiteral("Edited just before the backup"));
    ASSERT_TRUE(library->inboxGroup()->orderedTasks()->addObject(pending).ok());
    const QVariantMap before = dictionaryForms();

    const QString backup = QDir(tempPath()).filePath(TDBackupNowFileName(QDate(2026, 3, 7)));
    QObject receiver;
    std::optional<bool> written;
    ASSERT_TRUE(TDBackupLibraryNow(*manager, backup, &receiver, [&](bool ok) { written = ok; }));
    ASSERT_TRUE(testsupport::spinUntil([&] { return written.has_value(); }));
    EXPECT_TRUE(*written);
    ASSERT_TRUE(QFileInfo(backup).isFile());

    // Changes after the backup are what the restore takes away.
    pending->setTitle(QStringLiteral("Changed after the backup"));
    ASSERT_TRUE(manager->saveLibrary());
    prompter.answers = {0, 0};
    ASSERT_TRUE(delegate->restoreFromBackupAtPath(backup));
    ASSERT_TRUE(testsupport::spinUntil([&] { return !delegate->isRestoringLibrary(); }));
    ASSERT_TRUE(manager->library());
    const QStringList differences = differencesBetween(before, dictionaryForms());
    EXPECT_TRUE(differences.isEmpty()) << differences.join(QLatin1Char('\n')).toStdString();
}

TEST_F(BackupRestoreTest, ABackupThatCannotBeWrittenSaysSo) {
    const QString backup = QDir(tempPath()).filePath(QStringLiteral("missing folder/backup.odlbackup"));
    QObject receiver;
    std::optional<bool> written;
    ASSERT_TRUE(TDBackupLibraryNow(*manager, backup, &receiver, [&](bool ok) { written = ok; }));
    ASSERT_TRUE(testsupport::spinUntil([&] { return written.has_value(); }));
    EXPECT_FALSE(*written);
}

TEST(HelpPagesTest, OpensTheInstalledPageAtAKnownAnchor) {
    const QTemporaryDir root;
    const QString executables = QDir(root.path()).filePath(QStringLiteral("bin"));
    EXPECT_FALSE(TDHelpURL(executables, QStringLiteral("repeating_tasks")).isValid()) << "not installed";
    QDir().mkpath(TDHelpFolder(executables));
    QFile page(QDir(TDHelpFolder(executables)).filePath(QStringLiteral("index.html")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<h2 id=\"repeating_tasks\">Repeating tasks</h2>");
    page.close();
    const QUrl url = TDHelpURL(executables, QStringLiteral("repeating_tasks"));
    EXPECT_EQ(url.toLocalFile(), QFileInfo(page).absoluteFilePath());
    EXPECT_EQ(url.fragment(), QStringLiteral("repeating_tasks"));
    // An anchor the pages lack opens the start of the help.
    EXPECT_TRUE(TDHelpURL(executables, QStringLiteral("no_such_anchor")).fragment().isEmpty());
    EXPECT_TRUE(TDHelpURL(executables, QStringLiteral("\"><script>")).fragment().isEmpty());
}

TEST(HelpPagesTest, TheProgramsOwnPagesHaveTheAnchorsItOpens) {
    const QString executables = QStringLiteral(ORDELLO_TEST_OUTPUT_DIR) + QStringLiteral("/../../app");
    for (const char* anchor :
         {"repeating_tasks", "prefs_general", "prefs_shortcuts", "prefs_online_sync", "prefs_ical_sync"})
        EXPECT_EQ(TDHelpURL(executables, QString::fromLatin1(anchor)).fragment(),
                  QString::fromLatin1(anchor));
}

class WebPagesTest : public testsupport::TempFoldersTest {};

TEST_F(WebPagesTest, AddressesAreSettingsWithPlaceholders) {
    const QUrl notes = TDWebPageURL(defaults(), TDWebPage::ReleaseNotes, QStringLiteral("1.0.0"));
    EXPECT_EQ(notes.host(), QStringLiteral("ordello.example.org"));
    EXPECT_TRUE(notes.path().endsWith(QStringLiteral("/1.0.0")));
    defaults().setValue(TDWebPageSettingKey(TDWebPage::UserForum),
                        QStringLiteral("https://forum.example.net/"));
    EXPECT_EQ(TDWebPageURL(defaults(), TDWebPage::UserForum, {}),
              QUrl(QStringLiteral("https://forum.example.net/")));
    // A setting never opens anything but a web page.
    defaults().setValue(TDWebPageSettingKey(TDWebPage::Website), QStringLiteral("file:///etc/passwd"));
    EXPECT_FALSE(TDWebPageURL(defaults(), TDWebPage::Website, {}).isValid());
}

}  // namespace
}  // namespace apptest
