#pragma once

#include "platform/base/error.h"
#include "platform/kvc/key_value_coding.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/key_change.h"
#include "platform/objectstore/object_id.h"
#include "platform/objectstore/object_set.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace platform {

class ManagedObjectContext;
struct ChangeRecord;

// An object of the object store, owned by its context. Values are read and written by key (the model's
// properties, or computed keys that subclasses answer); every change through setValue and the to-many
// mutators keeps both sides of relationships in step, is tracked for saving, reported to observers and
// registered for undo. Subclasses add typed accessors over these and override the hooks.
class ManagedObject : public KeyValueCoding {
public:
    enum class SetMutation { Union, Minus };
    using ObserverHandler = std::function<void(const KeyChange&)>;

    // Made by the context (through the class registry); never directly.
    ManagedObject(const EntityDescription* entity, ManagedObjectContext* context);
    ~ManagedObject() override;
    ManagedObject(const ManagedObject&) = delete;
    ManagedObject& operator=(const ManagedObject&) = delete;

    const EntityDescription* entity() const { return m_entity; }
    ManagedObjectContext* managedObjectContext() const { return m_context; }
    ObjectID objectID() const;
    qint64 primaryKey() const { return m_primaryKey; }

    // Key-value access: attributes as plain values, a to-one as an object variant, a to-many as a list of
    // object variants; other keys go to computedValue.
    // Final: the key slots below answer stored keys exactly as it does.
    QVariant value(const QString& key) const final;
    const void* keyLayout() const override { return m_entity; }
    KeySlot keySlot(const QString& key) const override;
    const QVariant& attributeSlotValue(const KeySlot& slot) const override;
    KeyValueCoding* toOneSlotValue(const KeySlot& slot) const override;
    // Sets through the change path. Subclasses override it to route keys to their own setters, which in
    // turn call ManagedObject::setValue.
    virtual void setValue(const QString& key, const QVariant& value);
    QVariant valueForKeyPath(const QString& keyPath) const;

    // The stored value without notifications, hooks or undo (a change is still saved).
    QVariant primitiveValue(const QString& key) const;
    void setPrimitiveValue(const QString& key, const QVariant& value);

    // Relationships as objects.
    ManagedObject* object(const QString& key) const;
    template <typename T>
    T* objectAs(const QString& key) const {
        return dynamic_cast<T*>(object(key));
    }
    void setObject(const QString& key, ManagedObject* object) { setValue(key, objectVariant(object)); }
    const ObjectSet& objects(const QString& key) const;
    // The same for a property of this object's entity that the caller has looked up already, so that
    // code visiting every property pays no search by name.
    // (The value itself, valid until the object changes: a read of many objects copies nothing.)
    const QVariant& primitiveValue(const AttributeDescription* attribute) const;
    void setPrimitiveValue(const AttributeDescription* attribute, const QVariant& value);
    // Several values written as setPrimitiveValue writes them, in one pass: an object that sets up its
    // derived figures as it loads hands them over together, and each value is moved into its slot.
    struct PrimitiveWrite {
        const AttributeDescription* attribute;
        QVariant value;
    };
    void setPrimitiveValues(std::span<PrimitiveWrite> writes);
    ManagedObject* object(const RelationshipDescription* relationship) const;
    const ObjectSet& objects(const RelationshipDescription* relationship) const;
    // Has the processor fetch where these slots lie, reading nothing: a loop over many objects that asks
    // a few objects ahead waits for the memory of all of them at once instead of for each in turn.
    void prefetchSlots(const AttributeDescription* attribute, const AttributeDescription* other,
                       const RelationshipDescription* relationship) const;
    // How far ahead of itself a walk over many objects asks, in readAhead().
    static constexpr qsizetype ReadAheadDistance = 32;
    // For step `i` of a walk over `count` objects scattered in memory: the object ReadAheadDistance on
    // is handed to `fetchSlots` (which prefetches what the walk will read of it), the one twice as far has
    // its own first line fetched, so the walk waits for many objects at once instead of each in turn.
    template <typename ObjectAt, typename FetchSlots>
    static void readAhead(qsizetype i, qsizetype count, const ObjectAt& objectAt,
                          const FetchSlots& fetchSlots) {
        if (i + 2 * ReadAheadDistance < count) __builtin_prefetch(objectAt(i + 2 * ReadAheadDistance));
        if (i + ReadAheadDistance < count) fetchSlots(objectAt(i + ReadAheadDistance));
    }
    QList<ManagedObject*> objectList(const QString& key) const { return objects(key).toList(); }
    // To-many mutations (union and minus); subclasses may override them to add their own upkeep.
    virtual void addObjects(const QString& key, const QList<ManagedObject*>& objects);
    virtual void removeObjects(const QString& key, const QList<ManagedObject*>& objects);
    void addObject(const QString& key, ManagedObject* object) { addObjects(key, {object}); }
    void removeObject(const QString& key, ManagedObject* object) { removeObjects(key, {object}); }

    bool isInserted() const;
    bool isUpdated() const;
    bool isDeleted() const { return m_deleted; }
    // Objects are always fully loaded.
    bool isFault() const { return false; }
    bool hasChanges() const { return isInserted() || isUpdated() || (m_deleted && m_inStore); }
    // The properties changed since the last save, with their current values.
    QVariantMap changedValues() const;
    // The values as last saved (or loaded), for the given keys or every property.
    QVariantMap committedValues(const QStringList& keys = {}) const;

    // Observers of one key hear every change of it, including those made by inverse upkeep, undo and
    // redo. An observer goes away with its owner.
    int addObserver(const QString& key, QObject* owner, ObserverHandler handler);
    void removeObserver(int token);

protected:
    // Computed keys: answer those the subclass knows, otherwise call the base (which logs and answers nil).
    virtual QVariant computedValue(const QString& key) const;
    virtual bool setComputedValue(const QString& key, const QVariant& value);

    virtual void awakeFromInsert() {}
    // Called after a load, children (destinations of containing relationships) before parents.
    virtual void awakeFromFetch() {}
    virtual void willSave() {}
    virtual void didSave() {}
    // Sent just before the object (or an object it cascades to) is deleted.
    virtual void willDelete() {}

    virtual void willChangeValue(const QString& key) { Q_UNUSED(key); }
    virtual void didChangeValue(const QString& key) { Q_UNUSED(key); }
    virtual void willChangeSet(const QString& key, SetMutation mutation,
                               const QList<ManagedObject*>& objects);
    virtual void didChangeSet(const QString& key, SetMutation mutation, const QList<ManagedObject*>& objects);

    // Checked before every save for each property of inserted and updated objects. May replace the
    // value (the replacement is set only when the whole save validates).
    virtual Status validateValue(const QString& key, QVariant& value) const;

private:
    friend class ManagedObjectContext;
    friend class PersistentStoreCoordinator;

    const PropertyDescription* p_property(const QString& key) const;
    QVariant p_slotValue(const PropertyDescription* property) const;

    const EntityDescription* m_entity;
    ManagedObjectContext* m_context;
    qint64 m_primaryKey = 0;
    // The entity's slots in one block: attributes, then to-many sets, then to-one targets.
    QVariant* m_attributes = nullptr;
    ObjectSet* m_toMany = nullptr;
    ManagedObject** m_toOne = nullptr;
    std::unique_ptr<ChangeRecord> m_changes;  // committed values of changed slots, for objects in the store
    bool m_inStore = false;
    bool m_deleted = false;
    bool m_observed = false;
    quint8 m_awakeState = 0;
    bool m_slotsInArena = false;  // the block belongs to the context's arena, not to the object
};

// The managed object a key-value variant holds, or nullptr.
ManagedObject* managedObjectFromVariant(const QVariant& value);
QList<ManagedObject*> managedObjectsFromVariantList(const QVariant& list);
QVariantList variantListOfObjects(const QList<ManagedObject*>& objects);

}  // namespace platform
