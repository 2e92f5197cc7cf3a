#pragma once

#include "platform/objectstore/managed_object_context.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class TDGroup;
class TDLibrary;
class TDLibraryObject;

inline const QString TDManagedObjectContextWillResetNotification =
    QStringLiteral("TDManagedObjectContextWillResetNotification");

// The context a library's objects live in, with the modes the model consults on every change, a UID
// lookup cache for bulk imports and the objects whose transient aggregates must be recomputed. Objects
// are indexed by UID (objectsWithIndexedValue).
class TDManagedObjectContext final : public platform::ManagedObjectContext {
    Q_OBJECT
public:
    explicit TDManagedObjectContext(platform::PersistentStoreCoordinator* coordinator,
                                    QObject* parent = nullptr);

    // The context of an object, when it is a library context.
    static TDManagedObjectContext* of(const platform::ManagedObject* object);

    void deleteObject(platform::ManagedObject* object) override;

    void scheduleRecalculationOfTransientProperties(TDLibraryObject* object);
    // Drains the set, including objects scheduled while draining.
    void recalculateTransientProperties();
    // The tags and smart folders whose counts follow each change of their trees through a tally; a
    // change anywhere in a tree asks each of them whether it holds the tasks involved.
    const QSet<TDGroup*>& talliedGroups() const { return m_talliedGroups; }
    void setGroupTallied(TDGroup* group, bool tallied);

    void initializeObjectLookupCache();
    void destroyObjectLookupCache();
    bool isCachingObjects() const { return m_cache.has_value(); }
    platform::ManagedObject* cachedObjectForUID(const QString& uid);
    void cacheObject(platform::ManagedObject* object, const QString& uid);
    // Said when the cache holds every object of the context (a restore makes them all first): a UID it
    // lacks then names nothing, and is not searched for among all the objects. Ends with the cache.
    bool isObjectLookupCacheComplete() const { return m_cache.has_value() && m_cacheComplete; }
    void setObjectLookupCacheComplete(bool complete) { m_cacheComplete = complete; }
    // A complete cache of the objects of these entities without filling it first: a UID it lacks is
    // looked up in the UID index, and the answer is what filling it now with every saved, live object
    // of the entities, in this order, would have left under that UID: objects inserted later are found
    // once cached, and a UID deleted meanwhile names nothing. Ends with the cache.
    void setObjectLookupCacheBackedByIndex(const QStringList& entityNames);

    // A temporary context is never saved (see setScratch); quick entry types its tasks into one.
    bool isTemporary() const { return m_temporary; }
    void setTemporary(bool v) {
        m_temporary = v;
        setScratch(v);
    }
    bool dontTriggerSaveOnChange() const { return m_dontTriggerSaveOnChange; }
    void setDontTriggerSaveOnChange(bool v) { m_dontTriggerSaveOnChange = v; }
    bool setupTransientProperties() const { return m_setupTransientProperties; }
    void setSetupTransientProperties(bool v) { m_setupTransientProperties = v; }
    bool isRestoringLibrary() const { return m_restoringLibrary; }
    void setRestoringLibrary(bool v) { m_restoringLibrary = v; }
    bool isSyncingLibrary() const { return m_syncingLibrary; }
    void setSyncingLibrary(bool v) { m_syncingLibrary = v; }
    bool isCreatingLibrary() const { return m_creatingLibrary; }
    void setCreatingLibrary(bool v) { m_creatingLibrary = v; }
    TDLibrary* library() const { return m_library; }
    void setLibrary(TDLibrary* library) { m_library = library; }

protected:
    void willReset() override;

private:
    std::optional<QHash<QString, platform::ManagedObject*>> m_cache;
    bool m_cacheComplete = false;
    QStringList m_cacheBackingEntities;
    std::vector<TDLibraryObject*> m_toRecalculate;
    QSet<TDLibraryObject*> m_scheduled;
    QSet<TDGroup*> m_talliedGroups;
    TDLibrary* m_library = nullptr;
    bool m_temporary = false;
    bool m_dontTriggerSaveOnChange = false;
    bool m_setupTransientProperties = true;
    bool m_restoringLibrary = false;
    bool m_syncingLibrary = false;
    bool m_creatingLibrary = false;
};
