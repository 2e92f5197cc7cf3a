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
    constexpr qsizetype ahead = platform::ManagedObject::ReadAheadDistance;
    // A task spans more than its first line, and its slots' places are read from the later ones: the task
    // twice as far on is fetched whole.
    if (i + 2 * ahead < tasks.size()) {
        const auto* object = reinterpret_cast<const char*>(tasks.at(i + 2 * ahead));
        for (std::size_t offset = 0; offset < sizeof(platform::ManagedObject); offset += 64)
            __builtin_prefetch(object + offset);
    }
    if (i + ahead < tasks.size())
        if (const TDTask* task = TDTask::from(tasks.at(i + ahead)))
            task->prefetchSlots(nullptr, nullptr, TDTaskProperties::of(task->entity()).subtasks);
}
