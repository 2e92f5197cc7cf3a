#include "store/library_load_operation.h"

#include "platform/base/log.h"
#include "platform/plist/property_list.h"

#include <QCoreApplication>

TDLibraryLoadOperation::TDLibraryLoadOperation(const QString& path, Handler handler)
    : m_path(path), m_handler(std::move(handler)) {
}

namespace {

Result<QVariantList> dictionaryList(const QVariantMap& root, const QString& key) {
    const QVariant value = root.value(key);
    if (!value.isValid()) return QVariantList();
    const auto malformed = [&key] {
        return platform::propertyListError(
            platform::TDPropertyListErrorMalformed,
            QStringLiteral("The task list's \"%1\" is not a list of dictionaries.").arg(key));
    };
    if (value.typeId() != QMetaType::QVariantList) return malformed();
    const QVariantList list = value.toList();
    for (const QVariant& entry : list)
        if (entry.typeId() != QMetaType::QVariantMap) return malformed();
    return list;
}

}  // namespace

Result<TDImportDictionaries> TDLibraryLoadOperation::readDictionaries(const QString& path) {
    const auto read = platform::readPropertyListFile(path, kMaxFileSize);
    if (!read.ok()) return read.error();
    if (read->typeId() != QMetaType::QVariantMap)
        return platform::propertyListError(platform::TDPropertyListErrorMalformed,
                                           QStringLiteral("The task list is not a dictionary."));
    const QVariantMap root = read->toMap();
    TDImportDictionaries dictionaries;
    for (auto [key, list] : {std::pair{QStringLiteral("groups"), &dictionaries.groups},
                             std::pair{QStringLiteral("tags"), &dictionaries.tags},
                             std::pair{QStringLiteral("tasks"), &dictionaries.tasks}}) {
        auto entries = dictionaryList(root, key);
        if (!entries.ok()) return entries.error();
        *list = *entries;
    }
    return dictionaries;
}

void TDLibraryLoadOperation::main() {
    logWithLevel(TDLogInfo, "INFO", "Loading libary in the background");
    const Result<TDImportDictionaries> result = readDictionaries(m_path);
    if (!result.ok())
        logWithLevel(TDLogError, "ERROR", "Problem loading library in background: %@",
                     result.error().detailedDescription());
    if (isCancelled() || !m_handler) return;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [handler = m_handler, result] { handler(result); },
        Qt::QueuedConnection);
}
