#include "tests/store/library_manager_fixture.h"

#include "model/library.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

namespace storetest {
namespace {

using LibraryFirstStartTest = LibraryManagerTest;

// What the next start does: open the library when its store is there, make one where nothing or only an
// interrupted creation stands, and leave anything else alone.
Result<TDLibrary*> startAgain(TDLibraryManager& manager) {
    if (manager.libraryExists()) return manager.loadLibrary();
    if (QFileInfo::exists(manager.libraryPath()) &&
        !TDLibraryManager::holdsOnlyAnInterruptedCreation(manager.libraryPath()))
        return TDError::make(TDErrorLibraryCannotOpen, QStringLiteral("the folder holds something else"));
    return manager.createLibrary();
}

TEST_F(LibraryFirstStartTest, AFirstStartKilledAtAnyPointLeavesALibraryThatOpensOrIsMadeAnew) {
    // How long a creation takes here, so that the kills spread over all of it.
    QElapsedTimer timer;
    timer.start();
    createLibrary();
    const qint64 creationMicroseconds = qMax<qint64>(timer.nsecsElapsed() / 1000, 2000);
    manager.reset();

    for (quint32 seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        ASSERT_TRUE(QDir(packagePath()).removeRecursively());
        QRandomGenerator random(seed);
        // One kill in three falls in the last third of the creation, before and while the store moves in.
        const qint64 from = seed % 3 == 0 ? creationMicroseconds * 2 / 3 : 0;
        const auto delay =
            static_cast<useconds_t>(from + random.bounded(creationMicroseconds * 3 / 2 - from));
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TDLibraryManager first(packagePath());
            TDLibraryManager::setSharedManager(&first);
            _exit(first.createLibrary().ok() ? 0 : 3);
        }
        usleep(delay);
        kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) != 0) << "the first start failed by itself";

        const auto next = startAgain(newManager());
        ASSERT_TRUE(next.ok()) << "killed after " << delay
                               << " us: " << next.error().detailedDescription().toStdString();
        EXPECT_NE((*next)->inboxGroup(), nullptr);
        manager.reset();
    }
}

void runOnStore(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

// Leaves the store's schema and bookkeeping and removes every object.
void removeEveryObject(const QString& path) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    sqlite3_stmt* tables = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db,
                                 "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT IN "
                                 "('metadata', 'entities')",
                                 -1, &tables, nullptr),
              SQLITE_OK);
    QList<QByteArray> names;
    while (sqlite3_step(tables) == SQLITE_ROW)
        names << QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(tables, 0)));
    sqlite3_finalize(tables);
    for (const QByteArray& name : names)
        ASSERT_EQ(sqlite3_exec(db, ("DELETE FROM \"" + name + "\"").constData(), nullptr, nullptr, nullptr),
                  SQLITE_OK);
    sqlite3_close(db);
}

TEST_F(LibraryFirstStartTest, AStoreLeftWithoutAnyObjectIsMadeAnew) {
    const QString store = QDir(packagePath()).filePath(QStringLiteral("library.sqlite3"));
    struct Leftover {
        const char* name;
        std::function<void()> make;
    };
    const QList<Leftover> leftovers{
        {"an empty file",
         [&] {
             QFile file(store);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         }},
        {"a store without tables", [&] { runOnStore(store, "PRAGMA journal_mode=WAL"); }},
        {"a store whose tables are empty",
         [&] {
             // The store of a start killed after its schema was made and before its first save.
             createLibrary();
             manager->closeDiscardingChanges();
             manager.reset();
             QFile::remove(QDir(packagePath()).filePath(QStringLiteral("Info.plist")));
             removeEveryObject(store);
         }},
    };
    for (const Leftover& leftover : leftovers) {
        SCOPED_TRACE(leftover.name);
        ASSERT_TRUE(QDir(packagePath()).removeRecursively());
        ASSERT_TRUE(QDir().mkpath(packagePath()));
        leftover.make();
        const auto opened = newManager().loadLibrary();
        ASSERT_TRUE(opened.ok()) << opened.error().detailedDescription().toStdString();
        EXPECT_NE((*opened)->inboxGroup(), nullptr);
        manager.reset();
        EXPECT_TRUE(newManager().loadLibrary().ok());
        manager.reset();
    }
}

TEST_F(LibraryFirstStartTest, AnEmptyStoreWithAnInfoFileIsNotTakenForANewOne) {
    // Info.plist says the library was saved: an empty store then lost something and is reported.
    createLibrary();
    manager->closeDiscardingChanges();
    manager.reset();
    const QString store = QDir(packagePath()).filePath(QStringLiteral("library.sqlite3"));
    removeEveryObject(store);
    const auto opened = newManager().loadLibrary();
    ASSERT_FALSE(opened.ok());
    EXPECT_TRUE(opened.error().recoverySuggestion.contains(QStringLiteral("corrupted or invalid")));
}

TEST_F(LibraryFirstStartTest, ACreationLeavesNoTemporaryFolderBehind) {
    // As a killed build would have left it.
    ASSERT_TRUE(QDir().mkpath(QDir(packagePath()).filePath(QStringLiteral(".new-library-abc123"))));
    createLibrary();
    const QStringList hidden =
        QDir(packagePath()).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString& name : hidden)
        EXPECT_FALSE(name.startsWith(QStringLiteral(".new-library-"))) << name.toStdString();
}

}  // namespace
}  // namespace storetest
