#include "model/library_model.h"

#include "model/library.h"
#include "model/property_list_value_transformer.h"
#include "model/rule_archive_value_transformer.h"
#include "model/sync_set.h"
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
        // Entities whose own classes come later still stamp, journal and get their UIDs.
        for (const char* name : {"TDGroup", "TDFolder", "TDList", "TDSmartFolder", "TDTag", "TDSmartFolderRule",
                                 "TDTask", "TDTaskNotes", "TDRecurrence"})
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
