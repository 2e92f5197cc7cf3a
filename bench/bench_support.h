#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <random>

class TDLibrary;
class TDManagedObjectContext;
namespace platform {
class PersistentStoreCoordinator;
class UndoManager;
class UserDefaults;
}  // namespace platform

// A made-up but word-like word of two or three syllables.
QString benchSyllableWord(std::mt19937& random);

// A library package with n tasks in one list, written once per size into a folder that lasts as long
// as the benchmark run; empty when it could not be made. Benchmarks that open it may change it.
QString benchLibraryPackageWithTasks(int n);

class TDLibraryManager;

// How far the resident memory of the process rose above where it stood at construction, at its
// highest, in MiB. The kernel's high-water mark is reset at construction; where it cannot be, the
// process's lifetime peak is used, which hides rises below an earlier peak.
class BenchPeakMemory {
public:
    BenchPeakMemory();
    double growthMiB() const;

private:
    qint64 m_startKiB = 0;
    bool m_reset = false;
};

// That package opened by a library manager, which is the shared one while this lives.
class BenchOpenLibrary {
public:
    explicit BenchOpenLibrary(int taskCount);
    ~BenchOpenLibrary();
    BenchOpenLibrary(const BenchOpenLibrary&) = delete;
    BenchOpenLibrary& operator=(const BenchOpenLibrary&) = delete;

    bool isOpen() const { return m_open; }
    TDLibraryManager& manager() { return *m_manager; }

private:
    std::unique_ptr<TDLibraryManager> m_manager;
    bool m_open = false;
};

// That package opened with its autosave put off, and `groups` groups added without undo: folders named
// "Area N", each followed by up to `listsPerFolder` lists named "Project N Review", where N counts the
// groups made so far (folders too with FoldersAndLists). Its changes are discarded at the end.
class BenchManyListsLibrary {
public:
    enum class Counting { ListsOnly, FoldersAndLists };
    BenchManyListsLibrary(int taskCount, int groups, int listsPerFolder, Counting counting);
    ~BenchManyListsLibrary();
    BenchManyListsLibrary(const BenchManyListsLibrary&) = delete;
    BenchManyListsLibrary& operator=(const BenchManyListsLibrary&) = delete;

    bool isOpen() const { return m_open->isOpen(); }
    TDLibraryManager& manager() { return m_open->manager(); }

private:
    std::unique_ptr<BenchOpenLibrary> m_open;
};

// A new library in a temporary folder with settings of its own, for benchmarks that build their content
// in memory. open() makes the store and the starter content, the context creating a library (the
// builder ends that); with an undo manager, nothing of it is recorded.
struct BenchNewLibrary {
    QTemporaryDir folder;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<platform::PersistentStoreCoordinator> coordinator;
    std::unique_ptr<TDManagedObjectContext> context;
    TDLibrary* library = nullptr;

    BenchNewLibrary();
    // A builder whose context refers to things of its own (an undo manager) resets `context` first.
    ~BenchNewLibrary();
    bool open(platform::UndoManager* undo = nullptr);
};
