#pragma once

#include <QString>

#include <memory>

// A library package with n tasks in one list, written once per size into a folder that lasts as long
// as the benchmark run; empty when it could not be made. Benchmarks that open it may change it.
QString benchLibraryPackageWithTasks(int n);

class TDLibraryManager;

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
