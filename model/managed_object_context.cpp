#include "model/managed_object_context.h"

#include "model/library_object.h"
#include "platform/notifications/notification_center.h"

TDManagedObjectContext::TDManagedObjectContext(platform::PersistentStoreCoordinator* coordinator,
                                               QObject* parent)
    : platform::ManagedObjectContext(coordinator, parent) {
    setIndexedAttribute(QStringLiteral("uid"));
}

TDManagedObjectContext* TDManagedObjectContext::of(const platform::ManagedObject* object) {
    return object ? qobject_cast<TDManagedObjectContext*>(object->managedObjectContext()) : nullptr;
}

void TDManagedObjectContext::deleteObject(platform::ManagedObject* object) {
    if (!object) return;
    if (m_cache) {
        const QString uid = object->primitiveValue(QStringLiteral("uid")).toString();
        if (uid.isNull())
            ;
        else if (m_cacheBackingEntities.isEmpty())
            m_cache->remove(uid);
        else
            m_cache->insert(uid, nullptr);  // not looked up again in the index
    }
    platform::ManagedObjectContext::deleteObject(object);
}

void TDManagedObjectContext::scheduleRecalculationOfTransientProperties(TDLibraryObject* object) {
    if (!object || m_scheduled.contains(object)) return;
    m_scheduled.insert(object);
    m_toRecalculate.push_back(object);
}

void TDManagedObjectContext::recalculateTransientProperties() {
    while (!m_toRecalculate.empty()) {
        TDLibraryObject* object = m_toRecalculate.back();
        m_toRecalculate.pop_back();
        m_scheduled.remove(object);
        object->recalculateTransientProperties();
    }
}

void TDManagedObjectContext::setGroupTallied(TDGroup* group, bool tallied) {
    if (tallied)
        m_talliedGroups.insert(group);
    else
        m_talliedGroups.remove(group);
}

void TDManagedObjectContext::initializeObjectLookupCache() {
    if (!m_cache) {
        m_cache.emplace();
        m_cache->reserve(2000);
    }
    m_cache->clear();
}

void TDManagedObjectContext::destroyObjectLookupCache() {
    m_cache.reset();
    m_cacheComplete = false;
    m_cacheBackingEntities.clear();
}

void TDManagedObjectContext::setObjectLookupCacheBackedByIndex(const QStringList& entityNames) {
    m_cacheBackingEntities = entityNames;
    m_cacheComplete = true;
}

platform::ManagedObject* TDManagedObjectContext::cachedObjectForUID(const QString& uid) {
    if (!m_cache || uid.isNull()) return nullptr;
    if (const auto cached = m_cache->constFind(uid); cached != m_cache->cend()) return *cached;
    if (m_cacheBackingEntities.isEmpty()) return nullptr;
    platform::ManagedObject* found = nullptr;
    for (auto entity = m_cacheBackingEntities.crbegin(); !found && entity != m_cacheBackingEntities.crend();
         ++entity)
        if (const auto objects = objectsWithIndexedValue(*entity, uid); objects)
            for (platform::ManagedObject* object : *objects)
                if (!object->isInserted()) found = object;
    m_cache->insert(uid, found);
    return found;
}

void TDManagedObjectContext::cacheObject(platform::ManagedObject* object, const QString& uid) {
    if (!m_cache || !object || uid.isNull()) return;
    m_cache->insert(uid, object);
}

void TDManagedObjectContext::willReset() {
    platform::NotificationCenter::defaultCenter().post(TDManagedObjectContextWillResetNotification, this);
    m_toRecalculate.clear();
    m_scheduled.clear();
    m_talliedGroups.clear();
    if (m_cache) m_cache->clear();
    m_library = nullptr;
}
