#include "sync/corvane_download_check.h"

#include "foundation/data_additions.h"
#include "model/group.h"
#include "model/library.h"
#include "model/library_object.h"
#include "model/task.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/object_model.h"
#include "sync/corvane_change_set.h"

#include <QJsonArray>

#include <cmath>
#include <functional>
#include <optional>

using platform::AttributeDescription;
using platform::AttributeType;
using platform::EntityDescription;

namespace {

const QString kContents = QStringLiteral("contents");
const QString kDeletedTime = QStringLiteral("deleted_time");
const QString kCompletedTime = QStringLiteral("completed_time");
const QString kParentGroup = QStringLiteral("parentGroup");
const QString kParentTask = QStringLiteral("parentTask");

bool isFiniteNumber(const QJsonValue& value) {
    return value.isDouble() && std::isfinite(value.toDouble());
}

bool isBase64(const QJsonValue& value) {
    return value.isString() && dataWithBase64EncodedStringStrict(value.toString()).ok();
}

bool isStringArray(const QJsonValue& value) {
    if (!value.isArray()) return false;
    for (const QJsonValue& element : value.toArray())
        if (!element.isString()) return false;
    return true;
}

QString where(const QString& entity, const QString& uid, const QString& key) {
    return QStringLiteral("\"%1\" of the %2 record \"%3\"").arg(key, entity, uid);
}

bool attributeValueFits(const AttributeDescription* attribute, const QJsonValue& value) {
    if (value.isNull()) return true;
    switch (attribute->type()) {
        case AttributeType::String:
            return value.isString();
        case AttributeType::Integer64:
            return isFiniteNumber(value) && std::trunc(value.toDouble()) == value.toDouble() &&
                   std::fabs(value.toDouble()) < 9.0e15;
        case AttributeType::Double:
        case AttributeType::Date:
            return isFiniteNumber(value);
        case AttributeType::Boolean:
            return value.isBool() || isFiniteNumber(value);
        case AttributeType::Binary:
        case AttributeType::Transformable:
            return isBase64(value);
    }
    return false;
}

Status checkContents(const EntityDescription* entity, const QString& uid, const QJsonObject& contents) {
    const QString& name = entity->name();
    for (auto it = contents.begin(); it != contents.end(); ++it) {
        const QString& key = it.key();
        const QJsonValue value = it.value();
        if (key == QLatin1String("uid")) {
            if (value.toString() != uid)
                return TDCorvaneMalformedAnswerError(where(name, uid, key) +
                                                     QStringLiteral(" is not its UID"));
            continue;
        }
        const platform::PropertyDescription* property = entity->property(key);
        if (!property) {
            // The archived rule of a smart folder travels beside the properties.
            if (key == QLatin1String("rule") && !value.isNull() && !isBase64(value))
                return TDCorvaneMalformedAnswerError(where(name, uid, key) +
                                                     QStringLiteral(" is not base64 text"));
            continue;
        }
        if (property->userInfoValue(TDExcludeFromSyncKey) == QLatin1String("YES")) continue;
        if (const AttributeDescription* attribute = property->asAttribute()) {
            if (!attributeValueFits(attribute, value))
                return TDCorvaneMalformedAnswerError(where(name, uid, key) +
                                                     QStringLiteral(" has the wrong type"));
            continue;
        }
        const platform::RelationshipDescription* relationship = property->asRelationship();
        bool fits = value.isNull() || (relationship->isToMany() ? isStringArray(value) : value.isString());
        // A task carries its recurrence whole.
        if (key == QLatin1String("recurrence")) fits = value.isNull() || value.isString() || value.isObject();
        if (!fits)
            return TDCorvaneMalformedAnswerError(where(name, uid, key) +
                                                 QStringLiteral(" has the wrong type"));
    }
    return {};
}

Status checkShapes(const ODLCorvaneChangeSet& changes, const platform::ObjectModel& model) {
    for (const QString& entityName : TDCorvaneSyncedEntityNames()) {
        const EntityDescription* entity = model.entity(entityName);
        const QMap<QString, QJsonObject>& records = changes.changes(entityName);
        for (auto it = records.cbegin(); it != records.cend(); ++it) {
            const QJsonObject& record = it.value();
            if (record.contains(kDeletedTime)) {
                const QJsonValue time = record.value(kDeletedTime);
                if (!isFiniteNumber(time) || time.toDouble() < 0)
                    return TDCorvaneMalformedAnswerError(where(entityName, it.key(), kDeletedTime) +
                                                         QStringLiteral(" is not a time"));
                continue;
            }
            if (!record.value(kContents).isObject())
                return TDCorvaneMalformedAnswerError(where(entityName, it.key(), kContents) +
                                                     QStringLiteral(" is not an object"));
            const QJsonValue completed = record.value(kCompletedTime);
            if (!completed.isUndefined() && !completed.isNull() && !isFiniteNumber(completed))
                return TDCorvaneMalformedAnswerError(where(entityName, it.key(), kCompletedTime) +
                                                     QStringLiteral(" is not a time"));
            if (const Status fits = checkContents(entity, it.key(), record.value(kContents).toObject());
                !fits)
                return fits;
        }
    }
    return {};
}

// Parents by UID as the download would leave them; an empty string for none.
using ParentMap = QHash<QString, QString>;

void applyRecordsToParents(ParentMap& parents, const QMap<QString, QJsonObject>& records,
                           const QString& key) {
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        if (it->contains(kDeletedTime)) {
            parents.remove(it.key());
            continue;
        }
        const QJsonValue parent = it->value(kContents).toObject().value(key);
        if (parent.isString())
            parents.insert(it.key(), parent.toString());
        else if (parent.isNull())
            parents.insert(it.key(), QString());
        else if (!parents.contains(it.key()))
            parents.insert(it.key(), QString());
    }
}

// Walks up from each downloaded object; chains already seen to end are not walked again.
Status checkNoCycles(const std::function<QString(const QString&)>& parentOf, const QStringList& starts,
                     const QString& what) {
    QSet<QString> endsWell;
    for (const QString& start : starts) {
        QSet<QString> path;
        QString uid = start;
        while (!uid.isEmpty() && !endsWell.contains(uid)) {
            if (path.contains(uid))
                return TDCorvaneMalformedAnswerError(
                    QStringLiteral("the %1 \"%2\" would be its own ancestor").arg(what, uid));
            path.insert(uid);
            uid = parentOf(uid);
        }
        endsWell.unite(path);
    }
    return {};
}

QString uidOf(const platform::ManagedObject* object) {
    return object ? object->primitiveValue(QStringLiteral("uid")).toString() : QString();
}

Status checkGroups(const ODLCorvaneChangeSet& changes, TDLibrary* library) {
    platform::FetchRequest request(QStringLiteral("Group"));
    const Result<QList<platform::ManagedObject*>> groups = library->managedObjectContext()->execute(request);
    if (!groups) return groups.error();
    ParentMap parents;
    QHash<QString, QString> specialParents;
    for (platform::ManagedObject* object : *groups) {
        const auto* group = static_cast<const TDGroup*>(object);
        const QString parent = uidOf(group->parentGroup());
        parents.insert(group->uid(), parent);
        if (group->isSpecial()) specialParents.insert(group->uid(), parent);
    }
    // A special group missing here (being repaired) is still special by its fixed UID.
    for (const QString& uid :
         {TDLibrary::RootGroupUID, TDLibrary::InboxFolderUID, TDLibrary::OrdellosFolderUID,
          TDLibrary::FoldersGroupUID, TDLibrary::ArchiveGroupUID, TDLibrary::TagsGroupUID,
          TDLibrary::InboxListUID, TDLibrary::TodayGroupUID, TDLibrary::UpcomingGroupUID})
        if (!specialParents.contains(uid)) specialParents.insert(uid, parents.value(uid));

    QStringList starts;
    for (const QString& entityName : TDCorvaneGroupEntityNames()) {
        const QMap<QString, QJsonObject>& records = changes.changes(entityName);
        for (auto it = records.cbegin(); it != records.cend(); ++it) {
            const auto special = specialParents.constFind(it.key());
            if (special == specialParents.cend()) continue;
            if (it->contains(kDeletedTime))
                return TDCorvaneMalformedAnswerError(
                    QStringLiteral("the special group \"%1\" would be deleted").arg(it.key()));
            const QJsonValue parent = it->value(kContents).toObject().value(kParentGroup);
            if ((parent.isString() && parent.toString() != *special) ||
                (parent.isNull() && !special->isEmpty()))
                return TDCorvaneMalformedAnswerError(
                    QStringLiteral("the special group \"%1\" would be moved").arg(it.key()));
        }
        applyRecordsToParents(parents, records, kParentGroup);
        starts << records.keys();
    }
    return checkNoCycles([&parents](const QString& uid) { return parents.value(uid); }, starts,
                         QStringLiteral("group"));
}

// The walk reads the parents of the tasks it passes only: from their records, else from the library.
Status checkTasks(const ODLCorvaneChangeSet& changes, TDLibrary* library) {
    const QMap<QString, QJsonObject>& records = changes.changedTasks();
    if (records.isEmpty()) return {};
    ParentMap downloaded;
    for (auto it = records.cbegin(); it != records.cend(); ++it) {
        const QJsonValue parent = it->value(kContents).toObject().value(kParentTask);
        if (it->contains(kDeletedTime) || parent.isNull())
            downloaded.insert(it.key(), QString());
        else if (parent.isString())
            downloaded.insert(it.key(), parent.toString());
    }
    platform::ManagedObjectContext* context = library->managedObjectContext();
    std::optional<TDError> failure;
    const auto parentOf = [&](const QString& uid) -> QString {
        if (const auto found = downloaded.constFind(uid); found != downloaded.cend()) return *found;
        const Result<QList<platform::ManagedObject*>> local =
            context->objectsWithIndexedValue(QStringLiteral("Task"), uid);
        if (!local) failure = local.error();
        return local && !local->isEmpty() ? uidOf(local->last()->object(kParentTask)) : QString();
    };
    const Status checked = checkNoCycles(parentOf, records.keys(), QStringLiteral("task"));
    if (failure) return *failure;
    return checked;
}

}  // namespace

const QStringList& TDCorvaneGroupEntityNames() {
    static const QStringList names{QStringLiteral("Folder"), QStringLiteral("List"),
                                   QStringLiteral("SmartFolder"), QStringLiteral("Tag")};
    return names;
}

Status TDCheckCorvaneDownload(const ODLCorvaneChangeSet& changes, TDLibrary* library) {
    if (const Status shapes = checkShapes(changes, library->managedObjectContext()->model()); !shapes)
        return shapes;
    if (const Status groups = checkGroups(changes, library); !groups) return groups;
    return checkTasks(changes, library);
}
