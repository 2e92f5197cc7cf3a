#pragma once

#include "platform/objectstore/managed_object.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "store/library_migration_delegate.h"
#include "tests/support/test_environment.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace storetest {

// Records the migration delegate's calls as lines ("should 0.903 1 8", "will Library 0.903 Library 0.904",
// "progress 0.5", "did ...", "finished", "failed") and answers shouldMigrate as told.
class ScriptedMigrationDelegate : public TDLibraryMigrationDelegate {
public:
    bool answer = true;
    QStringList calls;
    QList<QList<double>> progressPerStep;

    bool shouldMigratePersistentStore(double fromVersion, double toVersion, int stepCount) override;
    void willRunMigration(const platform::MigrationManager&, const QString& from, const QString& to) override;
    void migrationProgressChanged(double progress) override;
    void didRunMigration(const platform::MigrationManager&, const QString& from, const QString& to) override;
    void didFinishMigratingPersistentStore() override { calls << QStringLiteral("finished"); }
    void failedMigratingPersistentStore() override { calls << QStringLiteral("failed"); }
};

// A smart-folder rule archive: all of one comparison on the key path.
QByteArray ruleArchive(const QString& keyPath);
// The key paths of the comparisons in a rule archive, depth first.
QStringList ruleKeyPaths(const QByteArray& archive);

// What a library of an older model holds, so that a test can leave out what it wants to break.
struct OldLibraryContents {
    bool withInbox = true;
    bool withRichNotes = true;
    bool withRootGroupNumber = true;
};

// Writes a package as an older program left it: Info.plist with the library version, and a store of
// the named model version ("Library 0.903" to "Library 0.908") with a small library: the starter groups,
// a project list with tasks (completed, cancelled, archived, recurring, with plain and rich notes, tags,
// a smart folder), time-log entries with and without a task.
void writeOldPackage(const QString& packagePath, const QString& modelName, double libraryVersion,
                     const OldLibraryContents& contents = {});

// Every file of a folder tree with its bytes, for comparing a package before and after.
QMap<QString, QByteArray> folderContents(const QString& folder);
void copyFolder(const QString& from, const QString& to);

// Registers stand-ins for the archived-rule transformers when the program has not registered its own:
// they keep the archive bytes as they are.
void ensureArchiveTransformers();

// Temporary folders with the library model's classes and the archive transformers registered, and the
// path of a package not written yet.
class MigrationPackageTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override;
    QString package;
};

}  // namespace storetest
