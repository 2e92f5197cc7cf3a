#include "bench/bench_support.h"

#include "foundation/default_settings.h"
#include "model/folder.h"
#include "model/library.h"
#include "model/library_model.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <malloc.h>
#include <sys/resource.h>

namespace {

// A "Name:   1234 kB" line of /proc/self/status, in KiB; 0 when missing.
qint64 statusKiB(const char* name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    const QByteArray prefix = QByteArray(name) + ':';
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

qint64 lifetimePeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

BenchPeakMemory::BenchPeakMemory() {
    // Freed memory the allocator still holds would otherwise hide part of the rise.
    malloc_trim(0);
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    m_reset = clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
    clearRefs.close();
    m_startKiB = m_reset ? statusKiB("VmRSS") : lifetimePeakKiB();
}

double BenchPeakMemory::growthMiB() const {
    const qint64 peak = m_reset ? statusKiB("VmHWM") : lifetimePeakKiB();
    return double(std::max<qint64>(peak - m_startKiB, 0)) / 1024.0;
}

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
    // Written as a new library's content is, with no open library to note the changed tasks in.
    context.setCreatingLibrary(true);
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

BenchOpenLibrary::BenchOpenLibrary(int taskCount) {
    const QString package = benchLibraryPackageWithTasks(taskCount);
    m_manager = std::make_unique<TDLibraryManager>(package);
    TDLibraryManager::setSharedManager(m_manager.get());
    m_open = !package.isEmpty() && m_manager->loadLibrary().ok();
}

BenchOpenLibrary::~BenchOpenLibrary() {
    TDLibraryManager::setSharedManager(nullptr);
}

BenchManyListsLibrary::BenchManyListsLibrary(int taskCount, int groups, int listsPerFolder,
                                             Counting counting) {
    // No save in the middle of a measurement.
    platform::UserDefaults::standard().setValue(QStringLiteral("libraryAutosaveDelay"), 24 * 60 * 60);
    m_open = std::make_unique<BenchOpenLibrary>(taskCount);
    if (!isOpen()) return;
    TDLibrary* library = manager().library();
    manager().undoManager()->disableUndoRegistration();
    for (int made = 0; made < groups;) {
        TDFolder* folder =
            library->createFolder(QStringLiteral("Area %1").arg(made), library->foldersGroup());
        if (counting == Counting::FoldersAndLists) ++made;
        for (int i = 0; i < listsPerFolder && made < groups; ++i, ++made)
            library->createList(QStringLiteral("Project %1 Review").arg(made), folder);
    }
    QCoreApplication::processEvents();
    manager().undoManager()->enableUndoRegistration();
}

BenchManyListsLibrary::~BenchManyListsLibrary() {
    if (isOpen()) manager().closeDiscardingChanges();
}

QString benchSyllableWord(std::mt19937& random) {
    static const char* const syllables[] = {"ka",  "lo",  "mi",  "ne",  "ru",  "sa",  "te",
                                            "vo",  "zi",  "pa",  "dor", "fen", "gil", "har",
                                            "jun", "mar", "nos", "pel", "tor", "wen"};
    QString word;
    const int count = 2 + static_cast<int>(random() % 2);
    for (int i = 0; i < count; ++i) word += QString::fromLatin1(syllables[random() % std::size(syllables)]);
    return word;
}

BenchNewLibrary::BenchNewLibrary() = default;

BenchNewLibrary::~BenchNewLibrary() {
    context.reset();
    platform::UserDefaults::setStandard(nullptr);
}

bool BenchNewLibrary::open(platform::UndoManager* undo) {
    defaults = std::make_unique<platform::UserDefaults>(folder.path() + QStringLiteral("/Ordello.conf"));
    registerDefaultSettings(*defaults);
    platform::UserDefaults::setStandard(defaults.get());
    coordinator = std::make_unique<platform::PersistentStoreCoordinator>(*TDLibraryObjectModel());
    if (!coordinator->openStore(folder.path() + QStringLiteral("/library.sqlite3")).ok()) return false;
    context = std::make_unique<TDManagedObjectContext>(coordinator.get());
    if (undo) {
        context->setUndoManager(undo);
        undo->disableUndoRegistration();
    }
    context->setCreatingLibrary(true);
    library = context->insertObject<TDLibrary>(QStringLiteral("Library"));
    context->setLibrary(library);
    library->createObjectsForNewLibrary();
    return true;
}
