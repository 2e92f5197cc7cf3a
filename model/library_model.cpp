#include "model/library_model.h"

#include "model/folder.h"
#include "model/library.h"
#include "model/list.h"
#include "model/property_list_value_transformer.h"
#include "model/recurrence.h"
#include "model/recurrence_rule_archive_value_transformer.h"
#include "model/recurrence_rule_archiving.h"
#include "model/rule_archive_value_transformer.h"
#include "model/smart_folder.h"
#include "model/sync_set.h"
#include "model/tag.h"
#include "model/task.h"
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
        const QHash<QString, QStringList> groupDependencies{
            {QStringLiteral("totalEstimatedTimeSummary"),
             {QStringLiteral("totalEstimatedTime"), QStringLiteral("totalEstimatedTimeComprehensive")}},
            {QStringLiteral("localizedTitle"), {QStringLiteral("title")}}};
        platform::registerManagedObjectClass<TDGroup>(QStringLiteral("TDGroup"), groupDependencies);
        platform::registerManagedObjectClass<TDFolder>(QStringLiteral("TDFolder"), groupDependencies);
        platform::registerManagedObjectClass<TDList>(QStringLiteral("TDList"), groupDependencies);
        platform::registerManagedObjectClass<TDTag>(QStringLiteral("TDTag"), groupDependencies);
        platform::registerManagedObjectClass<TDSmartFolder>(QStringLiteral("TDSmartFolder"),
                                                            groupDependencies);
        const QString status = QStringLiteral("status");
        const QString completedDate = QStringLiteral("completedDate");
        platform::registerManagedObjectClass<TDTask>(
            QStringLiteral("TDTask"),
            {{QStringLiteral("completed"), {status}},
             {QStringLiteral("incomplete"), {status}},
             {QStringLiteral("canceled"), {completedDate, status}},
             {QStringLiteral("recurring"), {QStringLiteral("recurrence")}},
             {QStringLiteral("estimatedTimeNumber"), {QStringLiteral("estimatedTime")}},
             {QStringLiteral("totalEstimatedTimeDisplayNumber"),
              {completedDate, QStringLiteral("estimatedTime"), QStringLiteral("totalEstimatedTime")}},
             {QStringLiteral("totalEstimatedTimeDisplayString"),
              {completedDate, QStringLiteral("estimatedTime"), QStringLiteral("totalEstimatedTime"),
               QStringLiteral("totalEstimatedTimeComprehensive")}},
             {QStringLiteral("dueState"), {QStringLiteral("dueDate"), completedDate}},
             {QStringLiteral("checkboxState"),
              {status, QStringLiteral("dueDate"), QStringLiteral("recurrence")}}});
        platform::registerManagedObjectClass<TDRecurrence>(QStringLiteral("TDRecurrence"));
        platform::registerManagedObjectClass<TDTaskNotes>(QStringLiteral("TDTaskNotes"));
        // Entities whose own classes come later still stamp, journal and get their UIDs.
        platform::registerManagedObjectClass<TDLibraryObject>(QStringLiteral("TDSmartFolderRule"));
        platform::setValueTransformer(TDPropertyListValueTransformerName,
                                      std::make_shared<TDPropertyListValueTransformer>());
        platform::setValueTransformer(TDRuleArchiveValueTransformerName,
                                      std::make_shared<TDRuleArchiveValueTransformer>());
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
