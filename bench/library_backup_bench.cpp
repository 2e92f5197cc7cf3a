// Backing up a large library: the whole chain's export and compression against its floor, the same
// dictionary forms serialised and deflated directly with nothing read from the store.
#include "foundation/data_additions.h"
#include "model/library_model.h"
#include "model/managed_object_context.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/plist/xml_property_list_writer.h"
#include "store/gzip_compress_operation.h"
#include "store/library_backup.h"
#include "store/library_manager.h"
#include "store/property_list_export_operation.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QTemporaryDir& benchFolder() {
    static QTemporaryDir folder;
    return folder;
}

// A package with n tasks in one list, written once per size.
QString backupPackageWithTasks(int n) {
    static QMap<int, QString> paths;
    if (paths.contains(n)) return paths.value(n);
    const QString package = QDir(benchFolder().path()).filePath(QStringLiteral("Backup %1.odllibrary").arg(n));
    {
        TDLibraryManager manager(package);
        if (!manager.createLibrary().ok() || !manager.close().ok()) return {};
    }
    auto model = TDLibraryObjectModel();
    if (!model.ok()) return {};
    platform::PersistentStoreCoordinator coordinator(*model);
    if (!coordinator.openStore(QDir(package).filePath(QStringLiteral("library.sqlite3"))).ok()) return {};
    TDManagedObjectContext context(&coordinator);
    platform::ManagedObject* list = context.insertObject(QStringLiteral("List"));
    list->setValue(QStringLiteral("title"), QStringLiteral("Everything"));
    for (int i = 0; i < n; ++i) {
        platform::ManagedObject* task = context.insertObject(QStringLiteral("Task"));
        task->setValue(QStringLiteral("title"), QStringLiteral("Task number %1 with a title of usual length").arg(i));
        task->setValue(QStringLiteral("priority"), i % 10);
        task->setObject(QStringLiteral("parentList"), list);
    }
    if (!context.save().ok()) return {};
    paths.insert(n, package);
    return package;
}

void BM_BackupExportGzip(benchmark::State& state) {
    const QString package = backupPackageWithTasks(static_cast<int>(state.range(0)));
    const QString output = QDir(benchFolder().path()).filePath(QStringLiteral("bench.odlbackup"));
    TDLibraryManager manager(package);
    TDLibraryManager::setSharedManager(&manager);
    for (auto _ : state) {
        auto exporter = std::make_shared<TDPropertyListExportOperation>(package, output);
        exporter->start();
        auto compressor = std::make_shared<TDGZipCompressOperation>(output);
        compressor->start();
        if (!QFile::exists(output + QStringLiteral(".gz"))) state.SkipWithError("no backup written");
    }
    TDLibraryManager::setSharedManager(nullptr);
}
BENCHMARK(BM_BackupExportGzip)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_SerialiseAndZlibFloor(benchmark::State& state) {
    const QString package = backupPackageWithTasks(static_cast<int>(state.range(0)));
    auto model = TDLibraryObjectModel();
    platform::PersistentStoreCoordinator coordinator(*model);
    if (!coordinator.openStore(QDir(package).filePath(QStringLiteral("library.sqlite3"))).ok()) {
        state.SkipWithError("could not open the store");
        return;
    }
    TDManagedObjectContext context(&coordinator);
    context.setSetupTransientProperties(false);
    const Result<QVariantMap> forms = TDLibraryBackupDictionary(context, 1.0, {});
    for (auto _ : state) {
        const Result<QByteArray> xml = platform::writeXmlPropertyList(*forms);
        const Result<QByteArray> compressed = gzipCompressedData(*xml);
        benchmark::DoNotOptimize(compressed->size());
    }
}
BENCHMARK(BM_SerialiseAndZlibFloor)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
