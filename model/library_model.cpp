#include "model/library_model.h"

#include "model/library.h"
#include "model/property_list_value_transformer.h"
#include "model/recurrence.h"
#include "model/recurrence_rule_archive_value_transformer.h"
#include "model/recurrence_rule_archiving.h"
#include "model/sync_set.h"
#include "model/task_notes.h"
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
        platform::registerManagedObjectClass<TDRecurrence>(QStringLiteral("TDRecurrence"));
        platform::registerManagedObjectClass<TDTaskNotes>(QStringLiteral("TDTaskNotes"));
        // Entities whose own classes come later still stamp, journal and get their UIDs.
        for (const char* name :
             {"TDGroup", "TDFolder", "TDList", "TDSmartFolder", "TDTag", "TDSmartFolderRule", "TDTask"})
            platform::registerManagedObjectClass<TDLibraryObject>(QString::fromLatin1(name));
        platform::setValueTransformer(TDPropertyListValueTransformerName,
                                      std::make_shared<TDPropertyListValueTransformer>());
        TDRegisterRecurrenceRuleArchiveClasses();
        platform::setValueTransformer(TDRecurrenceRuleArchiveValueTransformerName,
                                      std::make_shared<TDRecurrenceRuleArchiveValueTransformer>());
    });
}

Result<std::shared_ptr<const platform::ObjectModel>> TDLibraryObjectModel() {
    TDRegisterLibraryModelClasses();
    static const Result<std::shared_ptr<const platform::ObjectModel>> model =
        platform::ObjectModel::fromFile(QStringLiteral(":/model/Library 1.000.json"));
    return model;
}
