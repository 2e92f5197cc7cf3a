#pragma once

#include "store/library_backup.h"
#include "store/library_operation.h"

#include <QString>

#include <atomic>

// Writes the library of a package as a backup file (library_backup.h), reading the store through a
// coordinator of its own, so it sees what was last saved and never locks the open library. The file
// is replaced whole or left as it was.
class TDPropertyListExportOperation final : public TDLibraryOperation {
public:
    TDPropertyListExportOperation(const QString& libraryPath, const QString& outputPath,
                                  TDBackupCompression compression = TDBackupCompression::None);

    QString exportPath() const { return m_exportPath; }
    // Whether the run wrote the file (read after it has finished).
    bool didExport() const { return m_exported.load(); }
    // Reads the store and writes; false when cancelled or failed (logged; a failed read is also shown
    // through the application delegate).
    bool exportLibrary(const QString& path);

protected:
    void main() override;

private:
    QString m_exportPath;
    TDBackupCompression m_compression;
    std::atomic<bool> m_exported{false};
};
