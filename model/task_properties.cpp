#include "model/task_properties.h"

#include "model/entity_properties.h"
#include "model/task.h"
#include "platform/objectstore/entity_description.h"

#include <QString>

TDTaskProperties::TDTaskProperties(const platform::EntityDescription* entity)
    : title(entity->attribute(QStringLiteral("title"))),
      status(entity->attribute(QStringLiteral("status"))),
      completedDate(entity->attribute(QStringLiteral("completedDate"))),
      archived(entity->attribute(QStringLiteral("archived"))),
      priority(entity->attribute(QStringLiteral("priority"))),
      displayOrder(entity->attribute(QStringLiteral("displayOrder"))),
      estimatedTime(entity->attribute(QStringLiteral("estimatedTime"))),
      startDate(entity->attribute(QStringLiteral("startDate"))),
      dueDate(entity->attribute(QStringLiteral("dueDate"))),
      parentTask(entity->relationship(QStringLiteral("parentTask"))),
      subtasks(entity->relationship(QStringLiteral("subtasks"))),
      notes(entity->relationship(QStringLiteral("notes"))) {
}

const TDTaskProperties& TDTaskProperties::of(const platform::EntityDescription* entity) {
    return TDPropertiesOfEntity<TDTaskProperties>(entity);
}

void TDPrefetchSubtasksAhead(const QList<platform::ManagedObject*>& tasks, qsizetype i) {
    platform::ManagedObject::readAhead(
        i, tasks.size(), [&tasks](qsizetype j) { return tasks.at(j); },
        [](platform::ManagedObject* object) {
            if (const TDTask* ahead = TDTask::from(object))
                ahead->prefetchSlots(nullptr, nullptr, TDTaskProperties::of(ahead->entity()).subtasks);
        });
}
