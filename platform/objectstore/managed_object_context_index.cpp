// The value index of a context: objects by the value of one string attribute, so that finding an
// object by its identifier costs a hash lookup rather than a scan of its table.
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/object_model.h"
#include "platform/objectstore/object_store_error.h"

#include <algorithm>

namespace platform {

void ManagedObjectContext::setIndexedAttribute(const QString& name) {
    m_indexedAttribute = name;
    m_indexedSlots.assign(static_cast<size_t>(m_model->entities().size()), -1);
    for (const EntityDescription* entity : m_model->entities())
        if (const AttributeDescription* attribute = entity->attribute(name); attribute)
            m_indexedSlots[static_cast<size_t>(entity->index())] = attribute->slot();
    m_valueIndexes.assign(m_tables.size(), ValueIndex());
}

int ManagedObjectContext::p_indexedSlot(const ManagedObject* object) const {
    return m_indexedSlots.empty() ? -1 : m_indexedSlots[static_cast<size_t>(object->entity()->index())];
}

void ManagedObjectContext::p_buildValueIndex(int table) {
    ValueIndex& index = m_valueIndexes[static_cast<size_t>(table)];
    index.objects.clear();
    index.objects.reserve(static_cast<qsizetype>(m_tables[static_cast<size_t>(table)].objects.size()));
    index.built = true;
    for (const auto& owned : m_tables[static_cast<size_t>(table)].objects) p_indexObject(owned.get());
}

void ManagedObjectContext::p_indexObject(ManagedObject* object) {
    const int slot = p_indexedSlot(object);
    if (slot < 0) return;
    ValueIndex& index = m_valueIndexes[static_cast<size_t>(object->entity()->tableIndex())];
    if (!index.built) return;
    const QVariant& value = object->m_attributes[static_cast<size_t>(slot)];
    if (value.isNull()) return;
    std::vector<ManagedObject*>& objects = index.objects[value.toString()];
    if (std::find(objects.begin(), objects.end(), object) == objects.end()) objects.push_back(object);
}

void ManagedObjectContext::p_reindex(ManagedObject* object, int slot, const QVariant& oldValue) {
    if (slot != p_indexedSlot(object)) return;
    ValueIndex& index = m_valueIndexes[static_cast<size_t>(object->entity()->tableIndex())];
    if (!index.built) return;
    if (!oldValue.isNull())
        if (auto found = index.objects.find(oldValue.toString()); found != index.objects.end()) {
            std::erase(*found, object);
            if (found->empty()) index.objects.erase(found);
        }
    p_indexObject(object);
}

Result<QList<ManagedObject*>> ManagedObjectContext::objectsWithIndexedValue(const QString& entityName,
                                                                            const QString& value) {
    const EntityDescription* entity = m_model->entity(entityName);
    if (!entity)
        return makeObjectStoreError(ObjectStoreErrorNoSuchObject,
                                    QStringLiteral("There is no entity named \"%1\".").arg(entityName));
    const AttributeDescription* attribute =
        m_indexedAttribute.isEmpty() ? nullptr : entity->attribute(m_indexedAttribute);
    if (!attribute)
        return makeObjectStoreError(
            ObjectStoreErrorNoSuchObject,
            QStringLiteral("The entity \"%1\" has no indexed attribute.").arg(entityName));
    const int t = entity->tableIndex();
    if (!m_tables[static_cast<size_t>(t)].loaded)
        if (Status s = p_loadTables({t}); !s) return s.error();
    if (!m_valueIndexes[static_cast<size_t>(t)].built) p_buildValueIndex(t);

    QList<ManagedObject*> found;
    const auto candidates = m_valueIndexes[static_cast<size_t>(t)].objects.constFind(value);
    if (candidates == m_valueIndexes[static_cast<size_t>(t)].objects.cend()) return found;
    for (ManagedObject* object : *candidates)
        if (!object->m_deleted && object->entity()->isKindOfEntity(entity) &&
            object->m_attributes[static_cast<size_t>(attribute->slot())].toString() == value)
            found.append(object);
    // Rows are read and keys given out in ascending order: this is the order of the table.
    std::sort(found.begin(), found.end(), [](const ManagedObject* a, const ManagedObject* b) {
        return a->m_primaryKey < b->m_primaryKey;
    });
    return found;
}

}  // namespace platform
