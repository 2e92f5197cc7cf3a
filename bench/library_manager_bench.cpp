// The library manager on a large library: one edit saved the way autosave saves it, and opening the
// package until the library is usable. Their baselines are the bare SQLite benchmarks of the object store.
#include "model/library.h"
#include "model/library_model.h"
#include "model/managed_object_context.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "store/library_manager.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// A package with n tasks in one list, written once per size.
QString packageWithTasks(int n) {
    static QTemporaryDir folder;
    static QMap<int, QString> paths;
    if (paths.contains(n)) return paths.value(n);
    const QString package = QDir(folder.path()).filePath(QStringLiteral("Library %1.odllibrary").arg(n));
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
        task->setValue(QStringLiteral("title"),
                       QStringLiteral("Task number %1 with a title of usual length").arg(i));
        task->setValue(QStringLiteral("priority"), i % 10);
        task->setObject(QStringLiteral("parentList"), list);
    }
    if (!context.save().ok()) return {};
    paths.insert(n, package);
    return package;
}

void BM_AutosaveOneChange(benchmark::State& state) {
    const QString package = packageWithTasks(static_cast<int>(state.range(0)));
    TDLibraryManager manager(package);
    TDLibraryManager::setSharedManager(&manager);
    if (package.isEmpty() || !manager.loadLibrary().ok()) {
        TDLibraryManager::setSharedManager(nullptr);
        state.SkipWithError("could not open the library");
        return;
    }
    const auto tasks =
        manager.managedObjectContext()->execute(platform::FetchRequest(QStringLiteral("Task")));
    platform::ManagedObject* task = tasks->at(tasks->size() / 2);
    int i = 0;
    for (auto _ : state) {
        task->setValue(QStringLiteral("title"), QStringLiteral("edited %1").arg(++i));
        manager.managedObjectContext()->processPendingChanges();
        if (!manager.saveLibrary()) state.SkipWithError("save failed");
    }
    TDLibraryManager::setSharedManager(nullptr);
}
BENCHMARK(BM_AutosaveOneChange)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_OpenLibrary(benchmark::State& state) {
    const QString package = packageWithTasks(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto manager = std::make_unique<TDLibraryManager>(package);
        if (package.isEmpty() || !manager->loadLibrary().ok())
            state.SkipWithError("could not open the library");
        state.PauseTiming();
        manager.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenLibrary)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
