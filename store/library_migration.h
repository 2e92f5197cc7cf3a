#pragma once

#include "platform/base/error.h"

#include <QList>
#include <QString>

#include <memory>

namespace platform {
class ObjectModel;
}

class TDLibraryMigrationDelegate;

// One step of the chain of model versions: it runs for a library whose stored version, scaled by
// 100000 and rounded, is below the threshold.
struct TDLibraryMigrationStep {
    qint64 threshold;
    QString sourceModelName;  // "Library 0.903"
    QString destinationModelName;
};

// Library versions compare at five decimals: scaled by 100000 and rounded half away from zero.
qint64 TDScaledLibraryVersion(double version);

// Every step, oldest first, and the steps a library of the given stored version needs.
const QList<TDLibraryMigrationStep>& TDLibraryMigrationSteps();
QList<TDLibraryMigrationStep> TDLibraryMigrationStepsForVersion(double storedVersion);

// A model version of the chain by name ("Library 0.905"). The current version comes without its model
// classes, so that migration writes plain values and no object hooks run.
Result<std::shared_ptr<const platform::ObjectModel>> TDLibraryMigrationModel(const QString& name);

enum class TDLibraryMigrationOutcome {
    NotNeeded,  // no store, no Info.plist, or a current version
    Migrated,   // the package now holds the migrated library; the old one is in "Previous Libraries"
    Declined,   // the delegate said no; the package is untouched and the program should end
};

// Brings the package's store up to the current model when its Info.plist names an older library
// version. The library manager calls it before it opens the store. The copy is migrated beside the
// package and swapped in with one rename, so the package holds the old or the new library at every
// moment; the old one then moves to "Previous Libraries". On failure the package is untouched and the
// error (TDErrorDomain 150) says why. A null delegate migrates without asking.
Result<TDLibraryMigrationOutcome> TDMigrateLibraryStoreIfNeeded(const QString& packagePath,
                                                                TDLibraryMigrationDelegate* delegate);

// One step on the "library.sqlite3" of a package: the migrated store replaces the old one once it is
// complete.
Status TDMigrateLibraryStore(const QString& packagePath, const QString& sourceModelName,
                             const QString& destinationModelName, TDLibraryMigrationDelegate* delegate);
