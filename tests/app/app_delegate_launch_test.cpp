#include "foundation/data_additions.h"
#include "model/library.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/plist/property_list.h"
#include "store/library_backup_check.h"
#include "store/library_files_aside.h"
#include "store/library_manager.h"
#include "store/library_opening_errors.h"
#include "store/library_update_progress.h"
#include "tests/app/app_delegate_fixture.h"
#include "tests/store/migration_fixture.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTimeZone>
#include <QUrl>

namespace apptest {
namespace {

const QString kChooseQuestion = QStringLiteral("Choose Ordello Library");

void overwrite(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

TEST_F(AppDelegateTest, WithoutAStoredLibraryTheUserCreatesOneWhichTheNextLaunchOpens) {
    const QString path = packagePath(QStringLiteral("Mine"));
    prompter.answers = {1};  // Create Library...
    chooser.created = {path};
    ASSERT_EQ(launch(), std::nullopt);

    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().messageText, kChooseQuestion);
    EXPECT_EQ(prompter.shown.first().buttons,
              (QStringList{QStringLiteral("Choose Library..."), QStringLiteral("Create Library..."),
                           QStringLiteral("Quit")}));
    ASSERT_TRUE(manager->library());
    EXPECT_EQ(manager->libraryPath(), path);
    EXPECT_EQ(defaults().string(QStringLiteral("libraryURL")), QUrl::fromLocalFile(path).toString());
    EXPECT_TRUE(windows.calls.contains(QStringLiteral("clear")));
    EXPECT_TRUE(windows.calls.contains(QStringLiteral("menus")));
    EXPECT_EQ(windows.calls.last(), QStringLiteral("expand")) << "a new library shows all its groups";
    const QString uid = manager->library()->uid();

    ASSERT_TRUE(manager->close().ok());
    prompter.shown.clear();
    windows.calls.clear();
    ASSERT_EQ(launch(), std::nullopt);
    EXPECT_TRUE(prompter.shown.isEmpty());
    ASSERT_TRUE(manager->library());
    EXPECT_EQ(manager->library()->uid(), uid);
    EXPECT_FALSE(windows.calls.contains(QStringLiteral("expand")));
}

TEST_F(AppDelegateTest, QuitInTheQuestionEndsAtOnceAndCancelledPanelsAskAgain) {
    prompter.answers = {1, 0, 2};  // Create (cancelled), Choose (cancelled), Quit
    EXPECT_EQ(launch(), 0);
    EXPECT_EQ(alertMessages(), QStringList(3, kChooseQuestion));
    EXPECT_FALSE(manager->library());
    EXPECT_FALSE(windows.calls.contains(QStringLiteral("show")));
}

TEST_F(AppDelegateTest, AltOrTheOptionAsksEvenWhenTheStoredLibraryIsUsable) {
    const QString stored = packagePath(QStringLiteral("Stored"));
    const QString other = packagePath(QStringLiteral("Other"));
    createLibraryAt(other);
    createLibraryAt(stored);
    storeLocation(stored);
    struct Case {
        const char* name;
        bool altHeld;
        bool chooseLibrary;
        QString opened;
    };
    const Case cases[] = {{"nothing held", false, false, stored},
                          {"Alt held", true, false, other},
                          {"--choose-library", false, true, other}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.answers = {0};  // Choose Library...
        chooser.existing = {other};
        TDLaunchOptions options;
        options.chooseLibrary = c.chooseLibrary;
        options.isAltKeyHeld = [&c] { return c.altHeld; };
        ASSERT_EQ(launch(options), std::nullopt);
        EXPECT_EQ(prompter.shown.size(), c.opened == other ? 1 : 0);
        EXPECT_EQ(manager->libraryPath(), c.opened);
        ASSERT_TRUE(manager->close().ok());
        prompter.shown.clear();
        storeLocation(stored);
    }
}

TEST_F(AppDelegateTest, AMissingFolderOrAPackageWithoutStoreLeadsToTheQuestionAndIsLeftAlone) {
    const QString missing = packagePath(QStringLiteral("Gone"));
    const QString empty = packagePath(QStringLiteral("Hollow"));
    ASSERT_TRUE(QDir().mkpath(empty));
    overwrite(QDir(empty).filePath(QStringLiteral("notes.txt")), "mine");
    const QString created = packagePath(QStringLiteral("Fresh"));

    storeLocation(missing);
    prompter.answers = {1, 1};
    // The first choice names the package without a store: it must not be built over.
    chooser.created = {empty, created};
    ASSERT_EQ(launch(), std::nullopt);
    EXPECT_EQ(alertMessages(), QStringList(2, kChooseQuestion));
    EXPECT_EQ(manager->libraryPath(), created);
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_EQ(QDir(empty).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("notes.txt")});
}

TEST_F(AppDelegateTest, OnFirstLaunchAPackageWithoutStoreAtTheDefaultPlaceIsNotCreatedOver) {
    defaults().setValue(QStringLiteral("firstLaunch"), true);
    const QString hollow = TDLibraryManager::defaultLibraryPath();
    ASSERT_TRUE(QDir().mkpath(QDir(hollow).filePath(QStringLiteral("Backup"))));
    prompter.answers = {2};
    EXPECT_EQ(launch(), 0);
    EXPECT_EQ(alertMessages(), QStringList{kChooseQuestion});
    EXPECT_FALSE(QFileInfo::exists(QDir(hollow).filePath(QStringLiteral("library.sqlite3"))));
}

TEST_F(AppDelegateTest, AFolderLeftByAnInterruptedFirstStartIsMadeIntoALibraryAndNothingElseIs) {
    struct Case {
        const char* name;
        QStringList files;
        QStringList folders;
        bool created;
    };
    const QList<Case> cases{
        {"the lock and an unfinished build",
         {QStringLiteral("library.lock")},
         {QStringLiteral(".new-library-a1b2c3")},
         true},
        {"only the lock", {QStringLiteral("library.lock")}, {}, true},
        {"two unfinished builds",
         {},
         {QStringLiteral(".new-library-x"), QStringLiteral(".new-library-y")},
         true},
        {"a file of the person's beside them",
         {QStringLiteral("library.lock"), QStringLiteral("notes.txt")},
         {QStringLiteral(".new-library-a1b2c3")},
         false},
        {"an Info.plist without store",
         {QStringLiteral("library.lock"), QStringLiteral("Info.plist")},
         {},
         false},
        {"a folder of another name", {QStringLiteral("library.lock")}, {QStringLiteral("Backup")}, false},
    };
    for (const Case& leftover : cases) {
        SCOPED_TRACE(leftover.name);
        const QString path = packagePath(QString::fromLatin1(leftover.name));
        for (const QString& folder : leftover.folders)
            ASSERT_TRUE(QDir().mkpath(QDir(path).filePath(folder + QStringLiteral("/sub"))));
        ASSERT_TRUE(QDir().mkpath(path));
        for (const QString& file : leftover.files) overwrite(QDir(path).filePath(file), "left");
        storeLocation(path);
        prompter.shown.clear();
        prompter.answers = {2};  // Quit, when asked
        const std::optional<int> ended = launch();
        if (leftover.created) {
            EXPECT_EQ(ended, std::nullopt);
            EXPECT_TRUE(prompter.shown.isEmpty());
            ASSERT_TRUE(manager->library());
            EXPECT_EQ(manager->libraryPath(), path);
            const QStringList hidden = QDir(path).entryList({QStringLiteral(".new-library-*")},
                                                            QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
            EXPECT_TRUE(hidden.isEmpty()) << hidden.join(u' ').toStdString();
            ASSERT_TRUE(manager->close().ok());
        } else {
            EXPECT_EQ(ended, 0);
            EXPECT_EQ(alertMessages(), QStringList{kChooseQuestion});
            EXPECT_FALSE(QFileInfo::exists(QDir(path).filePath(QStringLiteral("library.sqlite3"))));
            for (const QString& folder : leftover.folders)
                EXPECT_TRUE(QFileInfo::exists(QDir(path).filePath(folder + QStringLiteral("/sub"))));
        }
    }
}

TEST_F(AppDelegateTest, ALibraryOfANewerVersionAsksOnceAndQuits) {
    const QString path = packagePath(QStringLiteral("Newer"));
    createLibraryAt(path);
    storeLocation(path);
    const QString infoPath = QDir(path).filePath(QStringLiteral("Info.plist"));
    auto info = platform::readPropertyListFile(infoPath);
    ASSERT_TRUE(info.ok());
    QVariantMap newer = info->toMap();
    newer.insert(QStringLiteral("TDLibraryVersion"), 99.0);
    ASSERT_TRUE(platform::writePropertyListFile(infoPath, newer).ok());

    struct Case {
        const char* name;
        int answer;
        QStringList messages;
    };
    const Case cases[] = {
        {"Quit", 1, {QStringLiteral("Cannot open library")}},
        {"Upgrade Ordello",
         0,
         {QStringLiteral("Cannot open library"), QStringLiteral("A newer Ordello is needed")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.shown.clear();
        windows.calls.clear();
        prompter.answers = {c.answer, 0};
        EXPECT_EQ(launch(), 0);
        EXPECT_EQ(alertMessages(), c.messages);
        EXPECT_EQ(prompter.shown.first().buttons,
                  (QStringList{QStringLiteral("Upgrade Ordello"), QStringLiteral("Quit")}));
        EXPECT_FALSE(manager->library());
        EXPECT_FALSE(windows.calls.contains(QStringLiteral("show")));
        EXPECT_EQ(delegate->isUpgradingAfterLibraryLoadError(), c.answer == 0);
    }
}

TEST_F(AppDelegateTest, ACorruptLibraryShowsErrorOneHundredTwoAndQuits) {
    const QString path = packagePath(QStringLiteral("Corrupt"));
    ASSERT_TRUE(QDir().mkpath(path));
    overwrite(QDir(path).filePath(QStringLiteral("library.sqlite3")), "not a library");
    storeLocation(path);
    EXPECT_EQ(launch(), 0);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().messageText, QStringLiteral("Cannot open library"));
    EXPECT_TRUE(prompter.shown.first().informativeText.startsWith(
        QStringLiteral("The library you're trying to open is corrupted or invalid.")));
    EXPECT_EQ(prompter.shown.first().buttons, QStringList{QStringLiteral("Quit")}) << "no backup to offer";
    EXPECT_FALSE(manager->library());
}

class AppDelegateMigrationTest : public AppDelegateTest {
protected:
    void SetUp() override {
        AppDelegateTest::SetUp();
        storetest::ensureArchiveTransformers();
        path = packagePath(QStringLiteral("Old"));
        storetest::writeOldPackage(path, QStringLiteral("Library 0.907"), 0.907);
        storeLocation(path);
    }
    QString path;
};

TEST_F(AppDelegateMigrationTest, AnOlderLibraryIsUpgradedAfterAskingWithItsProgressShown) {
    makeDelegate();
    QList<bool> shown;
    QObject::connect(&delegate->updateProgress(), &TDLibraryUpdateProgress::shownChanged,
                     &delegate->updateProgress(), [&shown](bool s) { shown << s; });
    ASSERT_EQ(delegate->applicationDidFinishLaunching({}), std::nullopt);
    ASSERT_EQ(alertMessages(), QStringList{QStringLiteral("Upgrade library?")});
    EXPECT_EQ(prompter.shown.first().buttons,
              (QStringList{QStringLiteral("Upgrade Library"), QStringLiteral("Quit")}));
    ASSERT_TRUE(manager->library());
    EXPECT_EQ(shown, (QList<bool>{true, false})) << "shown while migrating, closed once loaded";
    EXPECT_EQ(delegate->updateProgress().totalMigrations(), 4);
    EXPECT_EQ(delegate->updateProgress().migrationCount(), 5);
}

TEST_F(AppDelegateMigrationTest, QuitInTheUpgradeQuestionEndsWithTheLibraryUntouched) {
    const auto before = storetest::folderContents(path);
    prompter.answers = {1};
    EXPECT_EQ(launch(), 0);
    EXPECT_EQ(alertMessages(), QStringList{QStringLiteral("Upgrade library?")});
    EXPECT_FALSE(manager->library());
    auto after = storetest::folderContents(path);
    after.remove(QStringLiteral("library.lock"));  // held while it was looked at
    EXPECT_EQ(after, before);
}

TEST_F(AppDelegateMigrationTest, AFailedUpgradeIsToldAndEndsWithStatusOne) {
    QDir(path).removeRecursively();
    storetest::OldLibraryContents broken;
    broken.withRootGroupNumber = false;
    storetest::writeOldPackage(path, QStringLiteral("Library 0.907"), 0.907, broken);
    prompter.answers = {0, 0};
    EXPECT_EQ(launch(), 1);
    EXPECT_EQ(alertMessages().first(), QStringLiteral("Upgrade library?"));
    EXPECT_TRUE(alertMessages().contains(QStringLiteral("Could not upgrade the library")));
    EXPECT_FALSE(delegate->updateProgress().isShown());
}

// A library whose store is damaged or lost saves: the newest backup is offered, and restoring it
// opens the library as the backup held it.
class AppDelegateRestoreTest : public AppDelegateTest, public ::testing::WithParamInterface<bool> {};

TEST_P(AppDelegateRestoreTest, TheNewestBackupIsOfferedAndRestoringItOpensTheLibrary) {
    const bool lostSaves = GetParam();
    const QString path = packagePath(QStringLiteral("Backed"));
    const QString uid = backedUpLibraryAt(path);
    ASSERT_FALSE(uid.isEmpty());
    ASSERT_FALSE(TDNewestLibraryBackupPath(path).isEmpty());
    if (lostSaves) {
        const QString infoPath = QDir(path).filePath(QStringLiteral("Info.plist"));
        QVariantMap info = platform::readPropertyListFile(infoPath)->toMap();
        info.insert(QStringLiteral("TDSaveCount"),
                    info.value(QStringLiteral("TDSaveCount")).toLongLong() + 5);
        ASSERT_TRUE(platform::writePropertyListFile(infoPath, info).ok());
    } else {
        overwrite(QDir(path).filePath(QStringLiteral("library.sqlite3")), QByteArray(4096, 'x'));
    }

    prompter.answers = {1, 0};  // Restore Backup, then OK to "Finished restoring library"
    ASSERT_EQ(launch(), std::nullopt);
    ASSERT_GE(prompter.shown.size(), 2);
    EXPECT_EQ(prompter.shown.first().buttons,
              (QStringList{QStringLiteral("Quit"), QStringLiteral("Restore Backup")}));
    EXPECT_EQ(prompter.shown[1].messageText, QStringLiteral("Finished restoring library"));
    ASSERT_TRUE(manager->library());
    EXPECT_EQ(manager->library()->uid(), uid);
    EXPECT_FALSE(delegate->isRestoringLibrary());
}

// Backups cut short, as a kill or a full disk leaves them, are passed over for the newest that reads
// back; with none left the alert says so and offers only what remains.
TEST_F(AppDelegateTest, TheRestoreOfferPassesOverBackupsThatDoNotReadBack) {
    struct Case {
        const char* name;
        QList<int> goodDays;  // days of January 2020 whose backups read back; a cut one is always newest
    };
    for (const Case& c : {Case{"older good ones", {1, 2, 3, 4}}, Case{"none good", {}}}) {
        SCOPED_TRACE(c.name);
        const QString path = packagePath(QString::fromLatin1(c.name));
        const QString uid = backedUpLibraryAt(path);
        ASSERT_FALSE(uid.isEmpty());
        const QString made = TDNewestLibraryBackupPath(path);
        ASSERT_FALSE(made.isEmpty());
        QFile madeFile(made);
        ASSERT_TRUE(madeFile.open(QIODevice::ReadOnly));
        const QByteArray whole = madeFile.readAll();
        madeFile.close();
        // "backup-" and a 21-character stamp, then the extensions.
        const QString extensions = QFileInfo(made).fileName().mid(7 + 21);
        const QDir backups = QFileInfo(made).dir();
        for (const QString& name : backups.entryList({QStringLiteral("backup-*")}, QDir::Files))
            ASSERT_TRUE(QFile::remove(backups.filePath(name)));
        auto backupNamed = [&](const QString& stamp) {
            return backups.filePath(QStringLiteral("backup-") + stamp + extensions);
        };
        for (int day : c.goodDays)
            overwrite(backupNamed(QStringLiteral("2020-01-%1-120000.000").arg(day, 2, 10, QLatin1Char('0'))),
                      whole);
        overwrite(backupNamed(QStringLiteral("2020-01-05-120000.000")), whole.left(whole.size() / 2));
        overwrite(QDir(path).filePath(QStringLiteral("library.sqlite3")), QByteArray(4096, 'x'));

        prompter.shown.clear();
        // Restore Backup, then OK to "Finished restoring library"; Quit when nothing can be restored.
        prompter.answers = c.goodDays.isEmpty() ? QList<int>{0} : QList<int>{1, 0};
        const auto ended = launch();
        ASSERT_FALSE(prompter.shown.isEmpty());
        const TDAlert& offer = prompter.shown.first();
        if (c.goodDays.isEmpty()) {
            EXPECT_EQ(ended, 0);
            EXPECT_EQ(offer.buttons, QStringList{QStringLiteral("Quit")});
            EXPECT_TRUE(
                offer.informativeText.contains(QStringLiteral("No backup of it reads back whole (1 tried)")))
                << offer.informativeText.toStdString();
            EXPECT_FALSE(manager->library());
            continue;
        }
        EXPECT_EQ(offer.buttons, (QStringList{QStringLiteral("Quit"), QStringLiteral("Restore Backup")}));
        const QString newestGood = QFileInfo(backupNamed(QStringLiteral("2020-01-04-120000.000"))).fileName();
        EXPECT_TRUE(offer.informativeText.contains(newestGood)) << offer.informativeText.toStdString();
        const QDateTime restores(QDate(2020, 1, 4), QTime(12, 0), QTimeZone::utc());
        EXPECT_TRUE(
            offer.informativeText.contains(QLocale().toString(restores.toLocalTime(), QLocale::LongFormat)))
            << offer.informativeText.toStdString();
        ASSERT_EQ(ended, std::nullopt);
        ASSERT_GE(prompter.shown.size(), 2);
        EXPECT_EQ(prompter.shown[1].messageText, QStringLiteral("Finished restoring library"));
        ASSERT_TRUE(manager->library());
        EXPECT_EQ(manager->library()->uid(), uid);
        ASSERT_TRUE(manager->close().ok());
    }
}

// A store behind its save count with no backup: what it holds is reachable, and once opened as it is
// the count follows it, so the next start asks nothing.
TEST_F(AppDelegateTest, AStoreThatLostSavesWithoutABackupOpensAsItIsAndThenWithoutAsking) {
    const QString path = packagePath(QStringLiteral("Behind"));
    createLibraryAt(path);
    storeLocation(path);
    ASSERT_EQ(launch(), std::nullopt);
    const QString uid = manager->library()->uid();
    ASSERT_TRUE(manager->close().ok());
    ASSERT_TRUE(QDir(QDir(path).filePath(QStringLiteral("Backup"))).removeRecursively());
    const QString infoPath = QDir(path).filePath(QStringLiteral("Info.plist"));
    QVariantMap info = platform::readPropertyListFile(infoPath)->toMap();
    const qint64 held = info.value(QStringLiteral("TDSaveCount")).toLongLong();
    info.insert(QStringLiteral("TDSaveCount"), held + 22);
    ASSERT_TRUE(platform::writePropertyListFile(infoPath, info).ok());

    prompter.shown.clear();
    prompter.answers = {1};  // Open as it is
    ASSERT_EQ(launch(), std::nullopt);
    ASSERT_EQ(prompter.shown.size(), 1);
    const TDAlert& offer = prompter.shown.first();
    EXPECT_EQ(offer.buttons, (QStringList{QStringLiteral("Quit"), QStringLiteral("Open as it is")}));
    EXPECT_TRUE(offer.informativeText.contains(QStringLiteral("22 of the %1 saves").arg(held + 22)))
        << offer.informativeText.toStdString();
    ASSERT_TRUE(manager->library());
    EXPECT_EQ(manager->library()->uid(), uid);
    EXPECT_EQ(QDir(path).entryList({QStringLiteral("library-*.sqlite3")}).size(), 1) << "kept aside";
    EXPECT_EQ(
        platform::readPropertyListFile(infoPath)->toMap().value(QStringLiteral("TDSaveCount")).toLongLong(),
        held);
    ASSERT_TRUE(manager->close().ok());

    prompter.shown.clear();
    ASSERT_EQ(launch(), std::nullopt);
    EXPECT_TRUE(prompter.shown.isEmpty()) << prompter.shown.first().informativeText.toStdString();
    ASSERT_TRUE(manager->library());
    EXPECT_EQ(manager->library()->uid(), uid);
}

TEST_F(AppDelegateTest, AFailedRestoreIsPresentedOnceAndTheBackupIsNotOfferedAgain) {
    const QString path = packagePath(QStringLiteral("Backed"));
    ASSERT_FALSE(backedUpLibraryAt(path).isEmpty());
    const QString backup = TDNewestLibraryBackupPath(path);
    ASSERT_FALSE(backup.isEmpty());
    // A whole property list, so the backup reads back and is offered, that holds no library, so its
    // restore fails.
    const QByteArray notALibrary(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict/>\n</plist>\n");
    overwrite(backup,
              backup.endsWith(QLatin1String(".gz")) ? gzipCompressedData(notALibrary).value() : notALibrary);
    ASSERT_TRUE(TDBackupFileReadsBack(backup));
    overwrite(QDir(path).filePath(QStringLiteral("library.sqlite3")), QByteArray(4096, 'x'));

    // Restore Backup, OK to the failure, then whatever comes next: its first answer.
    prompter.answers = {1, 0, 0};
    EXPECT_EQ(launch(), 0);
    const QStringList buttons = [this] {
        QStringList all;
        for (const TDAlert& alert : prompter.shown) all += alert.buttons;
        return all;
    }();
    EXPECT_EQ(buttons.count(QStringLiteral("Restore Backup")), 1) << alertMessages().join(u'|').toStdString();
    EXPECT_EQ(prompter.shown.size(), 3) << alertMessages().join(u'|').toStdString();
    EXPECT_EQ(prompter.shown.last().buttons, QStringList{QStringLiteral("Quit")});
    EXPECT_FALSE(manager->library());
    EXPECT_FALSE(delegate->isRestoringLibrary());
}

// A quit while the launch asks dismisses the question: its answer is not acted on and nothing is written.
TEST_F(AppDelegateTest, AQuitWhileALaunchQuestionIsUpEndsTheLaunchWithoutActingOnIt) {
    const QString damaged = packagePath(QStringLiteral("Damaged"));
    ASSERT_FALSE(backedUpLibraryAt(damaged).isEmpty());
    overwrite(QDir(damaged).filePath(QStringLiteral("library.sqlite3")), QByteArray(4096, 'x'));
    const QString elsewhere = packagePath(QStringLiteral("Elsewhere"));

    struct Case {
        const char* name;
        bool choose;  // the library question, else the damaged store's restore offer
        int answer;   // what the dismissed alert returns
    };
    const Case cases[] = {{"choose question, Choose", true, 0},
                          {"choose question, Create", true, 1},
                          {"restore offer, Restore Backup", false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompter.shown.clear();
        prompter.answers = {c.answer};
        prompter.whileShown = [this](const TDAlert&) { delegate->quitWhileLaunching(); };
        chooser.existing = {elsewhere};
        chooser.created = {elsewhere};
        TDLaunchOptions options;
        options.chooseLibrary = c.choose;
        EXPECT_EQ(launch(options), 0);
        EXPECT_EQ(prompter.shown.size(), 1) << "a restore would end with an alert of its own";
        EXPECT_EQ(chooser.existing.size() + chooser.created.size(), 2) << "no panel after the quit";
        EXPECT_FALSE(manager->library());
        EXPECT_FALSE(QFileInfo::exists(elsewhere));
    }
}

INSTANTIATE_TEST_SUITE_P(DamagedOrLostSaves, AppDelegateRestoreTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "LostSaves" : "Damaged"; });

}  // namespace
}  // namespace apptest
