#include "model/managed_object_context.h"

#include "model/library_object.h"
#include "platform/notifications/notification_center.h"

TDManagedObjectContext::TDManagedObjectContext(platform::PersistentStoreCoordinator* coordinator,
                                               QObject* parent)
    : platform::ManagedObjectContext(coordinator, parent) {
}

TDManagedObjectContext* TDManagedObjectContext::of(const platform::ManagedObject* object) {
    return object ? qobject_cast<TDManagedObjectContext*>(object->managedObjectContext()) : nullptr;
}

void TDManagedObjectContext::deleteObject(platform::ManagedObject* object) {
    if (!object) return;
    if (m_cache) {
        const QString uid = object->primitiveValue(QStringLiteral("uid")).toString();
        if (!uid.isNull()) m_cache->remove(uid);
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
}

platform::ManagedObject* TDManagedObjectContext::cachedObjectForUID(const QString& uid) const {
    if (!m_cache || uid.isNull()) return nullptr;
    return m_cache->value(uid);
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
