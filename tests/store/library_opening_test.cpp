#include "tests/store/library_manager_fixture.h"

#include "model/library.h"
#include "model/managed_object_context.h"
#include "platform/notifications/notification_center.h"
#include "platform/plist/property_list.h"
#include "store/library_version.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>

#include <unistd.h>

namespace storetest {
namespace {

// Every file of the package with a hash of its content, so a refused library can be shown untouched.
QMap<QString, QByteArray> packageSnapshot(const QString& package) {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(package).entryList(QDir::Files | QDir::Hidden)) {
        QFile file(QDir(package).filePath(name));
        if (file.open(QIODevice::ReadOnly))
            files.insert(name, QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256));
    }
    return files;
}

void writeInfoVersion(const QString& package, const QVariant& version) {
    QVariantMap info{{QStringLiteral("TDApplicationVersion"), QStringLiteral("9.9")}};
    if (version.isValid()) info.insert(QStringLiteral("TDLibraryVersion"), version);
    ASSERT_TRUE(
        platform::writePropertyListFile(QDir(package).filePath(QStringLiteral("Info.plist")), info).ok());
}

platform::ManagedObject* insertList(TDLibraryManager& manager, const QString& title) {
    platform::ManagedObject* list = manager.managedObjectContext()->insertObject(QStringLiteral("List"));
    list->setValue(QStringLiteral("title"), title);
    return list;
}

// The lists every new library starts with.
bool isStarterList(const platform::ManagedObject* list) {
    static const QStringList starter{QStringLiteral("Inbox"), QStringLiteral("Learn Ordello"),
                                     QStringLiteral("Someday")};
    return starter.contains(list->value(QStringLiteral("title")).toString());
}

QStringList listTitles(TDLibraryManager& manager) {
    QStringList titles;
    const auto lists =
        manager.managedObjectContext()->execute(platform::FetchRequest(QStringLiteral("List")));
    for (platform::ManagedObject* list : *lists)
        if (!isStarterList(list)) titles << list->value(QStringLiteral("title")).toString();
    titles.sort();
    return titles;
}

TEST(LibraryVersionTest, ComparesAtFiveDecimals) {
    EXPECT_EQ(compareLibraryVersions(1.0, 1.000001), 0);
    EXPECT_EQ(compareLibraryVersions(1.0, 1.00001), -1);
    EXPECT_EQ(compareLibraryVersions(1.00001, 1.0), 1);
    EXPECT_TRUE(libraryVersionIsNewer(0.903, 0.91));
    EXPECT_FALSE(libraryVersionIsNewer(0.91, 0.903));
    EXPECT_EQ(scaledLibraryVersion(0.000005), 1);  // half away from zero
}

using LibraryOpeningTest = LibraryManagerTest;

TEST_F(LibraryOpeningTest, CreateOpenAndReopenKeepTheSameLibrary) {
    QObject observer;
    int loaded = 0;
    platform::NotificationCenter::defaultCenter().addObserver(
        &observer, TDLibraryDidFinishLoadingNotificationName, nullptr,
        [&loaded](const platform::Notification& n) { loaded += n.sender != nullptr; });

    TDLibrary* library = createLibrary();
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(loaded, 1);
    EXPECT_FALSE(manager->managedObjectContext()->isCreatingLibrary());
    EXPECT_FALSE(manager->managedObjectContext()->hasChanges());
    EXPECT_TRUE(QFile::exists(packagePath() + QStringLiteral("/library.sqlite3")));
    const auto info = platform::readPropertyListFile(packagePath() + QStringLiteral("/Info.plist"));
    ASSERT_TRUE(info.ok());
    EXPECT_DOUBLE_EQ(info->toMap().value(QStringLiteral("TDLibraryVersion")).toDouble(), 1.0);
    EXPECT_TRUE(info->toMap().contains(QStringLiteral("TDApplicationVersion")));
    EXPECT_TRUE(info->toMap().contains(QStringLiteral("TDApplicationShortVersion")));
    EXPECT_TRUE(info->toMap().contains(QStringLiteral("TDSavedDate")));
    const QString uid = library->uid();
    EXPECT_FALSE(uid.isEmpty());
    // Creating over an existing library is refused.
    EXPECT_FALSE(TDLibraryManager(packagePath()).createLibrary().ok());

    insertList(*manager, QStringLiteral("Errands"));
    ASSERT_TRUE(manager->close().ok());
    EXPECT_EQ(manager->library(), nullptr);

    for (int pass = 0; pass < 2; ++pass) {
        auto opened = newManager().loadLibrary();
        ASSERT_TRUE(opened.ok()) << opened.error().detailedDescription().toStdString();
        EXPECT_EQ((*opened)->uid(), uid);
        EXPECT_DOUBLE_EQ(manager->openedLibraryVersion(), 1.0);
        EXPECT_EQ(listTitles(*manager), QStringList{QStringLiteral("Errands")});
        EXPECT_FALSE(manager->managedObjectContext()->hasChanges());
        EXPECT_TRUE(manager->undoManager()->isUndoRegistrationEnabled());
        ASSERT_TRUE(manager->close().ok());
    }
    EXPECT_EQ(loaded, 3);
    EXPECT_TRUE(delegate.errors.isEmpty());
}

TEST_F(LibraryOpeningTest, OpeningRemovesTheObsoleteClassificationFile) {
    createLibrary();
    ASSERT_TRUE(manager->close().ok());
    QFile obsolete(packagePath() + QStringLiteral("/task_classification.plist"));
    ASSERT_TRUE(obsolete.open(QIODevice::WriteOnly));
    obsolete.close();
    ASSERT_TRUE(newManager().loadLibrary().ok());
    EXPECT_FALSE(obsolete.exists());
}

struct VersionCase {
    const char* name;
    QVariant version;  // invalid: no Info.plist
    int expectedCode;  // 0: opens
};

class LibraryVersionOpeningTest : public LibraryManagerTest,
                                  public ::testing::WithParamInterface<VersionCase> {};

TEST_P(LibraryVersionOpeningTest, OpensOrRefusesLeavingTheLibraryUntouched) {
    createLibrary();
    ASSERT_TRUE(manager->close().ok());
    manager.reset();
    QFile::remove(packagePath() + QStringLiteral("/Info.plist"));
    if (GetParam().version.isValid()) writeInfoVersion(packagePath(), GetParam().version);
    const auto before = packageSnapshot(packagePath());

    const auto opened = newManager().loadLibrary();
    if (GetParam().expectedCode == 0) {
        EXPECT_TRUE(opened.ok());
        return;
    }
    ASSERT_FALSE(opened.ok());
    EXPECT_TRUE(opened.error().isInDomain(GetParam().expectedCode));
    // An older library goes to the migration, whose error says why it failed (this store is no 0.903 store).
    if (GetParam().expectedCode != TDErrorMigrationFailed) {
        EXPECT_EQ(opened.error().description, QStringLiteral("Cannot open library"));
    }
    EXPECT_EQ(manager->managedObjectContext(), nullptr);
    EXPECT_EQ(packageSnapshot(packagePath()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, LibraryVersionOpeningTest,
    ::testing::Values(VersionCase{"NoInfo", QVariant(), 0}, VersionCase{"Current", 1.0, 0},
                      VersionCase{"RoundsToCurrent", 1.000001, 0},
                      VersionCase{"Newer", 1.00001, TDErrorLibraryNewerVersion},
                      VersionCase{"MuchNewer", 2.5, TDErrorLibraryNewerVersion},
                      VersionCase{"Older", 0.903, TDErrorMigrationFailed},
                      VersionCase{"VersionMissing", QStringLiteral("none"), TDErrorMigrationFailed}),
    [](const ::testing::TestParamInfo<VersionCase>& info) { return std::string(info.param.name); });

TEST_F(LibraryOpeningTest, NewerLibraryOffersUpgradeAndQuitThroughTheDelegate) {
    createLibrary();
    ASSERT_TRUE(manager->close().ok());
    writeInfoVersion(packagePath(), 3.0);
    const auto opened = newManager().loadLibrary();
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.error().recoveryOptions,
              (QStringList{QStringLiteral("Upgrade Ordello"), QStringLiteral("Quit")}));
    EXPECT_TRUE(opened.error().recoverySuggestion.contains(QStringLiteral("newer version of Ordello")));

    ScriptedAlertPrompter quit({1});
    EXPECT_FALSE(presentError(opened.error(), quit));
    ASSERT_EQ(quit.shown.size(), 1);
    EXPECT_EQ(quit.shown.first().messageText, QStringLiteral("Cannot open library"));
    EXPECT_EQ(delegate.recoveries, (QList<QPair<int, int>>{{TDErrorLibraryNewerVersion, 1}}));
}

TEST_F(LibraryOpeningTest, MissingCorruptOrEmptyStoresGiveError102) {
    // Missing.
    auto opened = newManager().loadLibrary();
    ASSERT_FALSE(opened.ok());
    EXPECT_TRUE(opened.error().isInDomain(TDErrorLibraryCannotOpen));
    EXPECT_TRUE(opened.error().recoverySuggestion.contains(QStringLiteral("corrupted or invalid")));
    EXPECT_EQ(opened.error().recoveryOptions, QStringList{QStringLiteral("Quit")});

    // Not a store: refused and left as it was, beside a copy of it and the lock file.
    ASSERT_TRUE(QDir().mkpath(packagePath()));
    QFile garbage(packagePath() + QStringLiteral("/library.sqlite3"));
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();
    const auto before = packageSnapshot(packagePath());
    opened = newManager().loadLibrary();
    ASSERT_FALSE(opened.ok());
    EXPECT_TRUE(opened.error().isInDomain(TDErrorLibraryCannotOpen));
    EXPECT_TRUE(opened.error().recoverySuggestion.contains(QStringLiteral("corrupted or invalid")));
    auto after = packageSnapshot(packagePath());
    const QStringList kept = opened.error().userInfo.value(QStringLiteral("TDKeptAsideFiles")).toStringList();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(after.take(QFileInfo(kept.first()).fileName()),
              before.value(QStringLiteral("library.sqlite3")));
    after.remove(QStringLiteral("library.lock"));
    EXPECT_EQ(after, before);

    // A store without its library object.
    ASSERT_TRUE(QFile::remove(garbage.fileName()));
    {
        TDLibraryManager maker(packagePath());
        ASSERT_TRUE(maker.createLibrary().ok());
        maker.managedObjectContext()->deleteObject(maker.library());
        ASSERT_TRUE(maker.close().ok());
    }
    opened = newManager().loadLibrary();
    ASSERT_FALSE(opened.ok());
    EXPECT_TRUE(opened.error().isInDomain(TDErrorLibraryCannotOpen));

    // A store with two library objects.
    ASSERT_TRUE(QDir(packagePath()).removeRecursively());
    {
        TDLibraryManager maker(packagePath());
        ASSERT_TRUE(maker.createLibrary().ok());
        maker.managedObjectContext()->insertObject(QStringLiteral("Library"));
        ASSERT_TRUE(maker.close().ok());
    }
    opened = newManager().loadLibrary();
    ASSERT_FALSE(opened.ok());
    EXPECT_TRUE(opened.error().recoverySuggestion.contains(QStringLiteral("corrupted or invalid")));
}

TEST_F(LibraryOpeningTest, AnUnreadableInfoFileDefersToTheStoreAndIsWrittenAgain) {
    createLibrary();
    ASSERT_TRUE(manager->close().ok());
    QFile info(packagePath() + QStringLiteral("/Info.plist"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write("<plist><dict><key>TDLibraryVersion");
    info.close();
    ASSERT_TRUE(newManager().loadLibrary().ok());
    manager->managedObjectContext()->insertObject(QStringLiteral("List"));
    ASSERT_TRUE(manager->saveLibrary());
    const auto rewritten = platform::readPropertyListFile(info.fileName());
    ASSERT_TRUE(rewritten.ok());
    EXPECT_DOUBLE_EQ(rewritten->toMap().value(QStringLiteral("TDLibraryVersion")).toDouble(), 1.0);
}

TEST_F(LibraryOpeningTest, UnreadableStoreGivesThePermissionError) {
    if (geteuid() == 0) GTEST_SKIP() << "file permissions do not bind the super-user";
    createLibrary();
    ASSERT_TRUE(manager->close().ok());
    const QString store = packagePath() + QStringLiteral("/library.sqlite3");
    ASSERT_TRUE(QFile::setPermissions(store, QFileDevice::ReadOwner));
    writeInfoVersion(packagePath(), 5.0);  // the permission check comes before the version check
    const auto opened = newManager().loadLibrary();
    QFile::setPermissions(store, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_FALSE(opened.ok());
    EXPECT_TRUE(opened.error().isInDomain(TDErrorLibraryCannotOpen));
    EXPECT_TRUE(opened.error().recoverySuggestion.contains(QStringLiteral("permission")));
}

TEST_F(LibraryOpeningTest, DateDependentRefreshRunsOncePerDay) {
    createLibrary();
    const QVariant first = manager->optionForKey(QStringLiteral("lastDateDependentDataChangedDate"));
    ASSERT_TRUE(first.toDateTime().isValid());
    clock->advanceSeconds(3600);
    manager->changeObjectsAfterDateChangeIfNecessary();
    EXPECT_EQ(manager->optionForKey(QStringLiteral("lastDateDependentDataChangedDate")), first);

    clock->advanceSeconds(24 * 3600);
    platform::NotificationCenter::defaultCenter().post(QStringLiteral("TDDateChangedNotification"));
    EXPECT_EQ(manager->optionForKey(QStringLiteral("lastDateDependentDataChangedDate")).toDateTime(),
              TDClock::currentDateTime());
}

// A library opened on a new day and closed unedited keeps that day's upkeep done.
TEST_F(LibraryOpeningTest, TheDaysUpkeepIsRememberedWithoutAnEdit) {
    createLibrary();
    ASSERT_TRUE(manager->close().ok());
    clock->advanceSeconds(24 * 3600);
    {
        TDLibraryManager& opened = newManager();
        ASSERT_TRUE(opened.loadLibrary().ok());
        ASSERT_TRUE(opened.close().ok());
    }
    TDLibraryManager& reopened = newManager();
    EXPECT_EQ(reopened.optionForKey(QStringLiteral("lastDateDependentDataChangedDate")).toDateTime(),
              TDClock::currentDateTime());
}

}  // namespace
}  // namespace storetest
