#include "platform/objectstore/managed_object.h"

#include "platform/base/log.h"
#include "platform/objectstore/change_record.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/persistent_store_coordinator.h"

#include <memory>

namespace platform {

namespace {

// The slot block's layout, each part aligned for the next.
static_assert(alignof(QVariant) >= alignof(ObjectSet) && alignof(ObjectSet) >= alignof(ManagedObject*));
static_assert(sizeof(QVariant) % alignof(ObjectSet) == 0 && sizeof(ObjectSet) % alignof(ManagedObject*) == 0);

size_t slotBlockSize(const EntityDescription* entity) {
    return sizeof(QVariant) * static_cast<size_t>(entity->attributeSlotCount()) +
           sizeof(ObjectSet) * static_cast<size_t>(entity->toManySlotCount()) +
           sizeof(ManagedObject*) * static_cast<size_t>(entity->toOneSlotCount());
}

}  // namespace

ManagedObject::ManagedObject(const EntityDescription* entity, ManagedObjectContext* context)
    : m_entity(entity), m_context(context) {
    const size_t bytes = slotBlockSize(entity);
    void* block = m_context->p_slotArena(bytes);
    m_slotsInArena = block != nullptr;
    if (!block) block = ::operator new(bytes);
    m_attributes = static_cast<QVariant*>(block);
    std::uninitialized_value_construct_n(m_attributes, entity->attributeSlotCount());
    m_toMany = reinterpret_cast<ObjectSet*>(m_attributes + entity->attributeSlotCount());
    std::uninitialized_value_construct_n(m_toMany, entity->toManySlotCount());
    m_toOne = reinterpret_cast<ManagedObject**>(m_toMany + entity->toManySlotCount());
    std::uninitialized_value_construct_n(m_toOne, entity->toOneSlotCount());
}

ManagedObject::~ManagedObject() {
    std::destroy_n(m_attributes, m_entity->attributeSlotCount());
    std::destroy_n(m_toMany, m_entity->toManySlotCount());
    if (!m_slotsInArena) ::operator delete(m_attributes);
}

ObjectID ManagedObject::objectID() const {
    return ObjectID(m_context->coordinator()->storeUUID(), m_entity, m_primaryKey);
}

const PropertyDescription* ManagedObject::p_property(const QString& key) const {
    return m_entity->property(key);
}

QVariant ManagedObject::p_slotValue(const PropertyDescription* property) const {
    if (const AttributeDescription* attribute = property->asAttribute())
        return m_attributes[static_cast<size_t>(attribute->slot())];
    const RelationshipDescription* relationship = property->asRelationship();
    m_context->p_ensureLoaded(relationship, this);
    if (!relationship->isToMany()) return objectVariant(m_toOne[static_cast<size_t>(relationship->slot())]);
    QVariantList list;
    const ObjectSet& members = m_toMany[static_cast<size_t>(relationship->slot())];
    list.reserve(members.size());
    for (ManagedObject* member : members) list.append(objectVariant(member));
    return list;
}

QVariant ManagedObject::value(const QString& key) const {
    if (const PropertyDescription* property = p_property(key)) return p_slotValue(property);
    return computedValue(key);
}

KeySlot ManagedObject::keySlot(const QString& key) const {
    const PropertyDescription* property = p_property(key);
    if (!property) return {};
    if (const AttributeDescription* attribute = property->asAttribute())
        return {KeySlot::Kind::Attribute, attribute};
    const RelationshipDescription* relationship = property->asRelationship();
    if (relationship->isToMany()) return {};
    return {KeySlot::Kind::ToOne, relationship};
}

const QVariant& ManagedObject::attributeSlotValue(const KeySlot& slot) const {
    return primitiveValue(static_cast<const AttributeDescription*>(slot.property));
}

KeyValueCoding* ManagedObject::toOneSlotValue(const KeySlot& slot) const {
    return object(static_cast<const RelationshipDescription*>(slot.property));
}

void ManagedObject::setValue(const QString& key, const QVariant& value) {
    if (const PropertyDescription* property = p_property(key)) {
        m_context->p_setValue(this, property, value);
        return;
    }
    if (!setComputedValue(key, value))
        logWithLevel(TDLogWarning, "WARNING", "Cannot set the unknown key \"%@\" of entity \"%@\".", key,
                     m_entity->name());
}

QVariant ManagedObject::valueForKeyPath(const QString& keyPath) const {
    return platform::valueForKeyPath(objectVariant(this), keyPath);
}

QVariant ManagedObject::primitiveValue(const QString& key) const {
    const PropertyDescription* property = p_property(key);
    return property ? p_slotValue(property) : QVariant();
}

void ManagedObject::setPrimitiveValue(const QString& key, const QVariant& value) {
    if (const PropertyDescription* property = p_property(key))
        m_context->p_setPrimitive(this, property, value);
    else
        logWithLevel(TDLogWarning, "WARNING", "Cannot set the unknown key \"%@\" of entity \"%@\".", key,
                     m_entity->name());
}

ManagedObject* ManagedObject::object(const QString& key) const {
    return object(m_entity->relationship(key));
}

const ObjectSet& ManagedObject::objects(const QString& key) const {
    return objects(m_entity->relationship(key));
}

const QVariant& ManagedObject::primitiveValue(const AttributeDescription* attribute) const {
    static const QVariant none;
    return attribute ? m_attributes[static_cast<size_t>(attribute->slot())] : none;
}

void ManagedObject::setPrimitiveValue(const AttributeDescription* attribute, const QVariant& value) {
    if (attribute) m_context->p_setPrimitive(this, attribute, value);
}

void ManagedObject::setPrimitiveValues(std::span<PrimitiveWrite> writes) {
    m_context->p_setPrimitives(this, writes);
}

void ManagedObject::prefetchSlots(const AttributeDescription* attribute, const AttributeDescription* other,
                                  const RelationshipDescription* relationship) const {
    for (const AttributeDescription* a : {attribute, other})
        if (a) __builtin_prefetch(&m_attributes[static_cast<size_t>(a->slot())]);
    if (!relationship) return;
    const auto slot = static_cast<size_t>(relationship->slot());
    if (relationship->isToMany())
        __builtin_prefetch(&m_toMany[slot]);
    else
        __builtin_prefetch(&m_toOne[slot]);
}

ManagedObject* ManagedObject::object(const RelationshipDescription* relationship) const {
    if (!relationship || relationship->isToMany()) return nullptr;
    m_context->p_ensureLoaded(relationship, this);
    return m_toOne[static_cast<size_t>(relationship->slot())];
}

const ObjectSet& ManagedObject::objects(const RelationshipDescription* relationship) const {
    static const ObjectSet empty;
    if (!relationship || !relationship->isToMany()) return empty;
    m_context->p_ensureLoaded(relationship, this);
    return m_toMany[static_cast<size_t>(relationship->slot())];
}

void ManagedObject::addObjects(const QString& key, const QList<ManagedObject*>& objects) {
    const RelationshipDescription* relationship = m_entity->relationship(key);
    if (!relationship || !relationship->isToMany()) {
        logWithLevel(TDLogWarning, "WARNING", "\"%@\" is not a to-many relationship of \"%@\".", key,
                     m_entity->name());
        return;
    }
    m_context->p_addObjects(this, relationship, objects);
}

void ManagedObject::removeObjects(const QString& key, const QList<ManagedObject*>& objects) {
    const RelationshipDescription* relationship = m_entity->relationship(key);
    if (!relationship || !relationship->isToMany()) {
        logWithLevel(TDLogWarning, "WARNING", "\"%@\" is not a to-many relationship of \"%@\".", key,
                     m_entity->name());
        return;
    }
    m_context->p_removeObjects(this, relationship, objects);
}

bool ManagedObject::isInserted() const {
    return !m_deleted && !m_inStore;
}

bool ManagedObject::isUpdated() const {
    return !m_deleted && m_inStore && m_changes && !m_changes->isEmpty();
}

QVariantMap ManagedObject::changedValues() const {
    QVariantMap values;
    if (!m_changes) return values;
    for (const auto& [slot, committed] : m_changes->attributes) {
        const AttributeDescription* attribute = m_entity->attributes()[slot];
        values.insert(attribute->name(), m_attributes[static_cast<size_t>(slot)]);
    }
    for (const RelationshipDescription* relationship : m_entity->relationships()) {
        const bool changed = relationship->isToMany()
                                 ? m_changes->toManyDelta(relationship->slot()) != nullptr
                                 : m_changes->committedToOne(relationship->slot()) != nullptr;
        if (changed) values.insert(relationship->name(), p_slotValue(relationship));
    }
    return values;
}

QVariantMap ManagedObject::committedValues(const QStringList& keys) const {
    QVariantMap values;
    if (!m_inStore) return values;
    for (const PropertyDescription* property : m_entity->properties()) {
        if (!keys.isEmpty() && !keys.contains(property->name())) continue;
        QVariant value = p_slotValue(property);
        if (m_changes) {
            if (const AttributeDescription* attribute = property->asAttribute()) {
                if (const QVariant* committed = m_changes->committedAttribute(attribute->slot()))
                    value = *committed;
            } else if (const RelationshipDescription* relationship = property->asRelationship();
                       !relationship->isToMany()) {
                if (ManagedObject* const* committed = m_changes->committedToOne(relationship->slot()))
                    value = objectVariant(*committed);
            } else if (const ChangeRecord::ToMany* delta = m_changes->toManyDelta(relationship->slot())) {
                QVariantList list;
                for (ManagedObject* member : m_toMany[static_cast<size_t>(relationship->slot())])
                    if (!delta->added.contains(member)) list.append(objectVariant(member));
                for (ManagedObject* member : delta->removed) list.append(objectVariant(member));
                value = list;
            }
        }
        values.insert(property->name(), value);
    }
    return values;
}

int ManagedObject::addObserver(const QString& key, QObject* owner, ObserverHandler handler) {
    return m_context->p_addObserver(this, key, owner, std::move(handler));
}

void ManagedObject::removeObserver(int token) {
    m_context->p_removeObserver(token);
}

QVariant ManagedObject::computedValue(const QString& key) const {
    logWithLevel(TDLogDebug, "DEBUG", "Entity \"%@\" has no key \"%@\".", m_entity->name(), key);
    return {};
}

bool ManagedObject::setComputedValue(const QString& key, const QVariant& value) {
    Q_UNUSED(key);
    Q_UNUSED(value);
    return false;
}

void ManagedObject::willChangeSet(const QString& key, SetMutation mutation,
                                  const QList<ManagedObject*>& objects) {
    Q_UNUSED(key);
    Q_UNUSED(mutation);
    Q_UNUSED(objects);
}

void ManagedObject::didChangeSet(const QString& key, SetMutation mutation,
                                 const QList<ManagedObject*>& objects) {
    Q_UNUSED(key);
    Q_UNUSED(mutation);
    Q_UNUSED(objects);
}

Status ManagedObject::validateValue(const QString& key, QVariant& value) const {
    Q_UNUSED(key);
    Q_UNUSED(value);
    return {};
}

ManagedObject* managedObjectFromVariant(const QVariant& value) {
    return dynamic_cast<ManagedObject*>(objectFromVariant(value));
}

QList<ManagedObject*> managedObjectsFromVariantList(const QVariant& list) {
    QList<ManagedObject*> objects;
    for (const QVariant& element : list.toList())
        if (ManagedObject* object = managedObjectFromVariant(element)) objects.append(object);
    return objects;
}

QVariantList variantListOfObjects(const QList<ManagedObject*>& objects) {
    QVariantList list;
    list.reserve(objects.size());
    for (ManagedObject* object : objects) list.append(objectVariant(object));
    return list;
}

}  // namespace platform
