#include "model/aggregates.h"

#include "model/entity_properties.h"

#include "platform/objectstore/managed_object.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/undo/undo_manager.h"

namespace {

const QString kActionCount = QStringLiteral("actionCount");
const QString kTaskCount = QStringLiteral("taskCount");
const QString kTotal = QStringLiteral("totalEstimatedTime");
const QString kComprehensive = QStringLiteral("totalEstimatedTimeComprehensive");
const QString kStart = QStringLiteral("earliestStartDate");
const QString kDue = QStringLiteral("earliestDueDate");

QVariant dateValue(const QDateTime& date) {
    return date.isValid() ? QVariant(date) : QVariant();
}

// The six attributes of an entity, looked up by name once for a run of its objects.
struct AggregateAttributes {
    const platform::AttributeDescription* actionCount = nullptr;
    const platform::AttributeDescription* taskCount = nullptr;
    const platform::AttributeDescription* total = nullptr;
    const platform::AttributeDescription* comprehensive = nullptr;
    const platform::AttributeDescription* start = nullptr;
    const platform::AttributeDescription* due = nullptr;

    explicit AggregateAttributes(const platform::EntityDescription* entity)
        : actionCount(entity->attribute(kActionCount)),
          taskCount(entity->attribute(kTaskCount)),
          total(entity->attribute(kTotal)),
          comprehensive(entity->attribute(kComprehensive)),
          start(entity->attribute(kStart)),
          due(entity->attribute(kDue)) {}

    TDAggregates read(const platform::ManagedObject* object) const {
        TDAggregates a;
        a.actionCount = valueOf<qint64>(object->primitiveValue(actionCount));
        a.taskCount = valueOf<qint64>(object->primitiveValue(taskCount));
        a.totalEstimatedTime = valueOf<double>(object->primitiveValue(total));
        const QVariant& flag = object->primitiveValue(comprehensive);
        a.totalEstimatedTimeComprehensive = !flag.isValid() || valueOf<bool>(flag);
        a.earliestStartDate = valueOf<QDateTime>(object->primitiveValue(start));
        a.earliestDueDate = valueOf<QDateTime>(object->primitiveValue(due));
        return a;
    }

    // The store keeps these attributes in exactly their type; QVariant's general conversion, taken
    // for every other case (an unset value included), costs a lookup of converters each time.
    template <typename T>
    static T valueOf(const QVariant& value) {
        if (value.metaType() == QMetaType::fromType<T>()) return *static_cast<const T*>(value.constData());
        return value.isValid() ? value.value<T>() : T();
    }
};

// Every task reads and writes its figures as it loads and after each change below it.
const AggregateAttributes& aggregateAttributesOf(const platform::EntityDescription* entity) {
    return TDPropertiesOfEntity<AggregateAttributes>(entity);
}

}  // namespace

TDAggregates TDAggregates::of(const platform::ManagedObject* object) {
    return aggregateAttributesOf(object->entity()).read(object);
}

QDateTime TDAggregates::earliestStartDateOf(const platform::ManagedObject* object) {
    const AggregateAttributes& attributes = aggregateAttributesOf(object->entity());
    return AggregateAttributes::valueOf<QDateTime>(object->primitiveValue(attributes.start));
}

QDateTime TDAggregates::earliestDueDateOf(const platform::ManagedObject* object) {
    const AggregateAttributes& attributes = aggregateAttributesOf(object->entity());
    return AggregateAttributes::valueOf<QDateTime>(object->primitiveValue(attributes.due));
}

TDAggregates TDAggregates::sumOf(const platform::ObjectSet& members) {
    TDAggregates sum;
    for (const platform::ManagedObject* member : members) sum.include(of(member));
    return sum;
}

void TDAggregates::storePrimitive(platform::ManagedObject* object) const {
    const AggregateAttributes& attributes = aggregateAttributesOf(object->entity());
    // Every object sets these as it loads: written in one step rather than one lookup-and-copy each.
    platform::ManagedObject::PrimitiveWrite writes[] = {
        {attributes.actionCount, actionCount},
        {attributes.taskCount, taskCount},
        {attributes.total, totalEstimatedTime},
        {attributes.comprehensive, totalEstimatedTimeComprehensive},
        {attributes.start, dateValue(earliestStartDate)},
        {attributes.due, dateValue(earliestDueDate)},
    };
    object->setPrimitiveValues(writes);
}

void TDAggregates::store(platform::ManagedObject* object) const {
    const TDAggregates old = of(object);
    if (old == *this) return;
    platform::UndoManager* undo = object->managedObjectContext()->undoManager();
    if (undo) undo->disableUndoRegistration();
    if (old.actionCount != actionCount) object->platform::ManagedObject::setValue(kActionCount, actionCount);
    if (old.taskCount != taskCount) object->platform::ManagedObject::setValue(kTaskCount, taskCount);
    if (old.totalEstimatedTime != totalEstimatedTime)
        object->platform::ManagedObject::setValue(kTotal, totalEstimatedTime);
    if (old.totalEstimatedTimeComprehensive != totalEstimatedTimeComprehensive)
        object->platform::ManagedObject::setValue(kComprehensive, totalEstimatedTimeComprehensive);
    if (old.earliestStartDate != earliestStartDate)
        object->platform::ManagedObject::setValue(kStart, dateValue(earliestStartDate));
    if (old.earliestDueDate != earliestDueDate)
        object->platform::ManagedObject::setValue(kDue, dateValue(earliestDueDate));
    if (undo) undo->enableUndoRegistration();
}

void TDAggregates::include(const TDAggregates& member) {
    actionCount += member.actionCount;
    taskCount += member.taskCount;
    totalEstimatedTime += member.totalEstimatedTime;
    totalEstimatedTimeComprehensive =
        totalEstimatedTimeComprehensive && member.totalEstimatedTimeComprehensive;
    if (member.earliestStartDate.isValid() &&
        (!earliestStartDate.isValid() || member.earliestStartDate < earliestStartDate))
        earliestStartDate = member.earliestStartDate;
    if (member.earliestDueDate.isValid() &&
        (!earliestDueDate.isValid() || member.earliestDueDate < earliestDueDate))
        earliestDueDate = member.earliestDueDate;
}

TDAggregates TDAggregates::following(const TDAggregates& old, const TDAggregates& now,
                                     const std::function<TDAggregates()>& recalculate) const {
    TDAggregates result = *this;
    result.actionCount += now.actionCount - old.actionCount;
    result.taskCount += now.taskCount - old.taskCount;
    result.totalEstimatedTime += now.totalEstimatedTime - old.totalEstimatedTime;
    bool again = false;
    if (!now.totalEstimatedTimeComprehensive)
        result.totalEstimatedTimeComprehensive = false;
    else if (!old.totalEstimatedTimeComprehensive && !totalEstimatedTimeComprehensive)
        again = true;
    auto follow = [&again](QDateTime& current, const QDateTime& before, const QDateTime& after) {
        if (after.isValid() && (!current.isValid() || after < current))
            current = after;
        else if (before.isValid() && before == current && after != before)
            again = true;
    };
    follow(result.earliestStartDate, old.earliestStartDate, now.earliestStartDate);
    follow(result.earliestDueDate, old.earliestDueDate, now.earliestDueDate);
    if (again) {
        const TDAggregates fresh = recalculate();
        result.totalEstimatedTimeComprehensive = fresh.totalEstimatedTimeComprehensive;
        result.earliestStartDate = fresh.earliestStartDate;
        result.earliestDueDate = fresh.earliestDueDate;
    }
    return result;
}
