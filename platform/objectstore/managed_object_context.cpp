#include "platform/objectstore/managed_object_context.h"

#include "platform/base/log.h"
#include "platform/notifications/notification_center.h"
#include "platform/objectstore/change_record.h"
#include "platform/objectstore/managed_object_class.h"
#include "platform/objectstore/object_model.h"
#include "platform/objectstore/object_store_error.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/undo/undo_manager.h"

#include <QMetaObject>
#include <QSet>

#include <algorithm>
#include <utility>

namespace platform {

namespace {

bool sameValue(const QVariant& a, const QVariant& b) {
    return a.metaType() == b.metaType() && a == b;
}

// sameValue for the plain types derived figures have, compared in place: QVariant's own comparison
// looks up the type's comparator each time, and every object loaded writes several of them.
bool samePlainValue(const QVariant& a, const QVariant& b) {
    if (a.metaType() != b.metaType()) return false;
    switch (a.metaType().id()) {
        case QMetaType::UnknownType:
            return true;
        case QMetaType::LongLong:
            return *static_cast<const qint64*>(a.constData()) == *static_cast<const qint64*>(b.constData());
        case QMetaType::Double:
            return *static_cast<const double*>(a.constData()) == *static_cast<const double*>(b.constData());
        case QMetaType::Bool:
            return *static_cast<const bool*>(a.constData()) == *static_cast<const bool*>(b.constData());
        default:
            return a == b;
    }
}

QVariantList variants(const ObjectSet& set) {
    QVariantList list;
    list.reserve(set.size());
    for (ManagedObject* object : set) list.append(objectVariant(object));
    return list;
}

QString describe(const ManagedObject* object) {
    return QStringLiteral("%1 %2").arg(object->entity()->name(), object->objectID().uriString());
}

TDError validationError(int code, const ManagedObject* object, const QString& key,
                        const QString& description) {
    TDError error = makeObjectStoreError(code, description);
    error.userInfo.insert(QStringLiteral("object"), objectVariant(object));
    error.userInfo.insert(QStringLiteral("key"), key);
    error.userInfo.insert(QStringLiteral("objectID"), object->objectID().uriString());
    return error;
}

}  // namespace

ManagedObjectContext::ManagedObjectContext(PersistentStoreCoordinator* coordinator, QObject* parent)
    : QObject(parent), m_coordinator(coordinator), m_model(coordinator->sharedModel()) {
    m_tables.resize(static_cast<size_t>(m_model->tables().size()));
    m_joinLoaded.assign(static_cast<size_t>(m_model->joinTables().size()), false);
    m_classes.resize(static_cast<size_t>(m_model->entities().size()));
    m_classLookedUp.assign(static_cast<size_t>(m_model->entities().size()), false);
}

ManagedObjectContext::~ManagedObjectContext() {
    if (m_undoManager) m_undoManager->removeAllActions(this);
}

const ObjectModel& ManagedObjectContext::model() const {
    return *m_model;
}

void ManagedObjectContext::setUndoManager(UndoManager* undoManager) {
    if (m_undoManager && m_undoManager != undoManager) {
        m_undoManager->removeAllActions(this);
        disconnect(m_undoManager, &UndoManager::checkpoint, this, nullptr);
    }
    if (undoManager && undoManager != m_undoManager)
        connect(undoManager, &UndoManager::checkpoint, this, [this] { processPendingChanges(); });
    m_undoManager = undoManager;
}

qsizetype ManagedObjectContext::registeredObjectCount() const {
    qsizetype count = 0;
    for (const Table& table : m_tables) count += static_cast<qsizetype>(table.objects.size());
    return count;
}

// ---------------------------------------------------------------------------------------------------
// Objects

const ManagedObjectClass* ManagedObjectContext::p_class(const EntityDescription* entity) {
    const auto index = static_cast<size_t>(entity->index());
    if (!m_classLookedUp[index]) {
        m_classes[index] = managedObjectClass(entity->className());
        m_classLookedUp[index] = true;
    }
    return m_classes[index].get();
}

std::unique_ptr<ManagedObject> ManagedObjectContext::p_makeObject(const EntityDescription* entity) {
    if (const ManagedObjectClass* objectClass = p_class(entity); objectClass && objectClass->factory)
        return objectClass->factory(entity, this);
    return std::make_unique<ManagedObject>(entity, this);
}

ManagedObject* ManagedObjectContext::insertObject(const QString& entityName) {
    const EntityDescription* entity = m_model->entity(entityName);
    if (!entity) {
        logWithLevel(TDLogWarning, "WARNING", "Cannot insert an object of the unknown entity \"%@\".",
                     entityName);
        return nullptr;
    }
    std::unique_ptr<ManagedObject> owned = p_makeObject(entity);
    ManagedObject* object = owned.get();
    object->m_primaryKey = m_coordinator->p_allocatePrimaryKey(entity->tableIndex());
    for (const AttributeDescription* attribute : entity->attributes())
        object->m_attributes[static_cast<size_t>(attribute->slot())] = attribute->defaultValue();
    Table& table = m_tables[static_cast<size_t>(entity->tableIndex())];
    table.byPrimaryKey.insert(object->m_primaryKey, object);
    table.objects.push_back(std::move(owned));
    p_indexObject(object);
    p_noteStatus(object);
    p_notePending(object, SlotChange::MarkUndeleted);
    if (m_undoManager && m_undoManager->isUndoRegistrationEnabled()) {
        m_undoManager->registerUndo(this, [this, object] {
            std::vector<SlotChange> changes{{SlotChange::MarkDeleted, object}};
            p_apply(changes);
        });
    }
    object->awakeFromInsert();
    return object;
}

void ManagedObjectContext::p_collectDeletions(ManagedObject* object, std::vector<ManagedObject*>& objects,
                                              QSet<ManagedObject*>& doomed) {
    objects.push_back(object);
    doomed.insert(object);
    object->willDelete();
    for (const RelationshipDescription* relationship : object->entity()->relationships()) {
        if (relationship->deleteRule() != DeleteRule::Cascade) continue;
        p_ensureLoaded(relationship, object);
        QList<ManagedObject*> destinations;
        if (relationship->isToMany())
            destinations = object->m_toMany[static_cast<size_t>(relationship->slot())].toList();
        else if (ManagedObject* target = object->m_toOne[static_cast<size_t>(relationship->slot())])
            destinations.append(target);
        for (ManagedObject* destination : destinations) {
            if (destination->m_deleted || doomed.contains(destination)) continue;
            p_collectDeletions(destination, objects, doomed);
        }
    }
}

void ManagedObjectContext::deleteObject(ManagedObject* object) {
    if (!object || object->m_context != this || object->m_deleted) return;
    std::vector<ManagedObject*> doomed;
    QSet<ManagedObject*> doomedSet;
    p_collectDeletions(object, doomed, doomedSet);
    std::vector<SlotChange> changes;
    // Live objects let go of the deleted ones; the deleted keep their own values, so undo finds them whole.
    for (ManagedObject* victim : doomed) {
        for (const RelationshipDescription* relationship : victim->entity()->relationships()) {
            if (relationship->deleteRule() == DeleteRule::Deny) continue;
            p_ensureLoaded(relationship, victim);
            const RelationshipDescription* inverse = relationship->inverseRelationship();
            QList<ManagedObject*> destinations;
            if (relationship->isToMany())
                destinations = victim->m_toMany[static_cast<size_t>(relationship->slot())].toList();
            else if (ManagedObject* target = victim->m_toOne[static_cast<size_t>(relationship->slot())])
                destinations.append(target);
            for (ManagedObject* destination : destinations) {
                if (destination->m_deleted || doomedSet.contains(destination)) continue;
                if (inverse->isToMany())
                    changes.push_back({SlotChange::Minus, destination, inverse, {}, nullptr, {victim}});
                else if (destination->m_toOne[static_cast<size_t>(inverse->slot())] == victim)
                    changes.push_back({SlotChange::SetToOne, destination, inverse, {}, nullptr, {}});
            }
        }
    }
    for (ManagedObject* victim : doomed) changes.push_back({SlotChange::MarkDeleted, victim});
    p_apply(changes);
}

// ---------------------------------------------------------------------------------------------------
// The change path

void ManagedObjectContext::p_setValue(ManagedObject* object, const PropertyDescription* property,
                                      const QVariant& value) {
    if (const AttributeDescription* attribute = property->asAttribute()) {
        const QVariant coerced = attribute->coerced(value);
        if (sameValue(object->m_attributes[static_cast<size_t>(attribute->slot())], coerced)) return;
        std::vector<SlotChange> changes{{SlotChange::SetAttribute, object, property, coerced}};
        p_apply(changes);
        return;
    }
    const RelationshipDescription* relationship = property->asRelationship();
    if (object->m_deleted) {
        logWithLevel(TDLogWarning, "WARNING", "Ignoring a change of \"%@\" of a deleted object.",
                     relationship->name());
        return;
    }
    p_ensureLoaded(relationship, object);
    auto acceptable = [&](ManagedObject* target) {
        if (target->m_context != this ||
            !target->entity()->isKindOfEntity(relationship->destinationEntity())) {
            logWithLevel(TDLogWarning, "WARNING",
                         "Ignoring an object of another context or entity for \"%@\".", relationship->name());
            return false;
        }
        return true;
    };
    if (!relationship->isToMany()) {
        ManagedObject* target = managedObjectFromVariant(value);
        if ((value.isValid() && !target) || (target && !acceptable(target))) return;
        std::vector<SlotChange> changes;
        p_setToOne(object, relationship, target, changes);
        p_apply(changes);
        return;
    }
    QList<ManagedObject*> wanted;
    ObjectSet wantedSet;
    for (ManagedObject* target : managedObjectsFromVariantList(value))
        if (acceptable(target) && wantedSet.insert(target)) wanted.append(target);
    ObjectSet& current = object->m_toMany[static_cast<size_t>(relationship->slot())];
    if (wantedSet == current) return;
    const RelationshipDescription* inverse = relationship->inverseRelationship();
    std::vector<SlotChange> changes{{SlotChange::SetToMany, object, relationship, {}, nullptr, wanted}};
    for (ManagedObject* member : current) {
        if (wantedSet.contains(member)) continue;
        if (inverse->isToMany())
            changes.push_back({SlotChange::Minus, member, inverse, {}, nullptr, {object}});
        else
            changes.push_back({SlotChange::SetToOne, member, inverse, {}, nullptr, {}});
    }
    for (ManagedObject* member : wanted) {
        if (current.contains(member)) continue;
        if (inverse->isToMany()) {
            changes.push_back({SlotChange::Union, member, inverse, {}, nullptr, {object}});
        } else {
            if (ManagedObject* previous = member->m_toOne[static_cast<size_t>(inverse->slot())];
                previous && previous != object)
                changes.push_back({SlotChange::Minus, previous, relationship, {}, nullptr, {member}});
            changes.push_back({SlotChange::SetToOne, member, inverse, {}, object, {}});
        }
    }
    p_apply(changes);
}

void ManagedObjectContext::p_setToOne(ManagedObject* object, const RelationshipDescription* relationship,
                                      ManagedObject* target, std::vector<SlotChange>& changes) {
    ManagedObject* old = object->m_toOne[static_cast<size_t>(relationship->slot())];
    if (old == target) return;
    const RelationshipDescription* inverse = relationship->inverseRelationship();
    changes.push_back({SlotChange::SetToOne, object, relationship, {}, target, {}});
    if (!inverse->isToMany()) {
        if (target) {
            ManagedObject* previousOwner = target->m_toOne[static_cast<size_t>(inverse->slot())];
            if (previousOwner && previousOwner != object)
                changes.push_back({SlotChange::SetToOne, previousOwner, relationship, {}, nullptr, {}});
        }
        if (old) changes.push_back({SlotChange::SetToOne, old, inverse, {}, nullptr, {}});
        if (target) changes.push_back({SlotChange::SetToOne, target, inverse, {}, object, {}});
    } else {
        if (old) changes.push_back({SlotChange::Minus, old, inverse, {}, nullptr, {object}});
        if (target) changes.push_back({SlotChange::Union, target, inverse, {}, nullptr, {object}});
    }
}

const ObjectSet* ManagedObjectContext::p_toManyForChange(ManagedObject* object,
                                                         const RelationshipDescription* relationship) {
    if (object->m_deleted) {
        logWithLevel(TDLogWarning, "WARNING", "Ignoring a change of \"%@\" of a deleted object.",
                     relationship->name());
        return nullptr;
    }
    p_ensureLoaded(relationship, object);
    return &object->m_toMany[static_cast<size_t>(relationship->slot())];
}

void ManagedObjectContext::p_addObjects(ManagedObject* object, const RelationshipDescription* relationship,
                                        const QList<ManagedObject*>& objects) {
    const ObjectSet* members = p_toManyForChange(object, relationship);
    if (!members) return;
    const ObjectSet& current = *members;
    QList<ManagedObject*> added;
    ObjectSet seen;
    for (ManagedObject* member : objects) {
        if (!member || member->m_context != this || member->m_deleted ||
            !member->entity()->isKindOfEntity(relationship->destinationEntity())) {
            logWithLevel(TDLogWarning, "WARNING", "Ignoring an unsuitable object added to \"%@\".",
                         relationship->name());
            continue;
        }
        if (!current.contains(member) && seen.insert(member)) added.append(member);
    }
    if (added.isEmpty()) return;
    const RelationshipDescription* inverse = relationship->inverseRelationship();
    std::vector<SlotChange> changes{{SlotChange::Union, object, relationship, {}, nullptr, added}};
    QHash<ManagedObject*, size_t> previousOwners;
    for (ManagedObject* member : added) {
        if (inverse->isToMany()) {
            changes.push_back({SlotChange::Union, member, inverse, {}, nullptr, {object}});
            continue;
        }
        if (ManagedObject* previous = member->m_toOne[static_cast<size_t>(inverse->slot())]) {
            const auto it = previousOwners.constFind(previous);
            if (it != previousOwners.constEnd()) {
                changes[*it].objects.append(member);
            } else {
                previousOwners.insert(previous, changes.size());
                changes.push_back({SlotChange::Minus, previous, relationship, {}, nullptr, {member}});
            }
        }
        changes.push_back({SlotChange::SetToOne, member, inverse, {}, object, {}});
    }
    p_apply(changes);
}

void ManagedObjectContext::p_removeObjects(ManagedObject* object, const RelationshipDescription* relationship,
                                           const QList<ManagedObject*>& objects) {
    const ObjectSet* members = p_toManyForChange(object, relationship);
    if (!members) return;
    const ObjectSet& current = *members;
    QList<ManagedObject*> removed;
    ObjectSet seen;
    for (ManagedObject* member : objects)
        if (member && current.contains(member) && seen.insert(member)) removed.append(member);
    if (removed.isEmpty()) return;
    const RelationshipDescription* inverse = relationship->inverseRelationship();
    std::vector<SlotChange> changes{{SlotChange::Minus, object, relationship, {}, nullptr, removed}};
    for (ManagedObject* member : removed) {
        if (inverse->isToMany())
            changes.push_back({SlotChange::Minus, member, inverse, {}, nullptr, {object}});
        else
            changes.push_back({SlotChange::SetToOne, member, inverse, {}, nullptr, {}});
    }
    p_apply(changes);
}

void ManagedObjectContext::p_apply(std::vector<SlotChange>& changes) {
    struct Observed {
        QString key;
        QVariant oldValue;
    };
    std::vector<std::vector<Observed>> observed(changes.size());
    for (size_t i = 0; i < changes.size(); ++i) {
        const SlotChange& c = changes[i];
        if (!c.property) continue;
        const QString& key = c.property->name();
        if (c.op == SlotChange::Union || c.op == SlotChange::Minus)
            c.object->willChangeSet(key,
                                    c.op == SlotChange::Union ? ManagedObject::SetMutation::Union
                                                              : ManagedObject::SetMutation::Minus,
                                    c.objects);
        else
            c.object->willChangeValue(key);
        if (!c.object->m_observed) continue;
        if (p_isObserved(c.object, key) && c.op != SlotChange::Union && c.op != SlotChange::Minus)
            observed[i].push_back({key, c.object->p_slotValue(c.property)});
        if (const ManagedObjectClass* objectClass = p_class(c.object->entity())) {
            for (const QString& dependent : objectClass->affectedKeys.value(key))
                if (p_isObserved(c.object, dependent))
                    observed[i].push_back({dependent, c.object->value(dependent)});
        }
    }

    std::vector<SlotChange> inverse;
    inverse.reserve(changes.size());
    for (const SlotChange& c : changes) inverse.push_back(p_write(c, !m_merging));
    if (m_undoManager && m_undoManager->isUndoRegistrationEnabled() && !m_merging) {
        std::reverse(inverse.begin(), inverse.end());
        m_undoManager->registerUndo(this, [this, undo = std::move(inverse)] {
            std::vector<SlotChange> copy = undo;
            p_apply(copy);
        });
    }

    for (size_t i = 0; i < changes.size(); ++i) {
        const SlotChange& c = changes[i];
        if (!c.property) continue;
        const QString& key = c.property->name();
        const bool mutation = c.op == SlotChange::Union || c.op == SlotChange::Minus;
        if (c.object->m_observed) {
            if (mutation && p_isObserved(c.object, key)) {
                KeyChange change;
                change.object = c.object;
                change.key = key;
                change.kind = c.op == SlotChange::Union ? KeyChange::Insertion : KeyChange::Removal;
                (c.op == SlotChange::Union ? change.newObjects : change.oldObjects) = c.objects;
                p_notifyObservers(c.object, change);
            }
            for (const Observed& o : observed[i]) {
                KeyChange change;
                change.object = c.object;
                change.key = o.key;
                change.oldValue = o.oldValue;
                change.newValue = c.object->value(o.key);
                p_notifyObservers(c.object, change);
            }
        }
        if (mutation)
            c.object->didChangeSet(key,
                                   c.op == SlotChange::Union ? ManagedObject::SetMutation::Union
                                                             : ManagedObject::SetMutation::Minus,
                                   c.objects);
        else
            c.object->didChangeValue(key);
    }
}

ManagedObjectContext::SlotChange ManagedObjectContext::p_write(const SlotChange& c, bool track) {
    ManagedObject* object = c.object;
    SlotChange undo{c.op, object, c.property};
    QVariant oldValue;
    ManagedObject* oldTarget = nullptr;
    switch (c.op) {
        case SlotChange::SetAttribute: {
            QVariant& slot = object->m_attributes[static_cast<size_t>(c.property->slot())];
            oldValue = slot;
            slot = c.value;
            undo.value = oldValue;
            p_reindex(object, c.property->slot(), oldValue);
            break;
        }
        case SlotChange::SetToOne: {
            ManagedObject*& slot = object->m_toOne[static_cast<size_t>(c.property->slot())];
            oldTarget = slot;
            slot = c.target;
            undo.target = oldTarget;
            break;
        }
        case SlotChange::Union: {
            ObjectSet& set = object->m_toMany[static_cast<size_t>(c.property->slot())];
            for (ManagedObject* member : c.objects) set.insert(member);
            undo.op = SlotChange::Minus;
            undo.objects = c.objects;
            break;
        }
        case SlotChange::Minus: {
            ObjectSet& set = object->m_toMany[static_cast<size_t>(c.property->slot())];
            for (ManagedObject* member : c.objects) set.remove(member);
            undo.op = SlotChange::Union;
            undo.objects = c.objects;
            break;
        }
        case SlotChange::SetToMany: {
            ObjectSet& set = object->m_toMany[static_cast<size_t>(c.property->slot())];
            undo.objects = set.toList();
            set.clear();
            for (ManagedObject* member : c.objects) set.insert(member);
            break;
        }
        case SlotChange::MarkDeleted:
            object->m_deleted = true;
            undo.op = SlotChange::MarkUndeleted;
            break;
        case SlotChange::MarkUndeleted:
            object->m_deleted = false;
            undo.op = SlotChange::MarkDeleted;
            break;
    }
    ++m_changeCount;
    if (track && c.property) {
        if (c.op == SlotChange::SetToMany) {
            p_trackReplacement(object, c.property, undo.objects, c.objects);
        } else {
            p_track(object, c, oldValue, oldTarget);
        }
    }
    p_noteStatus(object);
    if (track || m_merging) p_notePending(object, c.op, c.property);
    return undo;
}

void ManagedObjectContext::p_track(ManagedObject* object, const SlotChange& c, const QVariant& oldValue,
                                   ManagedObject* oldTarget) {
    if (!object->m_inStore) return;
    if (!object->m_changes) object->m_changes = std::make_unique<ChangeRecord>();
    ChangeRecord& record = *object->m_changes;
    const int slot = c.property->slot();
    switch (c.op) {
        case SlotChange::SetAttribute: {
            auto it = std::find_if(record.attributes.begin(), record.attributes.end(),
                                   [slot](const auto& e) { return e.first == slot; });
            if (it == record.attributes.end())
                record.attributes.emplace_back(slot, oldValue);
            else if (sameValue(it->second, c.value))
                record.attributes.erase(it);
            break;
        }
        case SlotChange::SetToOne: {
            auto it = std::find_if(record.toOne.begin(), record.toOne.end(),
                                   [slot](const auto& e) { return e.first == slot; });
            if (it == record.toOne.end())
                record.toOne.emplace_back(slot, oldTarget);
            else if (it->second == c.target)
                record.toOne.erase(it);
            break;
        }
        case SlotChange::Union:
        case SlotChange::Minus: {
            if (c.objects.isEmpty()) break;
            auto it = std::find_if(record.toMany.begin(), record.toMany.end(),
                                   [slot](const auto& d) { return d.slot == slot; });
            if (it == record.toMany.end()) {
                record.toMany.push_back({slot, {}, {}});
                it = record.toMany.end() - 1;
            }
            for (ManagedObject* member : c.objects) {
                if (c.op == SlotChange::Union) {
                    if (!it->removed.remove(member)) it->added.insert(member);
                } else if (!it->added.remove(member)) {
                    it->removed.insert(member);
                }
            }
            if (it->added.isEmpty() && it->removed.isEmpty()) record.toMany.erase(it);
            break;
        }
        default:
            break;
    }
    if (record.isEmpty()) object->m_changes.reset();
}

// A whole to-many replaced is tracked as the members that left and joined.
void ManagedObjectContext::p_trackReplacement(ManagedObject* object, const PropertyDescription* property,
                                              const QList<ManagedObject*>& before,
                                              const QList<ManagedObject*>& after) {
    const QSet<ManagedObject*> beforeSet(before.begin(), before.end());
    const QSet<ManagedObject*> afterSet(after.begin(), after.end());
    QList<ManagedObject*> left, joined;
    for (ManagedObject* member : before)
        if (!afterSet.contains(member)) left.append(member);
    for (ManagedObject* member : after)
        if (!beforeSet.contains(member)) joined.append(member);
    p_track(object, {SlotChange::Minus, object, property, {}, nullptr, left}, {}, nullptr);
    p_track(object, {SlotChange::Union, object, property, {}, nullptr, joined}, {}, nullptr);
}

void ManagedObjectContext::p_setPrimitive(ManagedObject* object, const PropertyDescription* property,
                                          const QVariant& value) {
    // A transient attribute is only written: objects set their derived figures this way as they load,
    // so it takes no change record at all.
    if (const AttributeDescription* attribute = property->asAttribute();
        attribute && property->isTransient()) {
        QVariant coerced = attribute->coerced(value);
        QVariant& slot = object->m_attributes[static_cast<size_t>(attribute->slot())];
        if (sameValue(slot, coerced)) return;
        const QVariant oldValue = std::exchange(slot, std::move(coerced));
        p_reindex(object, attribute->slot(), oldValue);
        ++m_changeCount;
        // The object's status is untouched: it hangs on deletion, store membership and recorded changes.
        if (m_merging) p_notePending(object, SlotChange::SetAttribute, property);
        return;
    }
    SlotChange change{SlotChange::SetAttribute, object, property};
    if (const AttributeDescription* attribute = property->asAttribute()) {
        change.value = attribute->coerced(value);
        if (sameValue(object->m_attributes[static_cast<size_t>(attribute->slot())], change.value)) return;
    } else {
        p_ensureLoaded(property->asRelationship(), object);
        if (property->asRelationship()->isToMany()) {
            change.op = SlotChange::SetToMany;
            change.objects = managedObjectsFromVariantList(value);
        } else {
            change.op = SlotChange::SetToOne;
            change.target = managedObjectFromVariant(value);
        }
    }
    // Transient values set this way are not changes at all; stored ones are saved but not announced.
    const bool track = !property->isTransient();
    if (!track) {
        p_write(change, false);
        return;
    }
    QVariant oldValue;
    ManagedObject* oldTarget = nullptr;
    if (change.op == SlotChange::SetAttribute)
        oldValue = object->m_attributes[static_cast<size_t>(property->slot())];
    if (change.op == SlotChange::SetToOne) oldTarget = object->m_toOne[static_cast<size_t>(property->slot())];
    const SlotChange undo = p_write(change, false);
    if (change.op == SlotChange::SetToMany) {
        p_trackReplacement(object, property, undo.objects, change.objects);
    } else {
        p_track(object, change, oldValue, oldTarget);
    }
    p_noteStatus(object);
}

void ManagedObjectContext::p_setPrimitives(ManagedObject* object,
                                           std::span<ManagedObject::PrimitiveWrite> writes) {
    bool changed = false;
    for (ManagedObject::PrimitiveWrite& write : writes) {
        const AttributeDescription* attribute = write.attribute;
        if (!attribute) continue;
        if (!attribute->isTransient() || !attribute->acceptsValue(write.value)) {
            p_setPrimitive(object, attribute, write.value);
            continue;
        }
        // As p_setPrimitive writes a transient attribute, without the copies.
        QVariant& slot = object->m_attributes[static_cast<size_t>(attribute->slot())];
        if (samePlainValue(slot, write.value)) continue;
        std::swap(slot, write.value);
        p_reindex(object, attribute->slot(), write.value);
        changed = true;
        if (m_merging) p_notePending(object, SlotChange::SetAttribute, attribute);
    }
    if (changed) ++m_changeCount;
}

void* ManagedObjectContext::p_slotArena(size_t bytes) {
    return m_loading ? m_slotArena.allocate(bytes) : nullptr;
}

void ManagedObjectContext::p_noteStatus(ManagedObject* object) {
    const bool inserted = object->isInserted();
    const bool updated = object->isUpdated();
    const bool deleted = object->m_deleted && object->m_inStore;
    inserted ? (void)m_inserted.insert(object) : (void)m_inserted.remove(object);
    updated ? (void)m_updated.insert(object) : (void)m_updated.remove(object);
    deleted ? (void)m_deleted.insert(object) : (void)m_deleted.remove(object);
}

void ManagedObjectContext::p_notePending(ManagedObject* object, SlotChange::Op op,
                                         const PropertyDescription* property) {
    if (m_loading) return;
    if (op == SlotChange::MarkDeleted) {
        m_pendingKeys.remove(object);
        if (!m_pendingInserted.remove(object)) {
            m_pendingUpdated.remove(object);
            m_pendingDeleted.insert(object);
        }
    } else if (op == SlotChange::MarkUndeleted) {
        if (!m_pendingDeleted.remove(object)) m_pendingInserted.insert(object);
    } else if (!object->m_deleted && !m_pendingInserted.contains(object)) {
        (m_merging ? m_pendingRefreshed : m_pendingUpdated).insert(object);
        if (property) m_pendingKeys[object].insert(property->name());
    }
    p_schedulePendingChanges();
}

void ManagedObjectContext::p_schedulePendingChanges() {
    if (m_pendingScheduled) return;
    m_pendingScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_pendingScheduled = false;
            processPendingChanges();
        },
        Qt::QueuedConnection);
}

void ManagedObjectContext::processPendingChanges() {
    if (m_processing) return;
    m_processing = true;
    // Observers may change more; their changes are announced in a further round.
    for (int round = 0; round < 100; ++round) {
        if (m_pendingInserted.isEmpty() && m_pendingUpdated.isEmpty() && m_pendingDeleted.isEmpty() &&
            m_pendingRefreshed.isEmpty())
            break;
        QVariantMap info;
        info.insert(InsertedObjectsKey, variants(m_pendingInserted));
        info.insert(UpdatedObjectsKey, variants(m_pendingUpdated));
        info.insert(DeletedObjectsKey, variants(m_pendingDeleted));
        info.insert(RefreshedObjectsKey, variants(m_pendingRefreshed));
        m_pendingRefreshed.clear();
        info.insert(InvalidatedObjectsKey, QVariantList());
        info.insert(InvalidatedAllObjectsKey, QVariantList());
        info.insert(UpdatedKeysKey, QVariant::fromValue(std::exchange(m_pendingKeys, {})));
        m_pendingInserted.clear();
        m_pendingUpdated.clear();
        m_pendingDeleted.clear();
        NotificationCenter::defaultCenter().post(ManagedObjectContextObjectsDidChangeNotification, this,
                                                 info);
    }
    m_processing = false;
}

bool ManagedObjectContext::hasChanges() const {
    return !m_inserted.isEmpty() || !m_updated.isEmpty() || !m_deleted.isEmpty();
}

// ---------------------------------------------------------------------------------------------------
// Observers

bool ManagedObjectContext::p_isObserved(ManagedObject* object, const QString& key) const {
    const auto it = m_observers.constFind(object);
    if (it == m_observers.constEnd()) return false;
    for (const Observer& observer : *it)
        if (observer.key == key) return true;
    return false;
}

int ManagedObjectContext::p_addObserver(ManagedObject* object, const QString& key, QObject* owner,
                                        ManagedObject::ObserverHandler handler) {
    const int token = m_nextObserverToken++;
    m_observers[object].push_back(
        {token, key, owner, std::make_shared<ManagedObject::ObserverHandler>(std::move(handler))});
    m_observerTokens.insert(token, object);
    object->m_observed = true;
    if (owner && !m_observerOwners.contains(owner)) {
        m_observerOwners.append(owner);
        connect(owner, &QObject::destroyed, this, [this, owner] { p_removeObserversOwnedBy(owner); });
    }
    return token;
}

void ManagedObjectContext::p_removeObserver(int token) {
    ManagedObject* object = m_observerTokens.take(token);
    if (!object) return;
    auto it = m_observers.find(object);
    if (it == m_observers.end()) return;
    auto& list = *it;
    for (auto o = list.begin(); o != list.end(); ++o) {
        if (o->token != token) continue;
        *o->handler = nullptr;  // a delivery in progress skips it
        list.erase(o);
        break;
    }
    if (list.empty()) {
        m_observers.erase(it);
        object->m_observed = false;
    }
}

void ManagedObjectContext::p_removeObserversOwnedBy(QObject* owner) {
    m_observerOwners.removeAll(owner);
    QList<int> tokens;
    for (const auto& list : std::as_const(m_observers))
        for (const Observer& observer : list)
            if (observer.owner == owner) tokens.append(observer.token);
    for (int token : tokens) p_removeObserver(token);
}

void ManagedObjectContext::p_notifyObservers(ManagedObject* object, const KeyChange& change) {
    const auto it = m_observers.constFind(object);
    if (it == m_observers.constEnd()) return;
    std::vector<std::shared_ptr<ManagedObject::ObserverHandler>> handlers;
    for (const Observer& observer : *it)
        if (observer.key == change.key) handlers.push_back(observer.handler);
    for (const auto& handler : handlers)
        if (*handler) (*handler)(change);
}

// ---------------------------------------------------------------------------------------------------
// Loading and fetching

Status ManagedObjectContext::loadAllObjects() {
    QList<int> tables;
    for (int t = 0; t < static_cast<int>(m_tables.size()); ++t)
        if (!m_tables[static_cast<size_t>(t)].loaded) tables.append(t);
    return tables.isEmpty() ? Status() : p_loadTables(tables);
}

void ManagedObjectContext::p_ensureLoaded(const RelationshipDescription* relationship,
                                          const ManagedObject* object) {
    const int source = object->entity()->tableIndex();
    const int destination = relationship->destinationEntity()->tableIndex();
    if (m_loading ||
        (m_tables[static_cast<size_t>(source)].loaded && m_tables[static_cast<size_t>(destination)].loaded))
        return;
    QList<int> tables;
    if (!m_tables[static_cast<size_t>(source)].loaded) tables.append(source);
    if (destination != source && !m_tables[static_cast<size_t>(destination)].loaded)
        tables.append(destination);
    if (Status s = p_loadTables(tables); !s)
        logWithLevel(TDLogError, "ERROR", "Could not read the store: %@", s.error().description);
}

Status ManagedObjectContext::p_loadTables(const QList<int>& tables) {
    m_loading = true;
    std::vector<ManagedObject*> fresh;
    Status status;
    m_coordinator->lock();
    for (int t : tables) {
        Table& table = m_tables[static_cast<size_t>(t)];
        const size_t before = table.objects.size();
        // Room for as many rows as keys were handed out, so a large table is not rehashed as it is read.
        qint64 keys = 0;
        {
            QMutexLocker locker(&m_coordinator->m_keyMutex);
            if (static_cast<size_t>(t) < m_coordinator->m_lastPrimaryKey.size())
                keys =
                    std::clamp<qint64>(m_coordinator->m_lastPrimaryKey[static_cast<size_t>(t)], 0, 1 << 22);
        }
        table.objects.reserve(before + static_cast<size_t>(keys));
        table.byPrimaryKey.reserve(table.byPrimaryKey.size() + keys);
        status = m_coordinator->p_readTable(
            t,
            [&](const EntityDescription* entity, qint64 pk) {
                std::unique_ptr<ManagedObject> owned = p_makeObject(entity);
                ManagedObject* object = owned.get();
                object->m_primaryKey = pk;
                object->m_inStore = true;
                object->m_awakeState = 1;
                table.objects.push_back(std::move(owned));
                table.byPrimaryKey.insert(pk, object);
                return object;
            },
            [&](ManagedObject* object, const RelationshipDescription* relationship, qint64 key) {
                auto& pending = m_pendingForeignKeys[relationship];
                if (pending.empty()) pending.reserve(static_cast<size_t>(keys));
                pending.emplace_back(object, key);
            });
        if (!status) {
            // Nothing of a table that could not be read stays behind.
            for (size_t i = before; i < table.objects.size(); ++i) {
                ManagedObject* object = table.objects[i].get();
                table.byPrimaryKey.remove(object->m_primaryKey);
                for (auto& pending : m_pendingForeignKeys)
                    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                                 [object](const auto& p) { return p.first == object; }),
                                  pending.end());
            }
            table.objects.resize(before);
            break;
        }
        for (size_t i = before; i < table.objects.size(); ++i) fresh.push_back(table.objects[i].get());
        table.loaded = true;
    }
    if (status) {
        const auto& joins = m_model->joinTables();
        for (int j = 0; j < joins.size() && status; ++j) {
            const RelationshipDescription* r = joins[j];
            Table& owner = m_tables[static_cast<size_t>(r->entity()->tableIndex())];
            Table& other = m_tables[static_cast<size_t>(r->destinationEntity()->tableIndex())];
            if (m_joinLoaded[static_cast<size_t>(j)] || !owner.loaded || !other.loaded) continue;
            const int slot = r->slot();
            const int inverseSlot = r->inverseRelationship()->slot();
            status = m_coordinator->p_readJoinTable(j, [&](qint64 a, qint64 b) {
                ManagedObject* from = owner.byPrimaryKey.value(a);
                ManagedObject* to = other.byPrimaryKey.value(b);
                if (!from || !to || !from->entity()->isKindOfEntity(r->entity()) ||
                    !to->entity()->isKindOfEntity(r->destinationEntity()))
                    return;
                from->m_toMany[static_cast<size_t>(slot)].appendNew(to);
                to->m_toMany[static_cast<size_t>(inverseSlot)].appendNew(from);
            });
            m_joinLoaded[static_cast<size_t>(j)] = true;
        }
    }
    m_coordinator->unlock();
    p_wireForeignKeys();
    m_loading = false;
    for (ManagedObject* object : fresh) p_indexObject(object);
    p_awake(fresh);
    return status;
}

void ManagedObjectContext::p_wireForeignKeys() {
    for (auto it = m_pendingForeignKeys.begin(); it != m_pendingForeignKeys.end();) {
        const RelationshipDescription* relationship = it.key();
        const Table& destination =
            m_tables[static_cast<size_t>(relationship->destinationEntity()->tableIndex())];
        if (!destination.loaded) {
            ++it;
            continue;
        }
        const RelationshipDescription* inverse = relationship->inverseRelationship();
        for (const auto& [object, key] : it.value()) {
            ManagedObject* target = destination.byPrimaryKey.value(key);
            if (!target || !target->entity()->isKindOfEntity(relationship->destinationEntity())) {
                logWithLevel(TDLogWarning, "WARNING", "Ignoring the dangling reference \"%@\" of %@.",
                             relationship->name(), object->objectID().uriString());
                continue;
            }
            object->m_toOne[static_cast<size_t>(relationship->slot())] = target;
            if (inverse->isToMany())
                target->m_toMany[static_cast<size_t>(inverse->slot())].appendNew(object);
            else
                target->m_toOne[static_cast<size_t>(inverse->slot())] = object;
        }
        it = m_pendingForeignKeys.erase(it);
    }
}

void ManagedObjectContext::p_awake(const std::vector<ManagedObject*>& objects) {
    // Depth-first over containing relationships, each object after everything it contains.
    struct Frame {
        ManagedObject* object;
        int relationship;
        qsizetype member;
    };
    std::vector<ManagedObject*> order;
    order.reserve(objects.size());
    std::vector<Frame> stack;
    for (ManagedObject* root : objects) {
        if (root->m_awakeState != 1) continue;
        root->m_awakeState = 2;
        stack.push_back({root, 0, 0});
        while (!stack.empty()) {
            Frame& frame = stack.back();
            const auto& relationships = frame.object->entity()->relationships();
            ManagedObject* next = nullptr;
            while (!next && frame.relationship < relationships.size()) {
                const RelationshipDescription* r = relationships[frame.relationship];
                if (!r->containsDestination()) {
                    ++frame.relationship;
                    continue;
                }
                if (r->isToMany()) {
                    const ObjectSet& members = frame.object->m_toMany[static_cast<size_t>(r->slot())];
                    if (frame.member < members.size()) {
                        ManagedObject* candidate = members.at(frame.member++);
                        if (candidate->m_awakeState == 1) next = candidate;
                        continue;
                    }
                } else if (frame.member == 0) {
                    frame.member = 1;
                    ManagedObject* candidate = frame.object->m_toOne[static_cast<size_t>(r->slot())];
                    if (candidate && candidate->m_awakeState == 1) next = candidate;
                    continue;
                }
                ++frame.relationship;
                frame.member = 0;
            }
            if (next) {
                next->m_awakeState = 2;
                stack.push_back({next, 0, 0});
                continue;
            }
            frame.object->m_awakeState = 0;
            order.push_back(frame.object);
            stack.pop_back();
        }
    }
    for (ManagedObject* object : order) object->awakeFromFetch();
}

Result<QList<ManagedObject*>> ManagedObjectContext::execute(const FetchRequest& request) {
    const EntityDescription* entity = m_model->entity(request.entityName);
    if (!entity)
        return makeObjectStoreError(
            ObjectStoreErrorNoSuchObject,
            QStringLiteral("There is no entity named \"%1\".").arg(request.entityName));
    const int t = entity->tableIndex();
    if (!m_tables[static_cast<size_t>(t)].loaded) {
        if (Status s = p_loadTables({t}); !s) return s.error();
    }
    // Without sorting the limit can stop the scan early; with it, it applies to the sorted result.
    const bool limitWhileScanning = request.fetchLimit > 0 && request.sortDescriptors.isEmpty();
    QList<ManagedObject*> result;
    for (const auto& owned : m_tables[static_cast<size_t>(t)].objects) {
        ManagedObject* object = owned.get();
        if (object->m_deleted) continue;
        if (request.includesSubentities ? !object->entity()->isKindOfEntity(entity)
                                        : object->entity() != entity)
            continue;
        if (request.predicate && !request.predicate->evaluate(object)) continue;
        if (request.filter && !request.filter(object)) continue;
        result.append(object);
        if (limitWhileScanning && result.size() >= request.fetchLimit) break;
    }
    if (!request.sortDescriptors.isEmpty()) {
        sortObjects(result, request.sortDescriptors);
        if (request.fetchLimit > 0 && result.size() > request.fetchLimit) result.resize(request.fetchLimit);
    }
    return result;
}

Result<qint64> ManagedObjectContext::count(const FetchRequest& request) {
    Result<QList<ManagedObject*>> objects = execute(request);
    if (!objects) return objects.error();
    return qint64(objects->size());
}

ManagedObject* ManagedObjectContext::objectWithID(const ObjectID& id) {
    if (!id.isValid() || id.entity()->model() != m_model.get() ||
        id.storeUUID() != m_coordinator->storeUUID())
        return nullptr;
    const int t = id.entity()->tableIndex();
    if (!m_tables[static_cast<size_t>(t)].loaded) {
        if (Status s = p_loadTables({t}); !s) return nullptr;
    }
    ManagedObject* object = m_tables[static_cast<size_t>(t)].byPrimaryKey.value(id.primaryKey());
    return object && !object->m_deleted ? object : nullptr;
}

Result<ManagedObject*> ManagedObjectContext::existingObject(const ObjectID& id) {
    if (ManagedObject* object = objectWithID(id)) return object;
    return makeObjectStoreError(ObjectStoreErrorNoSuchObject,
                                QStringLiteral("There is no object with the ID \"%1\".").arg(id.uriString()));
}

Result<ObjectID> ManagedObjectContext::objectIDForURIString(const QString& uri) const {
    Result<ObjectID> id = ObjectID::fromURIString(uri, *m_model);
    if (!id) return id;
    if (id->storeUUID() != m_coordinator->storeUUID())
        return makeObjectStoreError(
            ObjectStoreErrorNoSuchObject,
            QStringLiteral("The object \"%1\" belongs to another store.").arg(uri.left(200)));
    return id;
}

// ---------------------------------------------------------------------------------------------------
// Saving

Status ManagedObjectContext::p_validate(
    std::vector<std::tuple<ManagedObject*, QString, QVariant>>& replacements) {
    for (ManagedObject* object : m_deleted) {
        for (const RelationshipDescription* r : object->entity()->relationships()) {
            if (r->deleteRule() != DeleteRule::Deny) continue;
            bool live = false;
            if (r->isToMany()) {
                for (ManagedObject* member : object->m_toMany[static_cast<size_t>(r->slot())])
                    live = live || !member->m_deleted;
            } else if (ManagedObject* target = object->m_toOne[static_cast<size_t>(r->slot())]) {
                live = !target->m_deleted;
            }
            if (live)
                return validationError(ObjectStoreErrorDeleteDenied, object, r->name(),
                                       QStringLiteral("%1 cannot be deleted while \"%2\" holds objects.")
                                           .arg(describe(object), r->name()));
        }
    }
    for (const ObjectSet* set : {&m_inserted, &m_updated}) {
        for (ManagedObject* object : *set) {
            for (const AttributeDescription* a : object->entity()->attributes()) {
                QVariant value = object->m_attributes[static_cast<size_t>(a->slot())];
                const QVariant original = value;
                if (Status s = object->validateValue(a->name(), value); !s) {
                    TDError error = s.error();
                    error.userInfo.insert(QStringLiteral("object"), objectVariant(object));
                    error.userInfo.insert(QStringLiteral("key"), a->name());
                    error.userInfo.insert(QStringLiteral("objectID"), object->objectID().uriString());
                    return error;
                }
                if (!a->acceptsValue(value))
                    return validationError(
                        ObjectStoreErrorWrongType, object, a->name(),
                        QStringLiteral("The value of \"%1\" of %2 is not of type %3.")
                            .arg(a->name(), describe(object), AttributeDescription::typeName(a->type())));
                if (!a->isOptional() && !a->isTransient() && !value.isValid())
                    return validationError(ObjectStoreErrorMissingValue, object, a->name(),
                                           QStringLiteral("The value of \"%1\" of %2 is missing.")
                                               .arg(a->name(), describe(object)));
                if (!sameValue(value, original)) replacements.emplace_back(object, a->name(), value);
            }
            for (const RelationshipDescription* r : object->entity()->relationships()) {
                QVariant value = object->p_slotValue(r);
                if (Status s = object->validateValue(r->name(), value); !s) {
                    TDError error = s.error();
                    error.userInfo.insert(QStringLiteral("object"), objectVariant(object));
                    error.userInfo.insert(QStringLiteral("key"), r->name());
                    return error;
                }
                bool dangling = false;
                if (r->isToMany()) {
                    for (ManagedObject* member : object->m_toMany[static_cast<size_t>(r->slot())])
                        dangling = dangling || member->m_deleted;
                } else {
                    ManagedObject* target = object->m_toOne[static_cast<size_t>(r->slot())];
                    if (!target && !r->isOptional())
                        return validationError(ObjectStoreErrorMissingValue, object, r->name(),
                                               QStringLiteral("The value of \"%1\" of %2 is missing.")
                                                   .arg(r->name(), describe(object)));
                    dangling = target && target->m_deleted;
                }
                if (dangling)
                    return validationError(ObjectStoreErrorDanglingReference, object, r->name(),
                                           QStringLiteral("\"%1\" of %2 refers to a deleted object.")
                                               .arg(r->name(), describe(object)));
            }
        }
    }
    return {};
}

Status ManagedObjectContext::save() {
    if (m_scratch)
        return makeObjectStoreError(ObjectStoreErrorScratchContext,
                                    QStringLiteral("A scratch context is never saved."));
    processPendingChanges();
    if (!hasChanges()) return {};
    std::vector<std::tuple<ManagedObject*, QString, QVariant>> replacements;
    if (Status s = p_validate(replacements); !s) return s;
    const quint64 before = m_changeCount;
    for (const auto& [object, key, value] : replacements)
        p_setValue(object, object->entity()->property(key), value);
    for (const ObjectSet* set : {&m_inserted, &m_updated, &m_deleted})
        for (ManagedObject* object : set->toList()) object->willSave();
    processPendingChanges();
    if (m_changeCount != before) {
        replacements.clear();
        if (Status s = p_validate(replacements); !s) return s;
    }

    const std::vector<ManagedObject*> inserted(m_inserted.begin(), m_inserted.end());
    const std::vector<ManagedObject*> updated(m_updated.begin(), m_updated.end());
    const std::vector<ManagedObject*> deleted(m_deleted.begin(), m_deleted.end());
    if (Status s = m_coordinator->p_write(inserted, updated, deleted); !s) return s;

    for (ManagedObject* object : inserted) object->m_inStore = true;
    for (ManagedObject* object : deleted) {
        object->m_inStore = false;
        object->m_changes.reset();
    }
    for (ManagedObject* object : updated) object->m_changes.reset();
    m_inserted.clear();
    m_updated.clear();
    m_deleted.clear();
    for (const auto* list : {&inserted, &updated})
        for (ManagedObject* object : *list) object->didSave();

    QVariantMap info;
    auto toVariants = [](const std::vector<ManagedObject*>& objects) {
        QVariantList list;
        list.reserve(static_cast<qsizetype>(objects.size()));
        for (ManagedObject* object : objects) list.append(objectVariant(object));
        return list;
    };
    info.insert(InsertedObjectsKey, toVariants(inserted));
    info.insert(UpdatedObjectsKey, toVariants(updated));
    info.insert(DeletedObjectsKey, toVariants(deleted));
    auto toIDs = [](const std::vector<ManagedObject*>& objects) {
        QList<ObjectID> ids;
        ids.reserve(static_cast<qsizetype>(objects.size()));
        for (ManagedObject* object : objects) ids.append(object->objectID());
        return QVariant::fromValue(ids);
    };
    info.insert(InsertedObjectIDsKey, toIDs(inserted));
    info.insert(UpdatedObjectIDsKey, toIDs(updated));
    info.insert(DeletedObjectIDsKey, toIDs(deleted));
    NotificationCenter::defaultCenter().post(ManagedObjectContextDidSaveNotification, this, info);
    return {};
}

void ManagedObjectContext::rollback() {
    processPendingChanges();
    QVariantList refreshed;
    for (const auto& table : m_tables) {
        for (const auto& owned : table.objects) {
            ManagedObject* object = owned.get();
            if (!object->m_changes) continue;
            for (const auto& [slot, value] : object->m_changes->attributes) {
                const QVariant oldValue =
                    std::exchange(object->m_attributes[static_cast<size_t>(slot)], value);
                p_reindex(object, slot, oldValue);
            }
            for (const auto& [slot, target] : object->m_changes->toOne)
                object->m_toOne[static_cast<size_t>(slot)] = target;
            for (const ChangeRecord::ToMany& delta : object->m_changes->toMany) {
                ObjectSet& set = object->m_toMany[static_cast<size_t>(delta.slot)];
                for (ManagedObject* member : delta.added) set.remove(member);
                for (ManagedObject* member : delta.removed) set.insert(member);
            }
            object->m_changes.reset();
            refreshed.append(objectVariant(object));
        }
    }
    const QList<ManagedObject*> discarded = m_inserted.toList();
    const QList<ManagedObject*> restored = m_deleted.toList();
    for (ManagedObject* object : discarded) object->m_deleted = true;
    for (ManagedObject* object : restored) object->m_deleted = false;
    m_inserted.clear();
    m_updated.clear();
    m_deleted.clear();
    if (m_undoManager) m_undoManager->removeAllActions(this);
    if (refreshed.isEmpty() && discarded.isEmpty() && restored.isEmpty()) return;
    QVariantMap info;
    info.insert(InsertedObjectsKey, variantListOfObjects(restored));
    info.insert(UpdatedObjectsKey, QVariantList());
    info.insert(DeletedObjectsKey, variantListOfObjects(discarded));
    info.insert(RefreshedObjectsKey, refreshed);
    info.insert(InvalidatedObjectsKey, QVariantList());
    info.insert(InvalidatedAllObjectsKey, QVariantList());
    NotificationCenter::defaultCenter().post(ManagedObjectContextObjectsDidChangeNotification, this, info);
}

void ManagedObjectContext::reset() {
    willReset();
    QVariantList all;
    for (const auto& table : m_tables)
        for (const auto& owned : table.objects) all.append(objectVariant(owned.get()));
    if (m_undoManager) m_undoManager->removeAllActions(this);
    m_pendingInserted.clear();
    m_pendingUpdated.clear();
    m_pendingDeleted.clear();
    m_pendingRefreshed.clear();
    m_pendingKeys.clear();
    m_inserted.clear();
    m_updated.clear();
    m_deleted.clear();
    if (!all.isEmpty()) {
        QVariantMap info;
        for (const QString& key : {InsertedObjectsKey, UpdatedObjectsKey, DeletedObjectsKey,
                                   RefreshedObjectsKey, InvalidatedObjectsKey})
            info.insert(key, QVariantList());
        info.insert(InvalidatedAllObjectsKey, all);
        NotificationCenter::defaultCenter().post(ManagedObjectContextObjectsDidChangeNotification, this,
                                                 info);
    }
    m_observers.clear();
    m_observerTokens.clear();
    for (QObject* owner : std::as_const(m_observerOwners))
        disconnect(owner, &QObject::destroyed, this, nullptr);
    m_observerOwners.clear();
    m_pendingForeignKeys.clear();
    m_joinLoaded.assign(m_joinLoaded.size(), false);
    for (Table& table : m_tables) {
        table.byPrimaryKey.clear();
        table.objects.clear();
        table.loaded = false;
    }
    // The objects whose slots it held are gone.
    m_slotArena.release();
    for (ValueIndex& index : m_valueIndexes) index = ValueIndex();
}

// ---------------------------------------------------------------------------------------------------
// Merging another context's save

const EntityDescription* ManagedObjectContext::p_localEntity(const ObjectID& id) const {
    if (!id.isValid() || id.storeUUID() != m_coordinator->storeUUID()) return nullptr;
    return id.entity()->model() == m_model.get() ? id.entity() : m_model->entity(id.entity()->name());
}

void ManagedObjectContext::mergeChangesFromContextDidSave(const Notification& notification) {
    if (notification.sender == this) return;
    auto ids = [&notification](const QString& key) {
        return notification.userInfo.value(key).value<QList<ObjectID>>();
    };
    m_merging = true;
    p_mergeInserted(ids(InsertedObjectIDsKey));
    p_mergeUpdated(ids(UpdatedObjectIDsKey));
    p_mergeDeleted(ids(DeletedObjectIDsKey));
    m_merging = false;
    processPendingChanges();
}

void ManagedObjectContext::p_mergeInserted(const QList<ObjectID>& ids) {
    QMap<int, QList<qint64>> keysByTable;
    for (const ObjectID& id : ids) {
        const EntityDescription* entity = p_localEntity(id);
        if (!entity) continue;
        const Table& table = m_tables[static_cast<size_t>(entity->tableIndex())];
        // Tables not read yet will find the rows when they are.
        if (table.loaded && !table.byPrimaryKey.contains(id.primaryKey()))
            keysByTable[entity->tableIndex()].append(id.primaryKey());
    }
    if (keysByTable.isEmpty()) return;
    std::vector<ManagedObject*> fresh;
    std::vector<std::tuple<ManagedObject*, const RelationshipDescription*, qint64>> foreignKeys;
    for (auto it = keysByTable.begin(); it != keysByTable.end(); ++it) {
        Table& table = m_tables[static_cast<size_t>(it.key())];
        const Status status = m_coordinator->p_readTable(
            it.key(),
            [&](const EntityDescription* entity, qint64 pk) {
                std::unique_ptr<ManagedObject> owned = p_makeObject(entity);
                ManagedObject* object = owned.get();
                object->m_primaryKey = pk;
                object->m_inStore = true;
                object->m_awakeState = 1;
                table.objects.push_back(std::move(owned));
                table.byPrimaryKey.insert(pk, object);
                fresh.push_back(object);
                m_pendingInserted.insert(object);
                return object;
            },
            [&](ManagedObject* object, const RelationshipDescription* relationship, qint64 key) {
                foreignKeys.emplace_back(object, relationship, key);
            },
            &it.value());
        if (!status)
            logWithLevel(TDLogError, "ERROR", "Could not merge inserted objects: %@",
                         status.error().description);
    }
    std::vector<SlotChange> changes;
    for (const auto& [object, relationship, key] : foreignKeys) {
        const Table& destination =
            m_tables[static_cast<size_t>(relationship->destinationEntity()->tableIndex())];
        if (!destination.loaded) {
            m_pendingForeignKeys[relationship].emplace_back(object, key);
            continue;
        }
        ManagedObject* target = destination.byPrimaryKey.value(key);
        if (target && !target->m_deleted &&
            target->entity()->isKindOfEntity(relationship->destinationEntity()))
            p_setToOne(object, relationship, target, changes);
    }
    for (ManagedObject* object : fresh) {
        for (const RelationshipDescription* r : object->entity()->relationships()) {
            if (r->storage() != RelationshipDescription::Storage::JoinTable) continue;
            const Table& other = m_tables[static_cast<size_t>(r->destinationEntity()->tableIndex())];
            if (!other.loaded) continue;
            const Result<QList<qint64>> members =
                m_coordinator->p_readJoinMembers(r->joinTable(), r->isJoinTableOwner(), object->m_primaryKey);
            if (!members) continue;
            for (qint64 key : *members) {
                ManagedObject* target = other.byPrimaryKey.value(key);
                if (!target || target->m_deleted) continue;
                // Two new objects are linked once, from the owning side.
                if (target->m_awakeState == 1 && !r->isJoinTableOwner()) continue;
                changes.push_back({SlotChange::Union, object, r, {}, nullptr, {target}});
                changes.push_back(
                    {SlotChange::Union, target, r->inverseRelationship(), {}, nullptr, {object}});
            }
        }
    }
    for (ManagedObject* object : fresh) p_indexObject(object);
    p_apply(changes);
    p_awake(fresh);
}

void ManagedObjectContext::p_mergeUpdated(const QList<ObjectID>& ids) {
    QMap<int, QList<qint64>> keysByTable;
    for (const ObjectID& id : ids) {
        const EntityDescription* entity = p_localEntity(id);
        if (!entity) continue;
        const Table& table = m_tables[static_cast<size_t>(entity->tableIndex())];
        if (ManagedObject* object = table.byPrimaryKey.value(id.primaryKey()); object && !object->m_deleted)
            keysByTable[entity->tableIndex()].append(id.primaryKey());
    }
    for (auto it = keysByTable.begin(); it != keysByTable.end(); ++it) {
        const Table& table = m_tables[static_cast<size_t>(it.key())];
        // The stored rows go into scratch objects and are compared with the live ones.
        std::vector<std::unique_ptr<ManagedObject>> scratch;
        QHash<ManagedObject*, QHash<const RelationshipDescription*, qint64>> scratchKeys;
        const Status status = m_coordinator->p_readTable(
            it.key(),
            [&](const EntityDescription* entity, qint64 pk) {
                scratch.push_back(std::make_unique<ManagedObject>(entity, this));
                scratch.back()->m_primaryKey = pk;
                return scratch.back().get();
            },
            [&](ManagedObject* object, const RelationshipDescription* relationship, qint64 key) {
                scratchKeys[object].insert(relationship, key);
            },
            &it.value());
        if (!status) {
            logWithLevel(TDLogError, "ERROR", "Could not merge updated objects: %@",
                         status.error().description);
            continue;
        }
        for (const auto& stored : scratch) {
            ManagedObject* object = table.byPrimaryKey.value(stored->m_primaryKey);
            if (!object || object->entity() != stored->entity()) continue;
            ChangeRecord* record = object->m_changes.get();
            std::vector<SlotChange> changes;
            for (const AttributeDescription* a : object->entity()->attributes()) {
                if (a->isTransient()) continue;
                const QVariant& value = stored->m_attributes[static_cast<size_t>(a->slot())];
                // A property changed here and not saved keeps its value; its committed value follows the
                // store.
                if (record) {
                    auto local = std::find_if(record->attributes.begin(), record->attributes.end(),
                                              [a](const auto& e) { return e.first == a->slot(); });
                    if (local != record->attributes.end()) {
                        local->second = value;
                        continue;
                    }
                }
                if (!sameValue(object->m_attributes[static_cast<size_t>(a->slot())], value))
                    changes.push_back({SlotChange::SetAttribute, object, a, value});
            }
            for (const RelationshipDescription* r : object->entity()->relationships()) {
                const Table& other = m_tables[static_cast<size_t>(r->destinationEntity()->tableIndex())];
                if (!other.loaded) continue;
                if (r->storage() == RelationshipDescription::Storage::ForeignKey) {
                    const qint64 key = scratchKeys.value(stored.get()).value(r, 0);
                    ManagedObject* target = key ? other.byPrimaryKey.value(key) : nullptr;
                    if (target && target->m_deleted) target = nullptr;
                    if (record) {
                        auto local = std::find_if(record->toOne.begin(), record->toOne.end(),
                                                  [r](const auto& e) { return e.first == r->slot(); });
                        if (local != record->toOne.end()) {
                            local->second = target;
                            continue;
                        }
                    }
                    p_setToOne(object, r, target, changes);
                } else if (r->storage() == RelationshipDescription::Storage::JoinTable) {
                    const Result<QList<qint64>> members = m_coordinator->p_readJoinMembers(
                        r->joinTable(), r->isJoinTableOwner(), object->m_primaryKey);
                    if (!members) continue;
                    QSet<ManagedObject*> wanted;
                    for (qint64 key : *members)
                        if (ManagedObject* target = other.byPrimaryKey.value(key);
                            target && !target->m_deleted)
                            wanted.insert(target);
                    if (record) p_keepUnsavedMembers(*record, r->slot(), wanted);
                    const ObjectSet& current = object->m_toMany[static_cast<size_t>(r->slot())];
                    for (ManagedObject* member : current) {
                        if (wanted.contains(member)) continue;
                        changes.push_back({SlotChange::Minus, object, r, {}, nullptr, {member}});
                        changes.push_back(
                            {SlotChange::Minus, member, r->inverseRelationship(), {}, nullptr, {object}});
                    }
                    for (ManagedObject* member : std::as_const(wanted)) {
                        if (current.contains(member)) continue;
                        changes.push_back({SlotChange::Union, object, r, {}, nullptr, {member}});
                        changes.push_back(
                            {SlotChange::Union, member, r->inverseRelationship(), {}, nullptr, {object}});
                    }
                }
            }
            if (record && record->isEmpty()) {
                // The other save made the same change: nothing is left to save.
                object->m_changes.reset();
                p_noteStatus(object);
            }
            p_apply(changes);
        }
    }
}

// Members this context added or removed and has not saved stay so over the stored ones; the delta is
// narrowed to what still differs from the store, which becomes the committed state.
void ManagedObjectContext::p_keepUnsavedMembers(ChangeRecord& record, int slot,
                                                QSet<ManagedObject*>& stored) {
    auto delta = std::find_if(record.toMany.begin(), record.toMany.end(),
                              [slot](const ChangeRecord::ToMany& d) { return d.slot == slot; });
    if (delta == record.toMany.end()) return;
    for (ManagedObject* member : delta->added.toList())
        if (stored.contains(member))
            delta->added.remove(member);
        else
            stored.insert(member);
    for (ManagedObject* member : delta->removed.toList())
        if (!stored.remove(member)) delta->removed.remove(member);
    if (delta->added.isEmpty() && delta->removed.isEmpty()) record.toMany.erase(delta);
}

void ManagedObjectContext::p_mergeDeleted(const QList<ObjectID>& ids) {
    for (const ObjectID& id : ids) {
        const EntityDescription* entity = p_localEntity(id);
        if (!entity) continue;
        ManagedObject* object =
            m_tables[static_cast<size_t>(entity->tableIndex())].byPrimaryKey.value(id.primaryKey());
        if (!object) continue;
        std::vector<SlotChange> changes;
        if (!object->m_deleted) {
            for (const RelationshipDescription* relationship : entity->relationships()) {
                if (!m_tables[static_cast<size_t>(relationship->destinationEntity()->tableIndex())].loaded)
                    continue;
                const RelationshipDescription* inverse = relationship->inverseRelationship();
                QList<ManagedObject*> destinations;
                if (relationship->isToMany())
                    destinations = object->m_toMany[static_cast<size_t>(relationship->slot())].toList();
                else if (ManagedObject* target = object->m_toOne[static_cast<size_t>(relationship->slot())])
                    destinations.append(target);
                for (ManagedObject* destination : destinations) {
                    if (destination->m_deleted) continue;
                    if (inverse->isToMany())
                        changes.push_back({SlotChange::Minus, destination, inverse, {}, nullptr, {object}});
                    else if (destination->m_toOne[static_cast<size_t>(inverse->slot())] == object)
                        changes.push_back({SlotChange::SetToOne, destination, inverse, {}, nullptr, {}});
                }
            }
            changes.push_back({SlotChange::MarkDeleted, object});
        }
        p_apply(changes);
        object->m_inStore = false;
        object->m_changes.reset();
        p_noteStatus(object);
    }
}

}  // namespace platform
