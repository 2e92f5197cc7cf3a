// The object store against raw SQLite on the same file: saving one change, and opening a whole store.
#include "platform/notifications/notification_center.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/object_model.h"
#include "platform/objectstore/persistent_store_coordinator.h"

#include <QDateTime>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>

namespace {

using namespace platform;

std::shared_ptr<const ObjectModel> benchModel() {
    static std::shared_ptr<const ObjectModel> model = [] {
        auto result =
            ObjectModel::fromFile(QStringLiteral(ORDELLO_TEST_DATA_DIR "/objectstore/test_model.json"));
        return result.ok() ? *result : nullptr;
    }();
    return model;
}

// A store of n tasks: lists of top-level tasks with subtasks, some tags, written once per size.
QString storeWithTasks(int n) {
    static QTemporaryDir folder;
    static QMap<int, QString> paths;
    if (paths.contains(n)) return paths.value(n);
    const QString path = folder.path() + QStringLiteral("/tasks-%1.sqlite3").arg(n);
    PersistentStoreCoordinator coordinator(benchModel());
    if (!coordinator.openStore(path).ok()) return {};
    ManagedObjectContext context(&coordinator);
    ManagedObject* library = context.insertObject(QStringLiteral("Library"));
    library->setValue(QStringLiteral("uid"), QStringLiteral("LIBRARY"));
    QList<ManagedObject*> lists, tags;
    for (int i = 0; i < 50; ++i) {
        lists << context.insertObject(QStringLiteral("List"));
        lists.last()->setValue(QStringLiteral("title"), QStringLiteral("List %1").arg(i));
    }
    for (int i = 0; i < 20; ++i) {
        tags << context.insertObject(QStringLiteral("Tag"));
        tags.last()->setValue(QStringLiteral("title"), QStringLiteral("tag%1").arg(i));
    }
    const QDateTime start(QDate(2026, 1, 1), QTime(9, 0));
    ManagedObject* parent = nullptr;
    for (int i = 0; i < n; ++i) {
        ManagedObject* task = context.insertObject(QStringLiteral("Task"));
        task->setValue(QStringLiteral("uid"),
                       QStringLiteral("%1").arg(i, 16, 16, QLatin1Char('0')).toUpper());
        task->setValue(QStringLiteral("title"),
                       QStringLiteral("Task number %1 with a title of usual length").arg(i));
        task->setValue(QStringLiteral("priority"), i % 10);
        task->setValue(QStringLiteral("estimatedTime"), 900.0 * (i % 7));
        if (i % 3 == 0) task->setValue(QStringLiteral("dueDate"), start.addSecs(3600LL * i));
        if (i % 4 == 0) task->setValue(QStringLiteral("status"), QStringLiteral("C"));
        if (i % 5 == 0 || !parent) {
            task->setObject(QStringLiteral("parentList"), lists[i % lists.size()]);
            parent = task;
        } else {
            task->setObject(QStringLiteral("parentTask"), parent);
        }
        if (i % 10 == 0) task->addObject(QStringLiteral("tags"), tags[i % tags.size()]);
    }
    if (!context.save().ok()) return {};
    paths.insert(n, path);
    return path;
}

void BM_BareSqliteUpdateCommit(benchmark::State& state) {
    const QString path = storeWithTasks(static_cast<int>(state.range(0)));
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_stmt* update = nullptr;
    sqlite3_prepare_v2(db, "UPDATE t_Task SET title = ? WHERE pk = ?", -1, &update, nullptr);
    const qint64 key = state.range(0) / 2;
    int i = 0;
    for (auto _ : state) {
        const QByteArray title = QStringLiteral("bare %1").arg(++i).toUtf8();
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        sqlite3_bind_text(update, 1, title.constData(), static_cast<int>(title.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(update, 2, key);
        sqlite3_step(update);
        sqlite3_reset(update);
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    sqlite3_finalize(update);
    sqlite3_close(db);
}
BENCHMARK(BM_BareSqliteUpdateCommit)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_SaveOneChange(benchmark::State& state) {
    const QString path = storeWithTasks(static_cast<int>(state.range(0)));
    PersistentStoreCoordinator coordinator(benchModel());
    if (!coordinator.openStore(path).ok()) {
        state.SkipWithError("could not open the store");
        return;
    }
    ManagedObjectContext context(&coordinator);
    if (!context.loadAllObjects().ok()) {
        state.SkipWithError("could not load the store");
        return;
    }
    auto tasks = context.execute(FetchRequest(QStringLiteral("Task")));
    ManagedObject* task = tasks->at(tasks->size() / 2);
    int i = 0;
    for (auto _ : state) {
        task->setValue(QStringLiteral("title"), QStringLiteral("saved %1").arg(++i));
        if (!context.save().ok()) state.SkipWithError("save failed");
    }
}
BENCHMARK(BM_SaveOneChange)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_OpenStore(benchmark::State& state) {
    const QString path = storeWithTasks(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto coordinator = std::make_unique<PersistentStoreCoordinator>(benchModel());
        auto context = std::make_unique<ManagedObjectContext>(coordinator.get());
        if (!coordinator->openStore(path).ok() || !context->loadAllObjects().ok())
            state.SkipWithError("could not open");
        state.PauseTiming();
        context.reset();
        coordinator.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenStore)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_BareSqliteReadAll(benchmark::State& state) {
    const QString path = storeWithTasks(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        qint64 sink = 0;
        for (const char* table :
             {"t_Library", "t_Group", "t_Task", "t_TaskNotes", "t_SyncSet", "t_SyncSetItem", "j_Tag_tasks"}) {
            sqlite3_stmt* select = nullptr;
            sqlite3_prepare_v2(db, QByteArray("SELECT * FROM ").append(table).constData(), -1, &select,
                               nullptr);
            const int columns = sqlite3_column_count(select);
            while (sqlite3_step(select) == SQLITE_ROW) {
                for (int c = 0; c < columns; ++c) {
                    switch (sqlite3_column_type(select, c)) {
                        case SQLITE_INTEGER:
                            sink += sqlite3_column_int64(select, c);
                            break;
                        case SQLITE_FLOAT:
                            sink += static_cast<qint64>(sqlite3_column_double(select, c));
                            break;
                        case SQLITE_TEXT:
                            sink +=
                                sqlite3_column_bytes(select, c) + (sqlite3_column_text(select, c) != nullptr);
                            break;
                        case SQLITE_BLOB:
                            sink +=
                                sqlite3_column_bytes(select, c) + (sqlite3_column_blob(select, c) != nullptr);
                            break;
                        default:
                            break;
                    }
                }
            }
            sqlite3_finalize(select);
        }
        sqlite3_close(db);
        benchmark::DoNotOptimize(sink);
    }
}
BENCHMARK(BM_BareSqliteReadAll)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// A context on another thread changes n tasks and saves; the main context merges the save.
void BM_MergeBackgroundSave(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const QString path = storeWithTasks(n);
    PersistentStoreCoordinator coordinator(benchModel());
    if (!coordinator.openStore(path).ok()) {
        state.SkipWithError("could not open the store");
        return;
    }
    ManagedObjectContext main(&coordinator);
    ManagedObjectContext background(&coordinator);
    if (!main.loadAllObjects().ok() || !background.loadAllObjects().ok()) {
        state.SkipWithError("could not load the store");
        return;
    }
    auto tasks = background.execute(FetchRequest(QStringLiteral("Task")));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        for (ManagedObject* task : *tasks) task->setValue(QStringLiteral("priority"), qint64(round % 10));
        QVariantMap saved;
        QObject owner;
        NotificationCenter::defaultCenter().addObserver(
            &owner, ManagedObjectContextDidSaveNotification, &background,
            [&saved](const Notification& n) { saved = n.userInfo; });
        state.ResumeTiming();
        if (!background.save().ok()) state.SkipWithError("save failed");
        main.mergeChangesFromContextDidSave(
            Notification{ManagedObjectContextDidSaveNotification, &background, saved});
    }
}
BENCHMARK(BM_MergeBackgroundSave)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
