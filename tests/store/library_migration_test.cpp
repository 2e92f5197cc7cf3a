#include "store/library_migration.h"
#include "foundation/paths.h"
#include "model/library_model.h"
#include "model/uid.h"
#include "platform/objectstore/object_model.h"
#include "platform/plist/property_list.h"
#include "platform/transformers/value_transformer.h"
#include "store/migration_policies.h"
#include "tests/store/migration_fixture.h"
#include "tests/support/fault_random.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace storetest;
using platform::ManagedObject;

class LibraryMigrationTest : public MigrationPackageTest {
protected:
    QString storePath() const { return QDir(package).filePath(QStringLiteral("library.sqlite3")); }
    double infoVersion(const QString& path) const {
        auto info = platform::readPropertyListFile(QDir(path).filePath(QStringLiteral("Info.plist")));
        return info ? info->toMap().value(QStringLiteral("TDLibraryVersion")).toDouble() : -1;
    }
    QStringList previousLibraries() const {
        return QDir(previousLibrariesFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    }
    static QString previousLibrariesFolder() {
        return QDir(applicationSupportPath()).filePath(QStringLiteral("Previous Libraries"));
    }
    // The objects of a store of the given model, by entity.
    struct Store {
        std::unique_ptr<platform::PersistentStoreCoordinator> coordinator;
        std::unique_ptr<platform::ManagedObjectContext> context;
        QList<ManagedObject*> all(const QString& entity) const {
            auto objects = context->execute(platform::FetchRequest(entity));
            return objects ? *objects : QList<ManagedObject*>();
        }
        ManagedObject* titled(const QString& entity, const QString& title) const {
            for (ManagedObject* o : all(entity))
                if (o->value(QStringLiteral("title")).toString() == title) return o;
            return nullptr;
        }
    };
    static Store open(const QString& store, std::shared_ptr<const platform::ObjectModel> model) {
        Store s;
        s.coordinator = std::make_unique<platform::PersistentStoreCoordinator>(std::move(model));
        const Status opened = s.coordinator->openStore(store);
        EXPECT_TRUE(opened.ok()) << opened.error().description.toStdString();
        s.context = std::make_unique<platform::ManagedObjectContext>(s.coordinator.get());
        EXPECT_TRUE(s.context->loadAllObjects().ok());
        return s;
    }
};

TEST_F(LibraryMigrationTest, StepsRunByTheRoundedStoredVersion) {
    const struct {
        float stored;
        int steps;
        const char* first;
    } cases[] = {{0.0f, 8, "Library 0.903"},       {0.903f, 8, "Library 0.903"}, {0.904f, 7, "Library 0.904"},
                 {0.9049999f, 6, "Library 0.905"}, {0.909f, 2, "Library 0.909"}, {0.910f, 1, "Library 0.910"},
                 {0.911f, 1, "Library 0.910"},     {0.9999999f, 0, ""},          {1.0f, 0, ""}};
    for (const auto& c : cases) {
        const auto steps = TDLibraryMigrationStepsForVersion(c.stored);
        EXPECT_EQ(steps.size(), c.steps) << c.stored;
        if (!steps.isEmpty()) {
            EXPECT_EQ(steps.first().sourceModelName, QString::fromLatin1(c.first)) << c.stored;
            EXPECT_EQ(steps.last().destinationModelName, QStringLiteral("Library 1.000"));
        }
    }
    // Every model of the chain loads, and every step has its mapping.
    for (const TDLibraryMigrationStep& step : TDLibraryMigrationSteps()) {
        auto source = TDLibraryMigrationModel(step.sourceModelName);
        auto destination = TDLibraryMigrationModel(step.destinationModelName);
        ASSERT_TRUE(source.ok()) << source.error().description.toStdString();
        ASSERT_TRUE(destination.ok()) << destination.error().description.toStdString();
        EXPECT_TRUE(TDLibraryMappingModel(**source, **destination).ok());
    }
    auto first = TDLibraryMigrationModel(QStringLiteral("Library 0.903"));
    auto last = TDLibraryMigrationModel(QStringLiteral("Library 1.000"));
    const auto skipping = TDLibraryMappingModel(**first, **last);
    ASSERT_FALSE(skipping.ok());
    EXPECT_EQ(skipping.error().code, TDErrorMigrationFailed);
    // Without its classes the current model still reads the stores of the program's own model.
    EXPECT_EQ((*last)->versionHash(), (*TDLibraryObjectModel())->versionHash());
}

TEST_F(LibraryMigrationTest, TheWholeChainBringsAnOldLibraryToTheCurrentModel) {
    writeOldPackage(package, QStringLiteral("Library 0.903"), 0.903);
    const auto original = folderContents(package);
    ScriptedMigrationDelegate delegate;
    auto outcome = TDMigrateLibraryStoreIfNeeded(package, &delegate);
    ASSERT_TRUE(outcome.ok()) << outcome.error().description.toStdString();
    EXPECT_EQ(*outcome, TDLibraryMigrationOutcome::Migrated);

    // Asked once, told around each of the eight steps, then told it finished.
    ASSERT_EQ(delegate.calls.size(), 1 + 2 * 8 + 1);
    EXPECT_EQ(delegate.calls.first(), QStringLiteral("should 0.903 1 8"));
    EXPECT_EQ(delegate.calls[1], QStringLiteral("will Library 0.903 Library 0.904"));
    EXPECT_EQ(delegate.calls[16], QStringLiteral("did Library 0.910 Library 1.000"));
    EXPECT_EQ(delegate.calls.last(), QStringLiteral("finished"));
    ASSERT_EQ(delegate.progressPerStep.size(), 8);
    for (const QList<double>& progress : delegate.progressPerStep) {
        ASSERT_FALSE(progress.isEmpty());
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_EQ(progress.last(), 1.0);
    }

    EXPECT_DOUBLE_EQ(infoVersion(package), 1.0);
    auto metadata = platform::PersistentStoreCoordinator::metadataForStore(storePath());
    ASSERT_TRUE(metadata.ok());
    EXPECT_EQ(metadata->modelVersion, QStringLiteral("Library 1.000"));
    EXPECT_TRUE(QDir(package).entryList({QStringLiteral("Library Migration Temporary File*")}).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(QDir(package).filePath(QStringLiteral("options.plist"))));

    // The old package, unchanged, in "Previous Libraries".
    const QStringList previous = previousLibraries();
    ASSERT_EQ(previous.size(), 1);
    EXPECT_TRUE(previous.first().startsWith(QStringLiteral("Ordello Library ")));
    EXPECT_EQ(folderContents(QDir(previousLibrariesFolder()).filePath(previous.first())), original);

    const Store store = open(storePath(), *TDLibraryObjectModel());
    ASSERT_EQ(store.all(QStringLiteral("Library")).size(), 1);
    ManagedObject* library = store.all(QStringLiteral("Library")).first();
    EXPECT_EQ(library->value(QStringLiteral("uid")).toString(), QStringLiteral("0000000000000001"));
    EXPECT_EQ(library->value(QStringLiteral("rootGroupUID")).toString(), TDUIDStringFromNumber(100));
    EXPECT_NEAR(library->value(QStringLiteral("version")).toDouble(), 0.903, 1e-9);  // the data upgrade's job

    ManagedObject* inbox = store.titled(QStringLiteral("List"), QStringLiteral("Inbox"));
    ManagedObject* errands = store.titled(QStringLiteral("List"), QStringLiteral("Errands"));
    ManagedObject* milk = store.titled(QStringLiteral("Task"), QStringLiteral("Buy milk"));
    ManagedObject* bottle = store.titled(QStringLiteral("Task"), QStringLiteral("Return bottle"));
    ManagedObject* plants = store.titled(QStringLiteral("Task"), QStringLiteral("Water plants"));
    ManagedObject* flagged = store.titled(QStringLiteral("SmartFolder"), QStringLiteral("Flagged"));
    ManagedObject* today = store.titled(QStringLiteral("SmartFolder"), QStringLiteral("Today"));
    ASSERT_TRUE(inbox && errands && milk && bottle && plants && flagged && today);
    EXPECT_EQ(inbox->value(QStringLiteral("uid")).toString(), TDUIDStringFromNumber(102));

    EXPECT_EQ(milk->value(QStringLiteral("uid")).toString(), TDUIDStringFromNumber(0x10));
    EXPECT_EQ(milk->object(QStringLiteral("parentList")), errands);
    EXPECT_EQ(milk->object(QStringLiteral("topList")), errands);
    EXPECT_EQ(milk->value(QStringLiteral("status")).toString(), QStringLiteral("C"));
    EXPECT_EQ(milk->value(QStringLiteral("actualTime")).toDouble(), 0.0);
    EXPECT_EQ(milk->objectList(QStringLiteral("tags")).size(), 1);
    EXPECT_EQ(milk->objectList(QStringLiteral("smartFolders")), QList<ManagedObject*>{flagged});
    ManagedObject* notes = milk->object(QStringLiteral("notes"));
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->value(QStringLiteral("string")).toString(), QStringLiteral("Two litres"));
    EXPECT_EQ(milk->value(QStringLiteral("notesUID")).toString(),
              notes->value(QStringLiteral("uid")).toString());
    EXPECT_FALSE(notes->value(QStringLiteral("webArchiveData")).toByteArray().isEmpty());

    // A cancelled task is cancelled on its cancellation date, whatever its completion date said.
    EXPECT_EQ(bottle->value(QStringLiteral("status")).toString(), QStringLiteral("X"));
    EXPECT_EQ(bottle->value(QStringLiteral("completedDate")).toDateTime(),
              QDateTime(QDate(2008, 5, 3), QTime(12, 0), Qt::UTC));
    EXPECT_EQ(bottle->object(QStringLiteral("parentTask")), milk);

    EXPECT_TRUE(plants->value(QStringLiteral("archived")).toBool());
    EXPECT_TRUE(plants->object(QStringLiteral("notes"))->value(QStringLiteral("webArchiveData")).isNull());
    ManagedObject* recurrence = plants->object(QStringLiteral("recurrence"));
    ASSERT_NE(recurrence, nullptr);
    EXPECT_EQ(recurrence->value(QStringLiteral("uid")).toString(), TDUIDStringFromNumber(0x24));
    EXPECT_FALSE(recurrence->value(QStringLiteral("rule")).isNull());

    // The user's smart folder keeps its rule, now in an object of its own and on the renamed key path;
    // the special one has none.
    ManagedObject* rule = flagged->object(QStringLiteral("smartFolderRule"));
    ASSERT_NE(rule, nullptr);
    auto transformer = platform::valueTransformerForName(QStringLiteral("TDRuleArchiveValueTransformer"));
    EXPECT_EQ(ruleKeyPaths(transformer->transformedValue(rule->value(QStringLiteral("rule"))).toByteArray()),
              (QStringList{QStringLiteral("smartFolders"), QStringLiteral("title")}));
    EXPECT_EQ(today->object(QStringLiteral("smartFolderRule")), nullptr);
    EXPECT_EQ(store.all(QStringLiteral("Task")).size(), 3);
    EXPECT_EQ(store.all(QStringLiteral("Group")).size(), 11);
}

TEST_F(LibraryMigrationTest, AStoredVersionJustBelowAStepStartsAtTheRoundedOne) {
    writeOldPackage(package, QStringLiteral("Library 0.905"), 0.9049999);
    ScriptedMigrationDelegate delegate;
    ASSERT_TRUE(TDMigrateLibraryStoreIfNeeded(package, &delegate).ok());
    EXPECT_EQ(delegate.calls.first(), QStringLiteral("should 0.9049999 1 6"));
    EXPECT_EQ(delegate.calls[1], QStringLiteral("will Library 0.905 Library 0.906"));
    EXPECT_EQ(delegate.progressPerStep.size(), 6);
    const Store store = open(storePath(), *TDLibraryObjectModel());
    EXPECT_EQ(store.all(QStringLiteral("Task")).size(), 3);
    // A second migration on the same day numbers the old package.
    QDir(package).removeRecursively();
    writeOldPackage(package, QStringLiteral("Library 0.905"), 0.905);
    ASSERT_TRUE(TDMigrateLibraryStoreIfNeeded(package, nullptr).ok());
    const QStringList previous = previousLibraries();
    ASSERT_EQ(previous.size(), 2);
    EXPECT_EQ(previous.filter(QStringLiteral(" 1.odllibrary")).size(), 1)
        << previous.join(QLatin1Char(',')).toStdString();
}

TEST_F(LibraryMigrationTest, AFileInThePlaceOfPreviousLibrariesSendsTheOldPackageToTheTrash) {
    writeOldPackage(package, QStringLiteral("Library 0.908"), 0.908);
    QFile blocker(previousLibrariesFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ASSERT_EQ(*TDMigrateLibraryStoreIfNeeded(package, nullptr), TDLibraryMigrationOutcome::Migrated);
    EXPECT_FALSE(QFileInfo::exists(previousLibrariesFolder()));
    EXPECT_DOUBLE_EQ(infoVersion(package), 1.0);
    // Neither the old package nor a copy stays beside the library.
    EXPECT_EQ(QDir(tempPath()).entryList({QStringLiteral("Migrating Library*")}, QDir::AllEntries),
              QStringList());
}

TEST_F(LibraryMigrationTest, CurrentOrUnversionedLibrariesAreLeftAlone) {
    ScriptedMigrationDelegate delegate;
    EXPECT_EQ(*TDMigrateLibraryStoreIfNeeded(package, &delegate), TDLibraryMigrationOutcome::NotNeeded);
    writeOldPackage(package, QStringLiteral("Library 0.903"), 1.000001);
    EXPECT_EQ(*TDMigrateLibraryStoreIfNeeded(package, &delegate), TDLibraryMigrationOutcome::NotNeeded);
    QFile::remove(QDir(package).filePath(QStringLiteral("Info.plist")));
    EXPECT_EQ(*TDMigrateLibraryStoreIfNeeded(package, &delegate), TDLibraryMigrationOutcome::NotNeeded);
    EXPECT_TRUE(delegate.calls.isEmpty());
}

TEST_F(LibraryMigrationTest, ADeclinedOrFailedMigrationLeavesThePackageAsItWas) {
    struct Case {
        const char* name;
        const char* model;
        double version;
        OldLibraryContents contents;
        bool answer;
        const char* failingStep;
    };
    OldLibraryContents noInbox;
    noInbox.withInbox = false;
    OldLibraryContents noRoot;
    noRoot.withRootGroupNumber = false;
    const Case cases[] = {
        {"declined", "Library 0.903", 0.903, {}, false, nullptr},
        {"no Inbox for the top lists", "Library 0.905", 0.905, noInbox, true,
         "did Library 0.905 Library 0.906"},
        {"no root group number", "Library 0.907", 0.907, noRoot, true, "did Library 0.908 Library 0.909"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(package).removeRecursively();
        writeOldPackage(package, QString::fromLatin1(c.model), c.version, c.contents);
        const auto before = folderContents(package);
        ScriptedMigrationDelegate delegate;
        delegate.answer = c.answer;
        auto outcome = TDMigrateLibraryStoreIfNeeded(package, &delegate);
        if (!c.failingStep) {
            ASSERT_TRUE(outcome.ok());
            EXPECT_EQ(*outcome, TDLibraryMigrationOutcome::Declined);
            EXPECT_EQ(delegate.calls.size(), 1);
        } else {
            ASSERT_FALSE(outcome.ok());
            EXPECT_EQ(outcome.error().code, TDErrorMigrationFailed);
            EXPECT_EQ(delegate.calls.last(), QStringLiteral("failed"));
            EXPECT_EQ(delegate.calls[delegate.calls.size() - 2], QString::fromLatin1(c.failingStep));
        }
        EXPECT_EQ(folderContents(package), before);
        EXPECT_TRUE(previousLibraries().isEmpty());
        // No copy is left behind, and the old library still opens under its own model.
        EXPECT_TRUE(
            QDir(tempPath()).entryList({QStringLiteral("Migrating Library*")}, QDir::AllEntries).isEmpty());
        const Store store = open(storePath(), *TDLibraryMigrationModel(QString::fromLatin1(c.model)));
        EXPECT_EQ(store.all(QStringLiteral("Task")).size(), 3);
    }
}

TEST(RuleArchiveKeyPathTest, OnlyComparisonsOnTheKeyPathChangeAndOtherBytesStayAsTheyAre) {
    const QByteArray rule = ruleArchive(QStringLiteral("smartGroups"));
    const QByteArray changed =
        TDRuleArchiveChangingKeyPath(rule, QStringLiteral("smartGroups"), QStringLiteral("smartFolders"));
    EXPECT_EQ(ruleKeyPaths(changed), (QStringList{QStringLiteral("smartFolders"), QStringLiteral("title")}));
    const QByteArray untouched = ruleArchive(QStringLiteral("dueDate"));
    const QByteArray notARule = *platform::writePropertyList(QVariantMap{{QStringLiteral("root"), 3}});
    for (const QByteArray& bytes :
         {untouched, notARule, QByteArray("bplist00garbage"), rule.left(rule.size() / 2), QByteArray()})
        EXPECT_EQ(TDRuleArchiveChangingKeyPath(bytes, QStringLiteral("smartGroups"),
                                               QStringLiteral("smartFolders")),
                  bytes);
}

TEST_F(LibraryMigrationTest, TimeLogEntriesWithoutTheirTaskAreDropped) {
    writeOldPackage(package, QStringLiteral("Library 0.906"), 0.906);
    ASSERT_TRUE(TDMigrateLibraryStore(package, QStringLiteral("Library 0.906"),
                                      QStringLiteral("Library 0.907"), nullptr)
                    .ok());
    const Store store = open(storePath(), *TDLibraryMigrationModel(QStringLiteral("Library 0.907")));
    const QList<ManagedObject*> entries = store.all(QStringLiteral("TimeLogEntry"));
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries.first()->object(QStringLiteral("task")),
              store.titled(QStringLiteral("Task"), QStringLiteral("Buy milk")));
}

TEST_F(LibraryMigrationTest, ChangesStillInTheStoreJournalAreMigratedToo) {
    const QString original = QDir(tempPath()).filePath(QStringLiteral("original"));
    writeOldPackage(original, QStringLiteral("Library 0.908"), 0.908);
    {
        // The package is copied while a connection holds the last save in the journal only.
        auto model = TDLibraryMigrationModel(QStringLiteral("Library 0.908"));
        platform::PersistentStoreCoordinator coordinator(*model);
        ASSERT_TRUE(coordinator.openStore(QDir(original).filePath(QStringLiteral("library.sqlite3"))).ok());
        platform::ManagedObjectContext context(&coordinator);
        ASSERT_TRUE(context.loadAllObjects().ok());
        ManagedObject* late = context.insertObject(QStringLiteral("Task"));
        late->setValue(QStringLiteral("title"), QStringLiteral("Late task"));
        ASSERT_TRUE(context.save().ok());
        copyFolder(original, package);
    }
    ASSERT_TRUE(QFileInfo(storePath() + QStringLiteral("-wal")).size() > 0);
    ASSERT_TRUE(TDMigrateLibraryStoreIfNeeded(package, nullptr).ok());
    EXPECT_FALSE(QFileInfo::exists(storePath() + QStringLiteral("-wal")));
    const Store store = open(storePath(), *TDLibraryObjectModel());
    EXPECT_EQ(store.all(QStringLiteral("Task")).size(), 4);
    EXPECT_NE(store.titled(QStringLiteral("Task"), QStringLiteral("Late task")), nullptr);
    // The sync journal's items name their objects by UID string.
    const QList<ManagedObject*> items = store.all(QStringLiteral("SyncSetItem"));
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.first()->value(QStringLiteral("itemUID")).toString(), TDUIDStringFromNumber(0x10));
    EXPECT_EQ(items.first()->object(QStringLiteral("syncSet"))->value(QStringLiteral("uid")).toString(),
              TDUIDStringFromNumber(0x200));
}

// A child process migrates and is killed at a random moment; whatever moment it was, the package
// holds either the old library or the migrated one, whole, and a new attempt finishes the job.
TEST_F(LibraryMigrationTest, AMigrationKilledAtAnyMomentLeavesTheOldOrTheNewLibrary) {
    OldLibraryContents plain;
    plain.withRichNotes = false;  // no text layout in the forked child
    const QString pristine = QDir(tempPath()).filePath(QStringLiteral("pristine"));
    writeOldPackage(pristine, QStringLiteral("Library 0.903"), 0.903, plain);
    auto runChild = [this]() -> pid_t {
        const pid_t pid = ::fork();
        if (pid == 0) {
            auto outcome = TDMigrateLibraryStoreIfNeeded(package, nullptr);
            ::_exit(outcome.ok() ? 0 : 1);
        }
        return pid;
    };
    // How long an undisturbed migration takes, to spread the kills over it.
    copyFolder(pristine, package);
    QElapsedTimer timer;
    timer.start();
    pid_t pid = runChild();
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    const qint64 duration = std::max<qint64>(timer.nsecsElapsed() / 1000, 1000);

    auto model903 = TDLibraryMigrationModel(QStringLiteral("Library 0.903"));
    testsupport::FaultRandom random;
    QElapsedTimer budget;
    budget.start();
    int oldSeen = 0, newSeen = 0;
    for (int round = 0; round < 60 && budget.elapsed() < 10000; ++round) {
        QDir(package).removeRecursively();
        copyFolder(pristine, package);
        pid = runChild();
        // Every other kill falls near the end, where the copy is swapped in and the old package put away.
        const qint64 delay = round % 2 == 0 ? random.bounded(duration * 11 / 10)
                                            : duration * 8 / 10 + random.bounded(duration * 3 / 10);
        ::usleep(static_cast<useconds_t>(delay));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);

        const bool migrated = TDScaledLibraryVersion(infoVersion(package)) == 100000;
        auto metadata = platform::PersistentStoreCoordinator::metadataForStore(storePath());
        ASSERT_TRUE(metadata.ok()) << round;
        ASSERT_EQ(metadata->modelVersion,
                  migrated ? QStringLiteral("Library 1.000") : QStringLiteral("Library 0.903"))
            << round;
        {
            const Store store = open(storePath(), migrated ? *TDLibraryObjectModel() : *model903);
            ASSERT_EQ(store.all(QStringLiteral("Task")).size(), 3) << round;
            ASSERT_NE(store.titled(QStringLiteral("Task"), QStringLiteral("Return bottle")), nullptr)
                << round;
        }
        (migrated ? newSeen : oldSeen)++;
        if (!migrated && round % 3 == 0) {
            auto again = TDMigrateLibraryStoreIfNeeded(package, nullptr);
            ASSERT_TRUE(again.ok()) << round << again.error().description.toStdString();
            EXPECT_EQ(*again, TDLibraryMigrationOutcome::Migrated);
        }
    }
    RecordProperty("killedBeforeTheSwap", oldSeen);
    RecordProperty("killedAfterTheSwap", newSeen);
}

}  // namespace
