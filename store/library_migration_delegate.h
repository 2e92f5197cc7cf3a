#pragma once

#include <QString>

namespace platform {
class MigrationManager;
}

// What the library manager asks and tells while it migrates a library store of an older model, in this
// order, on the main thread: shouldMigrate once; willRunMigration and didRunMigration around every step;
// at the end exactly one of didFinishMigrating and failedMigrating. The application shell answers with
// its questions and progress window; tests script it.
class TDLibraryMigrationDelegate {
public:
    virtual ~TDLibraryMigrationDelegate() = default;

    // The versions are those of the library (stored and current); stepCount is the number of model
    // steps that will run, so that a progress display counts exactly those. False: leave the library
    // as it is.
    virtual bool shouldMigratePersistentStore(double fromVersion, double toVersion, int stepCount) = 0;
    // A step begins; its progress arrives through migrationProgressChanged.
    virtual void willRunMigration(const platform::MigrationManager& manager, const QString& fromModelName,
                                  const QString& toModelName) = 0;
    // Progress of the running step, 0 to 1.
    virtual void migrationProgressChanged(double progress) = 0;
    virtual void didRunMigration(const platform::MigrationManager& manager, const QString& fromModelName,
                                 const QString& toModelName) = 0;
    virtual void didFinishMigratingPersistentStore() = 0;
    virtual void failedMigratingPersistentStore() = 0;
};
