#include "model/starter_content.h"

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "platform/base/log.h"
#include "platform/plist/property_list.h"

QVariantMap TDStarterResource(const QString& name) {
    const Result<QVariant> read =
        platform::readPropertyListFile(QStringLiteral(":/starter/%1.plist").arg(name));
    if (!read || read->typeId() != QMetaType::QVariantMap) {
        logWithLevel(TDLogWarning, "WARNING", "Could not read starter resource %@: %@", name,
                     read ? QStringLiteral("not a dictionary") : read.error().description);
        return {};
    }
    return read->toMap();
}

TDList* TDCreateQuickGuideList(TDLibrary* library, TDGroup* parent) {
    const QVariantMap dictionary = TDStarterResource(QStringLiteral("quickguide"));
    TDList* list = library->createList(dictionary.value(QStringLiteral("title")).toString(), parent);
    for (const QVariant& task : dictionary.value(QStringLiteral("tasks")).toList()) {
        QVariantMap import = task.toMap();
        import.insert(QStringLiteral("index"), -1);
        library->createTaskFromImportDictionary(import, list);
    }
    return list;
}
