#include "platform/objectstore/managed_object_class.h"

#include <QMutex>

#include <map>

namespace platform {

namespace {
struct Registry {
    QMutex mutex;
    std::map<QString, std::shared_ptr<const ManagedObjectClass>> classes;
};
Registry& registry() {
    static Registry r;
    return r;
}
}  // namespace

void registerManagedObjectClass(const QString& name, ManagedObjectClass::Factory factory,
                                const QHash<QString, QStringList>& dependencies) {
    auto info = std::make_shared<ManagedObjectClass>();
    info->name = name;
    info->factory = std::move(factory);
    for (auto it = dependencies.begin(); it != dependencies.end(); ++it)
        for (const QString& key : it.value()) info->affectedKeys[key].append(it.key());
    QMutexLocker locker(&registry().mutex);
    registry().classes[name] = std::move(info);
}

std::shared_ptr<const ManagedObjectClass> managedObjectClass(const QString& name) {
    QMutexLocker locker(&registry().mutex);
    const auto it = registry().classes.find(name);
    return it == registry().classes.end() ? nullptr : it->second;
}

}  // namespace platform
