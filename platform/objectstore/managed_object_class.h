#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace platform {

class EntityDescription;
class ManagedObject;
class ManagedObjectContext;

// A C++ class that the model names for an entity: how to make its objects and which computed keys
// follow which stored ones (observers of "completed" hear a change of "status").
struct ManagedObjectClass {
    using Factory =
        std::function<std::unique_ptr<ManagedObject>(const EntityDescription*, ManagedObjectContext*)>;
    QString name;
    Factory factory;
    // Changed key -> the computed keys whose observers are told too.
    QHash<QString, QStringList> affectedKeys;
};

// Registers the class under its name (replacing an earlier registration). `dependencies` maps each
// computed key to the keys it depends on.
void registerManagedObjectClass(const QString& name, ManagedObjectClass::Factory factory,
                                const QHash<QString, QStringList>& dependencies = {});
// The registered class, or nullptr: objects of unregistered classes are plain ManagedObjects.
std::shared_ptr<const ManagedObjectClass> managedObjectClass(const QString& name);

template <typename T>
void registerManagedObjectClass(const QString& name, const QHash<QString, QStringList>& dependencies = {}) {
    registerManagedObjectClass(
        name,
        [](const EntityDescription* entity, ManagedObjectContext* context) -> std::unique_ptr<ManagedObject> {
            return std::make_unique<T>(entity, context);
        },
        dependencies);
}

}  // namespace platform
