// Backing up a large library: the whole chain's export and compression against its floor, the same
// dictionary forms serialised and deflated by zlib with nothing read from the store, and a quit after
// one edit, which waits for that backup. Restoring it:
// the whole restore against inflating the same backup and inserting its rows with raw SQLite, and how
// far memory rises during the restore.
#include "bench/bench_support.h"
#include "foundation/data_additions.h"
#include "model/library_model.h"
#include "model/managed_object_context.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/operations/operation_queue.h"
#include "platform/plist/property_list.h"
#include "platform/plist/xml_property_list_writer.h"
#include "store/library_backup.h"
#include "store/library_manager.h"
#include "store/property_list_export_operation.h"
#include "store/property_list_library_restore_operation.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <zlib.h>

namespace {

QTemporaryDir& benchFolder() {
    static QTemporaryDir folder;
    return folder;
}

QString storePathOf(const QString& package) {
    return QDir(package).filePath(QStringLiteral("library.sqlite3"));
}

// The package's store on a coordinator of its own, as an export opens it; null when it cannot be
// opened, which skips the benchmark.
std::unique_ptr<platform::PersistentStoreCoordinator> openPackageStore(
    benchmark::State& state, const QString& package, std::shared_ptr<const platform::ObjectModel> model) {
    auto coordinator = std::make_unique<platform::PersistentStoreCoordinator>(std::move(model));
    if (coordinator->openStore(storePathOf(package)).ok()) return coordinator;
    state.SkipWithError("could not open the store");
    return nullptr;
}

void BM_BackupExportGzip(benchmark::State& state) {
    const QString package = benchLibraryPackageWithTasks(static_cast<int>(state.range(0)));
    const QString output = QDir(benchFolder().path()).filePath(QStringLiteral("bench.odlbackup.gz"));
    TDLibraryManager manager(package);
    TDLibraryManager::setSharedManager(&manager);
    double peakGrowthMiB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const BenchPeakMemory memory;
        state.ResumeTiming();
        std::make_shared<TDPropertyListExportOperation>(package, output, TDBackupCompression::Gzip)->start();
        state.PauseTiming();
        peakGrowthMiB = std::max(peakGrowthMiB, memory.growthMiB());
        state.ResumeTiming();
        if (!QFile::exists(output)) state.SkipWithError("no backup written");
    }
    TDLibraryManager::setSharedManager(nullptr);
    // The rise of resident memory while the backup is made.
    state.counters["peak_memory_growth_MiB"] = peakGrowthMiB;
    state.counters["backup_KiB"] = double(QFileInfo(output).size()) / 1024;
}
BENCHMARK(BM_BackupExportGzip)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The same backup made the way it was before it was streamed from the store's rows: every object
// fetched into a context of its own, its dictionary form serialised, the text gzipped.
void BM_BackupExportGzipFromObjects(benchmark::State& state) {
    const QString package = benchLibraryPackageWithTasks(static_cast<int>(state.range(0)));
    const QString output = QDir(benchFolder().path()).filePath(QStringLiteral("objects.odlbackup.gz"));
    auto model = TDLibraryObjectModel();
    double peakGrowthMiB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const BenchPeakMemory memory;
        state.ResumeTiming();
        {
            const auto coordinator = openPackageStore(state, package, *model);
            if (!coordinator) return;
            TDManagedObjectContext context(coordinator.get());
            context.setSetupTransientProperties(false);
            const Result<TDLibraryBackupObjects> objects = TDLibraryBackupObjectsOf(context, {});
            if (!objects.ok() || !TDWriteLibraryBackup(TDLibraryBackupHeader(1.0), *objects, output, {},
                                                       TDBackupCompression::Gzip)
                                      .ok())
                state.SkipWithError("no backup written");
        }
        state.PauseTiming();
        peakGrowthMiB = std::max(peakGrowthMiB, memory.growthMiB());
        state.ResumeTiming();
    }
    state.counters["peak_memory_growth_MiB"] = peakGrowthMiB;
}
BENCHMARK(BM_BackupExportGzipFromObjects)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A whole backup of an open library as a save queues it, while the main thread's event loop runs a
// timer every millisecond: the longest wait between two runs of the loop (the goal is one frame,
// 16 ms) and the queueing itself, which happens on the main thread.
void BM_BackupMainThreadLongestBlock(benchmark::State& state) {
    BenchOpenLibrary library(static_cast<int>(state.range(0)));
    if (!library.isOpen()) {
        state.SkipWithError("could not open the library");
        return;
    }
    TDLibraryManager& manager = library.manager();
    manager.exportOperationQueue()->waitUntilAllOperationsAreFinished();
    qint64 longestNs = 0;
    qint64 queueingNs = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        manager.savePropertyListBackup();
        queueingNs = std::max(queueingNs, clock.nsecsElapsed());
        longestNs = std::max(longestNs, clock.nsecsElapsed());
        qint64 lastRun = clock.nsecsElapsed();
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longestNs = std::max(longestNs, now - lastRun);
            lastRun = now;
            if (manager.exportOperationQueue()->operationCount() == 0) QCoreApplication::exit(0);
        });
        ticker.start();
        QCoreApplication::exec();
    }
    state.counters["longest_block_ms"] = double(longestNs) / 1e6;
    state.counters["queueing_ms"] = double(queueingNs) / 1e6;
}
BENCHMARK(BM_BackupMainThreadLongestBlock)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Quitting after one edit, as the application does: the save, then the wait for what it queued (the
// backup of the whole library) before the program may end.
void BM_QuitAfterOneChange(benchmark::State& state) {
    BenchOpenLibrary library(static_cast<int>(state.range(0)));
    if (!library.isOpen()) {
        state.SkipWithError("could not open the library");
        return;
    }
    TDLibraryManager& manager = library.manager();
    const auto tasks =
        manager.managedObjectContext()->execute(platform::FetchRequest(QStringLiteral("Task")));
    platform::ManagedObject* task = tasks->at(tasks->size() / 2);
    // Repetitions open the saved library again: every edit must differ from what it holds.
    static int edits = 0;
    for (auto _ : state) {
        state.PauseTiming();
        manager.exportOperationQueue()->waitUntilAllOperationsAreFinished();
        task->setValue(QStringLiteral("title"), QStringLiteral("edited %1").arg(++edits));
        manager.managedObjectContext()->processPendingChanges();
        state.ResumeTiming();
        if (manager.saveLibraryOrReschedule() != TDLibrarySaveOutcome::Saved)
            state.SkipWithError("save failed");
        manager.finishPendingOperations();
    }
}
BENCHMARK(BM_QuitAfterOneChange)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The whole backup as one dictionary in memory: the forms the floor serialises.
QVariantMap backupDictionary(TDManagedObjectContext& context) {
    QVariantMap entities;
    const Result<TDLibraryBackupObjects> objects = TDLibraryBackupObjectsOf(context, {});
    if (!objects.ok()) return {};
    for (const TDLibraryBackupEntity& entity : *objects) {
        QVariantMap forms;
        for (const auto& [identifier, object] : entity.objects)
            forms.insert(identifier, object->propertyListRepresentation());
        entities.insert(entity.name, forms);
    }
    QVariantMap backup = TDLibraryBackupHeader(1.0);
    backup.insert(TDBackupEntitiesKey, entities);
    return backup;
}

// The gzip stream zlib makes at its default level, as the backups were compressed before.
QByteArray zlibGzip(const QByteArray& data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const bool done = deflate(&stream, Z_FINISH) == Z_STREAM_END;
    out.truncate(done ? qsizetype(stream.total_out) : 0);
    deflateEnd(&stream);
    return out;
}

void BM_SerialiseAndZlibFloor(benchmark::State& state) {
    const QString package = benchLibraryPackageWithTasks(static_cast<int>(state.range(0)));
    auto model = TDLibraryObjectModel();
    const auto coordinator = openPackageStore(state, package, *model);
    if (!coordinator) return;
    TDManagedObjectContext context(coordinator.get());
    context.setSetupTransientProperties(false);
    const QVariantMap forms = backupDictionary(context);
    if (forms.isEmpty()) {
        state.SkipWithError("could not read the library");
        return;
    }
    for (auto _ : state) {
        const Result<QByteArray> xml = platform::writeXmlPropertyList(forms);
        const QByteArray compressed = zlibGzip(*xml);
        benchmark::DoNotOptimize(compressed.size());
    }
}
BENCHMARK(BM_SerialiseAndZlibFloor)->Arg(100000)->Unit(benchmark::kMillisecond);

// Sets the library's data version in the package's store, as a library of an older program holds it.
bool setStoredLibraryVersion(const QString& package, double version) {
    sqlite3* db = nullptr;
    const QByteArray path = QFile::encodeName(storePathOf(package));
    bool done = sqlite3_open(path.constData(), &db) == SQLITE_OK;
    const QByteArray sql = "UPDATE t_Library SET version = " + QByteArray::number(version, 'f', 2);
    done = done && sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return done;
}

// The gzipped backup of the package with n tasks, written once per size and data version.
QString gzippedBackupWithTasks(int n, double libraryVersion = 1.0) {
    static QMap<std::pair<int, double>, QString> paths;
    const std::pair key{n, libraryVersion};
    if (paths.contains(key)) return paths.value(key);
    const QString package = benchLibraryPackageWithTasks(n);
    const QString path =
        QDir(benchFolder().path())
            .filePath(QStringLiteral("restore %1 v%2.odlbackup.gz").arg(n).arg(libraryVersion));
    if (!setStoredLibraryVersion(package, libraryVersion)) return {};
    {
        TDLibraryManager manager(package);
        TDLibraryManager::setSharedManager(&manager);
        std::make_shared<TDPropertyListExportOperation>(package, path, TDBackupCompression::Gzip)->start();
        TDLibraryManager::setSharedManager(nullptr);
    }
    if (!setStoredLibraryVersion(package, 1.0) || !QFile::exists(path)) return {};
    paths.insert(key, path);
    return paths.value(key);
}

void BM_Restore(benchmark::State& state) {
    const QString backup = gzippedBackupWithTasks(static_cast<int>(state.range(0)));
    if (backup.isEmpty()) {
        state.SkipWithError("no backup written");
        return;
    }
    const QString target = QDir(benchFolder().path()).filePath(QStringLiteral("Restored.odllibrary"));
    TDLibraryManager manager(target);
    TDLibraryManager::setSharedManager(&manager);
    double peakGrowthMiB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(target).removeRecursively();
        const BenchPeakMemory memory;
        state.ResumeTiming();
        auto restore = std::make_shared<TDPropertyListLibraryRestoreOperation>(backup, target);
        restore->setRestoringActiveLibrary(false);
        restore->start();
        restore.reset();
        state.PauseTiming();
        peakGrowthMiB = std::max(peakGrowthMiB, memory.growthMiB());
        state.ResumeTiming();
        if (!QFile::exists(storePathOf(target))) state.SkipWithError("no library restored");
    }
    TDLibraryManager::setSharedManager(nullptr);
    // The rise of resident memory while the backup is read and the library rebuilt and saved.
    state.counters["peak_memory_growth_MiB"] = peakGrowthMiB;
    state.counters["backup_MiB"] = double(QFileInfo(backup).size()) / (1024.0 * 1024.0);
}
BENCHMARK(BM_Restore)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);

// The first open of a library just restored from the backup of n tasks, until the library is usable:
// the restore is left out of the time, so the open compares with BM_OpenLibrary on a library saved
// by Ordello itself. The second argument 1 makes the backup one of an older library, whose data is
// brought up to date.
void BM_OpenAfterRestore(benchmark::State& state) {
    const double libraryVersion = state.range(1) ? 0.9 : 1.0;
    const QString backup = gzippedBackupWithTasks(static_cast<int>(state.range(0)), libraryVersion);
    if (backup.isEmpty()) {
        state.SkipWithError("no backup written");
        return;
    }
    const QString target = QDir(benchFolder().path()).filePath(QStringLiteral("Reopened.odllibrary"));
    double peakGrowthMiB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QDir(target).removeRecursively();
        {
            TDLibraryManager restoring(target);
            TDLibraryManager::setSharedManager(&restoring);
            auto restore = std::make_shared<TDPropertyListLibraryRestoreOperation>(backup, target);
            restore->setRestoringActiveLibrary(false);
            restore->start();
            TDLibraryManager::setSharedManager(nullptr);
        }
        const BenchPeakMemory memory;
        state.ResumeTiming();
        auto manager = std::make_unique<TDLibraryManager>(target);
        if (!manager->loadLibrary().ok()) state.SkipWithError("could not open the restored library");
        // Data brought up to date at the open is saved at once, as the autosave would.
        if (manager->isSaveScheduled() && !manager->saveLibrary()) state.SkipWithError("could not save");
        state.PauseTiming();
        peakGrowthMiB = std::max(peakGrowthMiB, memory.growthMiB());
        manager.reset();
        state.ResumeTiming();
    }
    // The rise of resident memory while the restored library opens.
    state.counters["peak_memory_growth_MiB"] = peakGrowthMiB;
}
BENCHMARK(BM_OpenAfterRestore)->Args({200000, 0})->Args({200000, 1})->Unit(benchmark::kMillisecond);

// Binds a property-list value as SQLite stores it: dates as seconds, relationships as their UIDs.
void bindValue(sqlite3_stmt* statement, int index, const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::LongLong:
            sqlite3_bind_int64(statement, index, value.toLongLong());
            break;
        case QMetaType::Double:
            sqlite3_bind_double(statement, index, value.toDouble());
            break;
        case QMetaType::QDateTime:
            sqlite3_bind_double(statement, index,
                                static_cast<double>(value.toDateTime().toMSecsSinceEpoch()) / 1000.0);
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            sqlite3_bind_blob(statement, index, bytes.constData(), static_cast<int>(bytes.size()),
                              SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray text = value.canConvert<QStringList>()
                                        ? value.toStringList().join(QLatin1Char(' ')).toUtf8()
                                        : value.toString().toUtf8();
            sqlite3_bind_text(statement, index, text.constData(), static_cast<int>(text.size()),
                              SQLITE_TRANSIENT);
        }
    }
}

void BM_InflateAndBulkInsertFloor(benchmark::State& state) {
    const QString backup = gzippedBackupWithTasks(static_cast<int>(state.range(0)));
    QFile file(backup);
    if (backup.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("no backup written");
        return;
    }
    const QByteArray compressed = file.readAll();
    const QString database = QDir(benchFolder().path()).filePath(QStringLiteral("floor.sqlite3"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(database);
        state.ResumeTiming();
        const Result<QByteArray> inflated = gzipDecompressedData(compressed);
        const Result<QVariant> root = platform::readPropertyList(*inflated, 1 << 30);
        const QVariantMap entities = root->toMap().value(TDBackupEntitiesKey).toMap();
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(database).constData(), &db);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (auto entity = entities.cbegin(); entity != entities.cend(); ++entity) {
            const QVariantMap objects = entity.value().toMap();
            QStringList columns;
            for (const QVariant& form : objects)
                for (const QString& key : form.toMap().keys())
                    if (!columns.contains(key)) columns.append(key);
            QStringList quoted{QStringLiteral("\"uid\"")};
            for (const QString& column : columns) quoted.append(QLatin1Char('"') + column + QLatin1Char('"'));
            const QString table = QLatin1Char('"') + entity.key() + QLatin1Char('"');
            sqlite3_exec(db,
                         QStringLiteral("CREATE TABLE %1 (%2)")
                             .arg(table, quoted.join(QLatin1Char(',')))
                             .toUtf8()
                             .constData(),
                         nullptr, nullptr, nullptr);
            const QString insert =
                QStringLiteral("INSERT INTO %1 VALUES (%2)")
                    .arg(table, QStringList(quoted.size(), QStringLiteral("?")).join(QLatin1Char(',')));
            sqlite3_stmt* statement = nullptr;
            sqlite3_prepare_v2(db, insert.toUtf8().constData(), -1, &statement, nullptr);
            for (auto object = objects.cbegin(); object != objects.cend(); ++object) {
                const QByteArray uid = object.key().toUtf8();
                sqlite3_bind_text(statement, 1, uid.constData(), static_cast<int>(uid.size()),
                                  SQLITE_TRANSIENT);
                const QVariantMap form = object.value().toMap();
                for (int i = 0; i < columns.size(); ++i) {
                    const auto value = form.constFind(columns.at(i));
                    if (value == form.cend())
                        sqlite3_bind_null(statement, i + 2);
                    else
                        bindValue(statement, i + 2, *value);
                }
                sqlite3_step(statement);
                sqlite3_reset(statement);
            }
            sqlite3_finalize(statement);
        }
        if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            state.SkipWithError("commit failed");
        sqlite3_close(db);
    }
}
BENCHMARK(BM_InflateAndBulkInsertFloor)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
