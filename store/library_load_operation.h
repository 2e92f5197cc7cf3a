#pragma once

#include "platform/base/error.h"
#include "platform/operations/operation.h"

#include <QString>
#include <QVariantList>

#include <functional>

// Lists of group, tag and task dictionaries read from a task-list file, ready for TDImporter.
struct TDImportDictionaries {
    QVariantList groups;
    QVariantList tags;
    QVariantList tasks;
};

// Reads and parses a task-list file off the main thread and hands the dictionaries to the main thread,
// where an importer turns them into objects of the open library: nothing here touches a context.
// The file is a property list whose root dictionary may hold "groups", "tags" and "tasks", each a
// list of dictionaries.
class TDLibraryLoadOperation final : public platform::Operation {
public:
    // Files larger than this are refused unread.
    static constexpr qsizetype kMaxFileSize = 64 * 1024 * 1024;

    using Handler = std::function<void(const Result<TDImportDictionaries>&)>;

    // `handler` runs on the main thread once the file is read, with the dictionaries or the error.
    TDLibraryLoadOperation(const QString& path, Handler handler);

    static Result<TDImportDictionaries> readDictionaries(const QString& path);

protected:
    void main() override;

private:
    QString m_path;
    Handler m_handler;
};
