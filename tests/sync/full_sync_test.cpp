#include "tests/sync/sync_operation_fixture.h"

#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/keychain/memory_keychain.h"
#include "platform/plist/property_list.h"
#include "store/library_manager.h"
#include "store/library_package_swap.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_full_sync_operation.h"
#include "tests/support/fault_random.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

namespace synctest {
namespace {

using Fault = LoopbackSyncServer::Fault;

class FullSyncTest : public SyncOperationTest {
protected:
    void SetUp() override {
        SyncOperationTest::SetUp();
        platform::Keychain::setStandard(&keychain);
        a = &addSide(QStringLiteral("A"));
        b = &addSide(QStringLiteral("B"));
    }

    void TearDown() override {
        SyncOperationTest::TearDown();
        platform::Keychain::setStandard(nullptr);
    }

    TDTask* addTask(SyncSide& side, const QString& title) {
        TDTask* task = side.library->createTask();
        task->setTitle(title);
        return task;
    }

    std::shared_ptr<TDCorvaneFullSyncOperation> makeFullSync(
        SyncSide& side, TDCorvaneSyncType type, const QString& password = QStringLiteral("se:cret wörd")) {
        auto operation = std::make_shared<TDCorvaneFullSyncOperation>(side.manager->libraryPath(), type);
        operation->setLibraryManager(side.manager.get());
        operation->setUsername(QStringLiteral("carol"));
        operation->setPassword(password);
        operation->setConnectionOptions(connectionOptions());
        operation->setNodeID(QStringLiteral("node-%1").arg(side.node));
        return operation;
    }

    // Runs the full sync on this thread, then opens the side's package again as the application does.
    Status fullSync(SyncSide& side, TDCorvaneSyncType type) {
        side.manager->saveLibrary();
        const auto operation = makeFullSync(side, type);
        operation->start();
        if (!side.manager->library()) {
            const Result<TDLibrary*> loaded = side.manager->loadLibrary();
            EXPECT_TRUE(loaded.ok()) << (loaded.ok() ? ""
                                                     : loaded.error().detailedDescription().toStdString());
            side.library = loaded.ok() ? *loaded : nullptr;
        }
        if (operation->error()) return *operation->error();
        return {};
    }

    static QStringList titles(TDLibrary* library) {
        QStringList result;
        for (TDTask* task : library->inboxGroup()->tasks()) result.append(task->title());
        result.sort();
        return result;
    }

    QStringList leftoversBeside(const SyncSide& side) const {
        const QFileInfo package(side.manager->libraryPath());
        QStringList names = package.absoluteDir().entryList(
            {QStringLiteral("*.odllibrary*")}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.removeAll(QStringLiteral("A.odllibrary"));
        names.removeAll(QStringLiteral("B.odllibrary"));
        return names;
    }

    platform::MemoryKeychain keychain;
    SyncSide* a = nullptr;
    SyncSide* b = nullptr;
};

TEST_F(FullSyncTest, AFullGetRebuildsTheLibraryFromTheServerKeepingTheSyncOptions) {
    addTask(*a, QStringLiteral("From A"));
    ASSERT_TRUE(syncOverNetwork(*a).ok());
    addTask(*b, QStringLiteral("Only on B"));
    b->manager->setOption(QStringLiteral("kept"), QStringLiteral("corvaneSomething"));
    b->manager->setOption(QStringLiteral("dropped"), QStringLiteral("otherOption"));

    const Status synced = fullSync(*b, TDCorvaneSyncType::FullGet);
    ASSERT_TRUE(synced.ok()) << synced.error().detailedDescription().toStdString();

    ASSERT_NE(b->library, nullptr);
    EXPECT_TRUE(titles(b->library).contains(QStringLiteral("From A")));
    EXPECT_FALSE(titles(b->library).contains(QStringLiteral("Only on B")));
    EXPECT_EQ(b->manager->optionForKey(QStringLiteral("corvaneSomething")).toString(),
              QStringLiteral("kept"));
    EXPECT_FALSE(b->manager->optionForKey(QStringLiteral("otherOption")).isValid());
    EXPECT_TRUE(leftoversBeside(*b).isEmpty()) << leftoversBeside(*b).join(QLatin1Char(',')).toStdString();
    // The library syncs on from there: what B adds now reaches A.
    addTask(*b, QStringLiteral("After the full get"));
    ASSERT_TRUE(syncOverNetwork(*b).ok());
    ASSERT_TRUE(syncOverNetwork(*a).ok());
    EXPECT_TRUE(titles(a->library).contains(QStringLiteral("After the full get")));
}

// Tasks and notes of every kind, by UID.
QStringList taskAndNotesUIDs(TDLibrary* library) {
    QStringList uids;
    for (const QString& entityName : {QStringLiteral("Task"), QStringLiteral("TaskNotes")}) {
        const auto fetched = TDManagedObjectContext::of(library)->execute(platform::FetchRequest(entityName));
        EXPECT_TRUE(fetched.ok());
        if (fetched.ok())
            for (const platform::ManagedObject* object : *fetched)
                uids.append(object->primitiveValue(QStringLiteral("uid")).toString());
    }
    uids.sort();
    return uids;
}

TEST_F(FullSyncTest, AFullGetLeavesNoStarterTaskOrNotesThatLiveOnOneMachineOnly) {
    // A has let go of the starter tasks a new library comes with; the server never had them since.
    for (TDTask* task : a->library->inboxGroup()->tasks()) task->deleteObject();
    ASSERT_TRUE(a->manager->saveLibrary());
    addTask(*a, QStringLiteral("From A"));
    ASSERT_TRUE(syncOverNetwork(*a).ok());
    ASSERT_EQ(a->library->taskWithUID(TDLibrary::StarterTaskUID), nullptr);

    const Status synced = fullSync(*b, TDCorvaneSyncType::FullGet);
    ASSERT_TRUE(synced.ok()) << synced.error().detailedDescription().toStdString();
    EXPECT_EQ(b->library->taskWithUID(TDLibrary::StarterTaskUID), nullptr);
    EXPECT_EQ(taskAndNotesUIDs(b->library), taskAndNotesUIDs(a->library));
}

TEST_F(FullSyncTest, AFullMergeKeepsBothSidesTasks) {
    addTask(*a, QStringLiteral("From A"));
    ASSERT_TRUE(syncOverNetwork(*a).ok());
    addTask(*b, QStringLiteral("Only on B"));

    const Status synced = fullSync(*b, TDCorvaneSyncType::FullMerge);
    ASSERT_TRUE(synced.ok()) << synced.error().detailedDescription().toStdString();

    EXPECT_TRUE(titles(b->library).contains(QStringLiteral("From A")));
    EXPECT_TRUE(titles(b->library).contains(QStringLiteral("Only on B")));
    EXPECT_TRUE(leftoversBeside(*b).isEmpty());
    ASSERT_TRUE(syncOverNetwork(*a).ok());
    EXPECT_TRUE(titles(a->library).contains(QStringLiteral("Only on B")));
}

TEST_F(FullSyncTest, AWrongPasswordFailsWithTheAuthenticationErrorBeforeTheLibraryCloses) {
    addTask(*b, QStringLiteral("Unsaved on B"));
    TDLibrary* open = b->library;
    const auto operation = makeFullSync(*b, TDCorvaneSyncType::FullGet, QStringLiteral("wrong"));
    operation->start();
    ASSERT_TRUE(operation->error().has_value());
    EXPECT_EQ(operation->error()->code, corvaneAuthenticationError().code);
    EXPECT_EQ(b->manager->library(), open);
    EXPECT_TRUE(titles(open).contains(QStringLiteral("Unsaved on B")));
}

TEST_F(FullSyncTest, AFailedInnerSyncLeavesTheOldPackageInPlaceAndNothingBeside) {
    addTask(*b, QStringLiteral("Kept on B"));
    for (const TDCorvaneSyncType type : {TDCorvaneSyncType::FullGet, TDCorvaneSyncType::FullMerge}) {
        server->injectFault(QStringLiteral("/sync/library/"), Fault::answer(503), 100);
        const Status synced = fullSync(*b, type);
        EXPECT_FALSE(synced.ok());
        ASSERT_NE(b->library, nullptr);
        EXPECT_TRUE(titles(b->library).contains(QStringLiteral("Kept on B"))) << int(type);
        EXPECT_TRUE(leftoversBeside(*b).isEmpty())
            << leftoversBeside(*b).join(QLatin1Char(',')).toStdString();
        server->clearFaults();
    }
}

TEST_F(FullSyncTest, AFullSyncKilledAtAnyPointLeavesTheOldOrTheNewLibrary) {
    addTask(*a, QStringLiteral("From A"));
    ASSERT_TRUE(syncOverNetwork(*a).ok());
    addTask(*b, QStringLiteral("Only on B"));
    const QString package = b->manager->libraryPath();
    ASSERT_TRUE(b->manager->close().ok());

    testsupport::FaultRandom random;
    for (int run = 0; run < 10; ++run) {
        const TDCorvaneSyncType type = run % 2 ? TDCorvaneSyncType::FullGet : TDCorvaneSyncType::FullMerge;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            alarm(30);  // a child stuck on a lock another thread held at the fork ends anyway
            TDLibraryManager manager(package);
            if (!manager.loadLibrary().ok()) _exit(2);
            auto operation = std::make_shared<TDCorvaneFullSyncOperation>(package, type);
            operation->setLibraryManager(&manager);
            operation->setUsername(QStringLiteral("carol"));
            operation->setPassword(QStringLiteral("se:cret wörd"));
            operation->setConnectionOptions(connectionOptions());
            operation->setNodeID(QStringLiteral("node-%1").arg(b->node));
            operation->start();
            _exit(operation->error() ? 3 : 0);
        }
        usleep(static_cast<useconds_t>(random.bounded(1000, 300000)));
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);

        TDRecoverFromInterruptedRestore(package);
        TDLibraryManager manager(package);
        const Result<TDLibrary*> opened = manager.loadLibrary();
        ASSERT_TRUE(opened.ok()) << "run " << run << ": "
                                 << opened.error().detailedDescription().toStdString();
        const QStringList held = titles(*opened);
        EXPECT_TRUE(held.contains(QStringLiteral("From A")) || held.contains(QStringLiteral("Only on B")))
            << "run " << run << ": " << held.join(QLatin1Char(',')).toStdString();
        EXPECT_TRUE(leftoversBeside(*b).isEmpty())
            << "run " << run << ": " << leftoversBeside(*b).join(QLatin1Char(',')).toStdString();
        manager.closeDiscardingChanges();
    }
}

}  // namespace
}  // namespace synctest
