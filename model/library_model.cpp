#include "model/library_model.h"

#include "model/folder.h"
#include "model/library.h"
#include "model/list.h"
#include "model/property_list_value_transformer.h"
#include "model/rule_archive_value_transformer.h"
#include "model/sync_set.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/objectstore/managed_object_class.h"
#include "platform/objectstore/object_model.h"
#include "platform/transformers/value_transformer.h"

#include <mutex>

void TDRegisterLibraryModelClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        platform::registerManagedObjectClass<TDLibrary>(QStringLiteral("TDLibrary"));
        platform::registerManagedObjectClass<TDSyncSet>(QStringLiteral("TDSyncSet"));
        platform::registerManagedObjectClass<TDSyncSetItem>(QStringLiteral("TDSyncSetItem"));
        platform::registerManagedObjectClass<TDGroup>(QStringLiteral("TDGroup"));
        platform::registerManagedObjectClass<TDFolder>(QStringLiteral("TDFolder"));
        platform::registerManagedObjectClass<TDList>(QStringLiteral("TDList"));
        platform::registerManagedObjectClass<TDTag>(QStringLiteral("TDTag"));
        // Smart folders are plain groups until they have rules of their own.
        platform::registerManagedObjectClass<TDGroup>(QStringLiteral("TDSmartFolder"));
        platform::registerManagedObjectClass<TDTask>(
            QStringLiteral("TDTask"),
            {{QStringLiteral("completed"), {QStringLiteral("status")}},
             {QStringLiteral("incomplete"), {QStringLiteral("status")}},
             {QStringLiteral("canceled"), {QStringLiteral("completedDate"), QStringLiteral("status")}},
             {QStringLiteral("recurring"), {QStringLiteral("recurrence")}},
             {QStringLiteral("estimatedTimeNumber"), {QStringLiteral("estimatedTime")}}});
        // Entities whose own classes come later still stamp, journal and get their UIDs.
        for (const char* name : {"TDSmartFolderRule", "TDTaskNotes", "TDRecurrence"})
            platform::registerManagedObjectClass<TDLibraryObject>(QString::fromLatin1(name));
        platform::setValueTransformer(TDPropertyListValueTransformerName,
                                      std::make_shared<TDPropertyListValueTransformer>());
        platform::setValueTransformer(TDRuleArchiveValueTransformerName,
                                      std::make_shared<TDRuleArchiveValueTransformer>());
    });
}

Result<std::shared_ptr<const platform::ObjectModel>> TDLibraryObjectModel() {
    TDRegisterLibraryModelClasses();
    static const Result<std::shared_ptr<const platform::ObjectModel>> model =
        platform::ObjectModel::fromFile(QStringLiteral(":/model/Library 1.000.json"));
    return model;
}
