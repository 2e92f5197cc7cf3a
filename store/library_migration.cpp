#include "store/library_migration.h"

#include "foundation/application_delegate.h"
#include "foundation/paths.h"
#include "language/date_additions.h"
#include "model/library_model.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/files/atomic_save.h"
#include "platform/files/file_error.h"
#include "platform/files/trash.h"
#include "platform/objectstore/migration_manager.h"
#include "platform/objectstore/object_model.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/plist/property_list.h"
#include "store/library_migration_delegate.h"
#include "store/migration_policies.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>
#include <cerrno>
#include <cmath>

namespace {

const QString kStoreFileName = QStringLiteral("library.sqlite3");
const QString kInfoFileName = QStringLiteral("Info.plist");
const QString kLibraryVersionKey = QStringLiteral("TDLibraryVersion");
constexpr double kCurrentLibraryVersion = 1.0;
constexpr qsizetype kMaximumInfoSize = 1024 * 1024;
const QStringList kStoreSideSuffixes = {QStringLiteral("-wal"), QStringLiteral("-shm")};

TDError migrationError(const QString& description) {
    return TDError::make(TDErrorMigrationFailed, description);
}

Status syncPath(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return platform::posixError(errno, QStringLiteral("Could not open \"%1\".").arg(path));
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (result != 0) return platform::posixError(error, QStringLiteral("Could not sync \"%1\".").arg(path));
    return {};
}

// Copies a package folder, file by file, each synced, so that the copy survives a crash once it has
// been renamed into place.
Status copyFolder(const QString& from, const QString& to) {
    if (!QDir().mkpath(to)) return migrationError(QStringLiteral("Could not create \"%1\".").arg(to));
    const QDir source(from);
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QString target = QDir(to).filePath(source.relativeFilePath(path));
        if (info.isDir() && !info.isSymLink()) {
            if (!QDir().mkpath(target))
                return migrationError(QStringLiteral("Could not create \"%1\".").arg(target));
            continue;
        }
        if (!info.isFile()) continue;  // sockets, pipes and dangling links are no part of a library
        if (!QFile::copy(path, target))
            return migrationError(QStringLiteral("Could not copy \"%1\" to \"%2\".").arg(path, target));
        if (Status synced = syncPath(target); !synced) return synced;
    }
    return platform::syncFolder(to);
}

// A store file and its SQLite side files move together; stale side files at the target would be read
// as part of the new store.
Status moveStoreFile(const QString& from, const QString& to) {
    for (const QString& suffix : kStoreSideSuffixes) {
        QFile::remove(to + suffix);
        if (QFileInfo::exists(from + suffix) && !QFile::rename(from + suffix, to + suffix))
            return migrationError(QStringLiteral("Could not move \"%1\".").arg(from + suffix));
    }
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
        return platform::posixError(errno, QStringLiteral("Could not move \"%1\" to \"%2\".").arg(from, to));
    return {};
}

void removeStoreFile(const QString& path) {
    QFile::remove(path);
    for (const QString& suffix : kStoreSideSuffixes) QFile::remove(path + suffix);
}

bool exchangePaths(const QString& a, const QString& b) {
    return ::renameat2(AT_FDCWD, QFile::encodeName(a).constData(), AT_FDCWD, QFile::encodeName(b).constData(),
                       RENAME_EXCHANGE) == 0;
}

Result<double> storedLibraryVersion(const QString& infoPath) {
    Result<QVariant> info = platform::readPropertyListFile(infoPath, kMaximumInfoSize);
    if (!info) return info.error();
    if (info->metaType().id() != QMetaType::QVariantMap)
        return migrationError(QStringLiteral("\"%1\" is not a dictionary.").arg(infoPath));
    // Stored versions are read as single precision, as every earlier program wrote them.
    return static_cast<double>(info->toMap().value(kLibraryVersionKey).toFloat());
}

Status stampCurrentVersion(const QString& infoPath) {
    Result<QVariant> info = platform::readPropertyListFile(infoPath, kMaximumInfoSize);
    if (!info) return info.error();
    QVariantMap map = info->toMap();
    map.insert(kLibraryVersionKey, kCurrentLibraryVersion);
    Result<QByteArray> bytes = platform::writePropertyList(map);
    if (!bytes) return bytes.error();
    return platform::writeFileAtomically(infoPath, *bytes);
}

QString previousLibrariesPath() {
    return QDir(applicationSupportPath()).filePath(QStringLiteral("Previous Libraries"));
}

// Where the replaced package goes: "Previous Libraries", or the Trash when that folder cannot be had.
void putAwayOldPackage(const QString& oldPackage) {
    const QString folder = previousLibrariesPath();
    const QFileInfo info(folder);
    bool usable = info.isDir();
    if (info.exists() && !info.isDir()) {
        logWithLevel(TDLogWarning, "WARNING",
                     "Found file (not a directory) with name 'Previous Libraries' in Application Support "
                     "folder. Deleting it.");
        if (Result<QString> trashed = platform::trashItem(folder); !trashed)
            logWithLevel(TDLogWarning, "WARNING", "%@", trashed.error().description);
    } else if (!info.exists()) {
        usable = QDir().mkpath(folder);
    }
    if (usable) {
        const QString stamp = dates::dateStampString(TDClock::currentDateTime());
        QString target = QDir(folder).filePath(QStringLiteral("Ordello Library %1.odllibrary").arg(stamp));
        for (long n = 1; QFileInfo::exists(target); ++n)
            target =
                QDir(folder).filePath(QStringLiteral("Ordello Library %1 %2.odllibrary").arg(stamp).arg(n));
        if (::rename(QFile::encodeName(oldPackage).constData(), QFile::encodeName(target).constData()) == 0) {
            platform::syncFolderLogged(folder);
            return;
        }
    }
    logWithLevel(TDLogWarning, "WARNING",
                 "Could not move old library to 'Previous Libraries' folder. Trashing it instead");
    if (Result<QString> trashed = platform::trashItem(oldPackage); !trashed)
        logWithLevel(TDLogWarning, "WARNING", "%@", trashed.error().description);
}

// Puts the migrated copy (a sibling of the package) in the package's place. Where the file system can
// exchange two names the package path never stands empty; elsewhere the old package waits aside until the new
// one is in. Answers where the old package now lies.
Result<QString> swapInMigratedCopy(const QString& copy, const QString& package) {
    if (exchangePaths(copy, package)) {
        platform::syncFolderLogged(QFileInfo(package).absolutePath());
        return copy;
    }
    QString aside = package + QStringLiteral(".old");
    for (int n = 1; QFileInfo::exists(aside); ++n) aside = package + QStringLiteral(".old%1").arg(n);
    if (!QFile::rename(package, aside))
        return migrationError(QStringLiteral("Could not move \"%1\" aside.").arg(package));
    if (!QFile::rename(copy, package)) {
        QFile::rename(aside, package);
        return migrationError(QStringLiteral("Could not move the migrated library to \"%1\".").arg(package));
    }
    platform::syncFolderLogged(QFileInfo(package).absolutePath());
    return aside;
}

Status runSteps(const QString& copy, const QList<TDLibraryMigrationStep>& steps,
                TDLibraryMigrationDelegate* delegate) {
    for (const TDLibraryMigrationStep& step : steps)
        if (Status s = TDMigrateLibraryStore(copy, step.sourceModelName, step.destinationModelName, delegate);
            !s)
            return s;
    // The migrated store must open under the current model, and closing it folds its journal in.
    Result<std::shared_ptr<const platform::ObjectModel>> model = TDLibraryObjectModel();
    if (!model) return model.error();
    platform::PersistentStoreCoordinator check(*model);
    if (Status opened = check.openStore(QDir(copy).filePath(kStoreFileName)); !opened) return opened;
    check.closeStore();
    if (Status synced = syncPath(QDir(copy).filePath(kStoreFileName)); !synced) return synced;
    return stampCurrentVersion(QDir(copy).filePath(kInfoFileName));
}

}  // namespace

qint64 TDScaledLibraryVersion(double version) {
    return std::llround(version * 100000.0);
}

const QList<TDLibraryMigrationStep>& TDLibraryMigrationSteps() {
    static const QList<TDLibraryMigrationStep> steps = [] {
        const QStringList versions = {
            QStringLiteral("0.903"), QStringLiteral("0.904"), QStringLiteral("0.905"),
            QStringLiteral("0.906"), QStringLiteral("0.907"), QStringLiteral("0.908"),
            QStringLiteral("0.909"), QStringLiteral("0.910"), QStringLiteral("1.000")};
        QList<TDLibraryMigrationStep> list;
        for (qsizetype i = 1; i < versions.size(); ++i)
            list.append({TDScaledLibraryVersion(versions[i].toDouble()),
                         QStringLiteral("Library ") + versions[i - 1],
                         QStringLiteral("Library ") + versions[i]});
        return list;
    }();
    return steps;
}

QList<TDLibraryMigrationStep> TDLibraryMigrationStepsForVersion(double storedVersion) {
    const qint64 scaled = TDScaledLibraryVersion(storedVersion);
    QList<TDLibraryMigrationStep> steps;
    for (const TDLibraryMigrationStep& step : TDLibraryMigrationSteps())
        if (scaled < step.threshold) steps.append(step);
    return steps;
}

Result<std::shared_ptr<const platform::ObjectModel>> TDLibraryMigrationModel(const QString& name) {
    QFile file(QStringLiteral(":/model/%1.json").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return migrationError(QStringLiteral("No model named \"%1\".").arg(name));
    QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    QJsonObject root = document.object();
    QJsonArray entities = root.value(QLatin1String("entities")).toArray();
    for (QJsonValueRef entity : entities) {
        QJsonObject object = entity.toObject();
        object.remove(QLatin1String("class"));
        entity = object;
    }
    root.insert(QLatin1String("entities"), entities);
    TDRegisterLibraryModelClasses();  // the value transformers of archived attributes
    return platform::ObjectModel::fromJson(QJsonDocument(root).toJson(QJsonDocument::Compact));
}

Status TDMigrateLibraryStore(const QString& packagePath, const QString& sourceModelName,
                             const QString& destinationModelName, TDLibraryMigrationDelegate* delegate) {
    logWithLevel(TDLogInfo, "INFO", "Migrating from %@ to %@", sourceModelName, destinationModelName);
    Result<std::shared_ptr<const platform::ObjectModel>> source = TDLibraryMigrationModel(sourceModelName);
    if (!source) return source.error();
    Result<std::shared_ptr<const platform::ObjectModel>> destination =
        TDLibraryMigrationModel(destinationModelName);
    if (!destination) return destination.error();
    Result<platform::MappingModel> mapping = TDLibraryMappingModel(**source, **destination);
    if (!mapping) {
        TDAppDelegate().handleError(mapping.error(), QStringLiteral("Could not upgrade library"));
        return mapping.error();
    }
    const QString storePath = QDir(packagePath).filePath(kStoreFileName);
    const QString temporaryPath = QDir(packagePath)
                                      .filePath(QStringLiteral("Library Migration Temporary File %1")
                                                    .arg(dates::timeStampString(TDClock::currentDateTime())));
    removeStoreFile(temporaryPath);
    platform::MigrationManager manager(*source, *destination, std::move(mapping).value());
    if (delegate) delegate->willRunMigration(manager, sourceModelName, destinationModelName);
    Status status = manager.migrateStore(storePath, temporaryPath, [delegate](double progress) {
        if (delegate) delegate->migrationProgressChanged(progress);
    });
    if (status) status = moveStoreFile(temporaryPath, storePath);
    if (!status) {
        QStringList userInfo;
        for (auto it = status.error().userInfo.cbegin(); it != status.error().userInfo.cend(); ++it)
            userInfo << it.key() + QStringLiteral(" = ") + it.value().toString();
        logWithLevel(TDLogError, "ERROR", "Error userInfo: %@",
                     QStringLiteral("{") + userInfo.join(QStringLiteral("; ")) + QStringLiteral("}"));
        TDError error = migrationError(status.error().description);
        error.userInfo = status.error().userInfo;
        status = error;
    }
    removeStoreFile(temporaryPath);
    if (delegate) delegate->didRunMigration(manager, sourceModelName, destinationModelName);
    return status;
}

Result<TDLibraryMigrationOutcome> TDMigrateLibraryStoreIfNeeded(const QString& packagePath,
                                                                TDLibraryMigrationDelegate* delegate) {
    const QString infoPath = QDir(packagePath).filePath(kInfoFileName);
    if (!QFileInfo::exists(QDir(packagePath).filePath(kStoreFileName)) || !QFileInfo::exists(infoPath))
        return TDLibraryMigrationOutcome::NotNeeded;
    Result<double> stored = storedLibraryVersion(infoPath);
    if (!stored) return stored.error();
    if (TDScaledLibraryVersion(*stored) >= TDScaledLibraryVersion(kCurrentLibraryVersion))
        return TDLibraryMigrationOutcome::NotNeeded;
    const QList<TDLibraryMigrationStep> steps = TDLibraryMigrationStepsForVersion(*stored);
    if (delegate &&
        !delegate->shouldMigratePersistentStore(*stored, kCurrentLibraryVersion, int(steps.size()))) {
        logWithLevel(TDLogInfo, "INFO", "User cancelled library upgrade.");
        return TDLibraryMigrationOutcome::Declined;
    }

    const QString package = QFileInfo(packagePath).absoluteFilePath();
    // Beside the package, so that the finished copy takes the package's place by a rename.
    const QString copy = QDir(QFileInfo(package).absolutePath())
                             .filePath(QStringLiteral("Migrating Library %1")
                                           .arg(dates::timeStampString(TDClock::currentDateTime())));
    Status status = copyFolder(package, copy);
    if (status) status = runSteps(copy, steps, delegate);
    Result<QString> oldPackage = status ? swapInMigratedCopy(copy, package) : Result<QString>(status.error());
    if (!oldPackage) {
        QDir(copy).removeRecursively();
        logWithLevel(TDLogError, "ERROR", "Failed to migrate library");
        if (delegate) delegate->failedMigratingPersistentStore();
        TDError error = oldPackage.error();
        if (!error.isInDomain(TDErrorMigrationFailed)) error = migrationError(error.description);
        return error;
    }
    putAwayOldPackage(*oldPackage);
    logWithLevel(TDLogInfo, "INFO", "Successfully migrated library");
    if (delegate) delegate->didFinishMigratingPersistentStore();
    return TDLibraryMigrationOutcome::Migrated;
}
