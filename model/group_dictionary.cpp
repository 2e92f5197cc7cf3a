// The copy form of groups, with their whole tree.

#include "model/group.h"

#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/base/log.h"

#include <algorithm>

namespace {

const QString kTasksKey = QStringLiteral("tasks");
const QString kSubgroupsKey = QStringLiteral("subgroups");
const QString kTypeKey = QStringLiteral("type");

bool isDictionary(const QVariant& value) {
    return value.metaType().id() == QMetaType::QVariantMap;
}

// The nested forms of a to-many entry; the generic update keeps the rest, or does not see the key
// when it held nested forms only (so that the group's other members stay).
QList<QVariantMap> takeNestedForms(QVariantMap& generic, const QString& key) {
    QList<QVariantMap> forms;
    const QVariant entry = generic.value(key);
    if (entry.metaType().id() != QMetaType::QVariantList) return forms;
    QVariantList rest;
    for (const QVariant& element : entry.toList()) {
        if (isDictionary(element))
            forms.append(element.toMap());
        else
            rest.append(element);
    }
    if (!forms.isEmpty() && rest.isEmpty())
        generic.remove(key);
    else
        generic.insert(key, rest);
    return forms;
}

}  // namespace

QVariantMap TDGroup::propertyListRepresentationForCopying() const {
    QVariantMap plist = TDLibraryObject::propertyListRepresentationForCopying();
    if (!isSmartFolder() && entity()->relationship(kTasksKey)) {
        QList<TDTask*> tasks;
        for (platform::ManagedObject* member : objects(kTasksKey))
            if (auto* task = TDTask::from(member)) tasks.append(task);
        std::stable_sort(tasks.begin(), tasks.end(), [](const TDTask* a, const TDTask* b) {
            return a->displayOrder() < b->displayOrder();
        });
        QVariantList forms;
        for (const TDTask* task : tasks) forms.append(task->propertyListRepresentationForCopying());
        if (!forms.isEmpty()) plist.insert(kTasksKey, forms);
    }
    if (!isList()) {
        QVariantList forms;
        for (TDGroup* subgroup : const_cast<TDGroup*>(this)->orderedSubgroups()->objectsAs<TDGroup>())
            forms.append(subgroup->propertyListRepresentationForCopying());
        if (!forms.isEmpty()) {
            plist.insert(kSubgroupsKey, forms);
            plist.insert(kTypeKey, QStringLiteral("folder"));
        }
    }
    if (!isSpecial()) plist.remove(QStringLiteral("special"));
    return plist;
}

Status TDGroup::updateFromPropertyListRepresentation(const QVariantMap& dictionary) {
    QVariantMap generic = dictionary;
    QList<QVariantMap> taskForms = takeNestedForms(generic, kTasksKey);
    // Folders hold no tasks.
    if (!orderedTasks()) taskForms.clear();
    const QList<QVariantMap> subgroupForms = takeNestedForms(generic, kSubgroupsKey);
    Result<TDPropertyListUpdate> update = p_propertyListUpdate(generic);
    if (!update) return update.error();
    if (taskForms.isEmpty() && subgroupForms.isEmpty()) {
        p_applyPropertyListUpdate(*update);
        return {};
    }

    TDLibrary* owner = library();
    if (!owner)
        return TDError::make(TDDictionaryRepresentationErrorMalformed,
                             QStringLiteral("Nested forms of a group need a library."));
    QList<TDLibraryObject*> created;
    const auto discard = [&created] {
        for (TDLibraryObject* object : created) object->deleteObject();
    };
    QList<TDTask*> tasks;
    for (const QVariantMap& form : taskForms) {
        Result<TDLibraryObject*> task = owner->createEntityNamed(QStringLiteral("Task"), form);
        if (!task) {
            discard();
            return task.error();
        }
        created.append(*task);
        tasks.append(static_cast<TDTask*>(*task));
    }
    QList<TDGroup*> subgroups;
    for (const QVariantMap& form : subgroupForms) {
        const QString entityName = entityNameFromType(form.value(kTypeKey).toString());
        if (entityName.isEmpty()) {
            logWithLevel(TDLogError, "ERROR", "Unknown group type, skipping copy");
            continue;
        }
        Result<TDLibraryObject*> group = owner->createEntityNamed(entityName, form);
        if (!group) {
            discard();
            return group.error();
        }
        created.append(*group);
        subgroups.append(static_cast<TDGroup*>(*group));
    }

    p_applyPropertyListUpdate(*update);
    for (TDTask* task : tasks) (void)orderedTasks()->addObject(task);  // the collection logs a refusal
    // The collection logs a refusal.
    for (TDGroup* subgroup : subgroups) (void)orderedSubgroups()->addObject(subgroup);
    return {};
}
