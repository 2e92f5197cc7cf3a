#include "bench/bench_library_package.h"

#include "model/library_model.h"
#include "model/managed_object_context.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "store/library_manager.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>

QString benchLibraryPackageWithTasks(int n) {
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
        task->setValue(QStringLiteral("title"), QStringLiteral("Task number %1 with a title of usual length").arg(i));
        task->setValue(QStringLiteral("priority"), i % 10);
        task->setObject(QStringLiteral("parentList"), list);
    }
    if (!context.save().ok()) return {};
    paths.insert(n, package);
    return package;
}

BenchOpenLibrary::BenchOpenLibrary(int taskCount) {
    const QString package = benchLibraryPackageWithTasks(taskCount);
    m_manager = std::make_unique<TDLibraryManager>(package);
    TDLibraryManager::setSharedManager(m_manager.get());
    m_open = !package.isEmpty() && m_manager->loadLibrary().ok();
}

BenchOpenLibrary::~BenchOpenLibrary() {
    TDLibraryManager::setSharedManager(nullptr);
}
