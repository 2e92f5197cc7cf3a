#pragma once

#include "platform/base/error.h"
#include "platform/notifications/notification.h"
#include "platform/objectstore/fetch_request.h"
#include "platform/objectstore/managed_object.h"
#include "platform/objectstore/object_id.h"
#include "platform/objectstore/slot_arena.h"
#include "platform/undo/undo_manager.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <memory>
#include <span>
#include <vector>

namespace platform {

class ObjectModel;
class PersistentStoreCoordinator;
struct ManagedObjectClass;

// Posted (sender: the context) by processPendingChanges with the lists "inserted", "updated",
// "deleted", "refreshed", "invalidated" and "invalidatedAll".
inline const QString ManagedObjectContextObjectsDidChangeNotification =
    QStringLiteral("ManagedObjectContextObjectsDidChange");
// Posted (sender: the context) after a save with the lists "inserted", "updated" and "deleted".
inline const QString ManagedObjectContextDidSaveNotification = QStringLiteral("ManagedObjectContextDidSave");
inline const QString InsertedObjectsKey = QStringLiteral("inserted");
inline const QString UpdatedObjectsKey = QStringLiteral("updated");
inline const QString DeletedObjectsKey = QStringLiteral("deleted");
inline const QString RefreshedObjectsKey = QStringLiteral("refreshed");
inline const QString InvalidatedObjectsKey = QStringLiteral("invalidated");
inline const QString InvalidatedAllObjectsKey = QStringLiteral("invalidatedAll");
// In the objects-did-change notification beside the lists: the keys each updated or refreshed object
// changed (ChangedKeys), so observers can tell an edit of a title from a move.
inline const QString UpdatedKeysKey = QStringLiteral("updatedKeys");
// In the did-save notification beside the objects: their IDs (QList<ObjectID>), which other threads may read.
inline const QString InsertedObjectIDsKey = QStringLiteral("insertedObjectIDs");
inline const QString UpdatedObjectIDsKey = QStringLiteral("updatedObjectIDs");
inline const QString DeletedObjectIDsKey = QStringLiteral("deletedObjectIDs");

using ChangedKeys = QHash<ManagedObject*, QSet<QString>>;

// A scratch pad of objects over a coordinator's store, used on one thread. It owns its objects: they
// live until the context is reset or destroyed (deleted ones too, so undo can bring them back). A
// context reads a table the first time it fetches its entity or follows a relationship into it;
// loadAllObjects reads the whole store at once.
class ManagedObjectContext : public QObject {
    Q_OBJECT
public:
    explicit ManagedObjectContext(PersistentStoreCoordinator* coordinator, QObject* parent = nullptr);
    ~ManagedObjectContext() override;

    PersistentStoreCoordinator* coordinator() const { return m_coordinator; }
    const ObjectModel& model() const;

    // Not owned; none by default (no undo registration).
    UndoManager* undoManager() const { return m_undoManager; }
    void setUndoManager(UndoManager* undoManager);

    Status loadAllObjects();

    // A new object of the entity, or nullptr (logged) for an unknown entity.
    ManagedObject* insertObject(const QString& entityName);
    template <typename T>
    T* insertObject(const QString& entityName) {
        return dynamic_cast<T*>(insertObject(entityName));
    }
    // Deletes with the model's delete rules; the object stays valid (isDeleted) until reset.
    virtual void deleteObject(ManagedObject* object);

    Result<QList<ManagedObject*>> execute(const FetchRequest& request);
    Result<qint64> count(const FetchRequest& request);

    // Makes objects findable by the value of one string attribute (of that name in every entity that
    // has it) without a scan. A table's index is built on its first lookup and then follows every change
    // of the context: edits, inserts, deletions, undo, rollback and merges of other contexts' saves.
    void setIndexedAttribute(const QString& name);
    // The live objects of the entity (and of its sub-entities) whose indexed attribute holds the value,
    // in the order a fetch gives them; reads the entity's table if needed.
    Result<QList<ManagedObject*>> objectsWithIndexedValue(const QString& entityName, const QString& value);

    // The object with the ID (reading its table if needed), or nullptr when there is none.
    ManagedObject* objectWithID(const ObjectID& id);
    Result<ManagedObject*> existingObject(const ObjectID& id);
    Result<ObjectID> objectIDForURIString(const QString& uri) const;

    // Posts the objects-did-change notification for the changes since the last call. Runs by itself at
    // the end of the event-loop pass in which something changed.
    void processPendingChanges();
    bool hasChanges() const;
    QList<ManagedObject*> insertedObjects() const { return m_inserted.toList(); }
    QList<ManagedObject*> updatedObjects() const { return m_updated.toList(); }
    QList<ManagedObject*> deletedObjects() const { return m_deleted.toList(); }
    qsizetype registeredObjectCount() const;

    // Validates, then writes every change in one transaction. On failure nothing is written and the
    // context keeps its changes.
    Status save();
    // A scratch context is never saved: save() refuses (ObjectStoreErrorScratchContext) and writes
    // nothing, so what is typed into it reaches the store only when copied into another context.
    bool isScratch() const { return m_scratch; }
    void setScratch(bool scratch) { m_scratch = scratch; }
    // Throws away every unsaved change (and the undo actions).
    void rollback();
    // Forgets every object: pointers to them become invalid. willReset runs first.
    void reset();

    // Brings in what another context saved to the same store (call it on this context's thread):
    // inserted objects appear in tables this context has read, updated ones are read again and deleted
    // ones go. A property this context has changed and not saved keeps its value. The merge is announced
    // as "inserted", "refreshed" and "deleted" objects, is not registered for undo and leaves nothing to
    // save.
    void mergeChangesFromContextDidSave(const Notification& notification);
    // True while a merge runs, so that change hooks can tell a merged value from an edit.
    bool isMergingChanges() const { return m_merging; }

protected:
    virtual void willReset() {}

private:
    friend class ManagedObject;
    friend class PersistentStoreCoordinator;

    // One write of one slot (or of an object's deleted state), the unit of change tracking and undo.
    struct SlotChange {
        enum Op { SetAttribute, SetToOne, Union, Minus, SetToMany, MarkDeleted, MarkUndeleted };
        SlotChange(Op o, ManagedObject* obj, const PropertyDescription* p = nullptr, QVariant v = {},
                   ManagedObject* t = nullptr, QList<ManagedObject*> list = {})
            : op(o), object(obj), property(p), value(std::move(v)), target(t), objects(std::move(list)) {}
        Op op;
        ManagedObject* object;
        const PropertyDescription* property;
        QVariant value;
        ManagedObject* target;
        QList<ManagedObject*> objects;
    };
    struct Table {
        std::vector<std::unique_ptr<ManagedObject>> objects;  // owned, in load then insertion order
        QHash<qint64, ManagedObject*> byPrimaryKey;
        bool loaded = false;
    };
    // Objects by the value of the indexed attribute; may hold objects whose value changed since or
    // that were deleted, which lookups skip.
    struct ValueIndex {
        bool built = false;
        QHash<QString, std::vector<ManagedObject*>> objects;
    };
    struct Observer {
        int token;
        QString key;
        QObject* owner;
        std::shared_ptr<ManagedObject::ObserverHandler> handler;
    };

    // Change path.
    void p_setValue(ManagedObject* object, const PropertyDescription* property, const QVariant& value);
    // The to-many set an add or remove changes, read in if needed; nullptr (logged) for a deleted object.
    const ObjectSet* p_toManyForChange(ManagedObject* object, const RelationshipDescription* relationship);
    void p_addObjects(ManagedObject* object, const RelationshipDescription* relationship,
                      const QList<ManagedObject*>& objects);
    void p_removeObjects(ManagedObject* object, const RelationshipDescription* relationship,
                         const QList<ManagedObject*>& objects);
    void p_setToOne(ManagedObject* object, const RelationshipDescription* relationship, ManagedObject* target,
                    std::vector<SlotChange>& changes);
    void p_apply(std::vector<SlotChange>& changes);
    SlotChange p_write(const SlotChange& change, bool track);
    void p_track(ManagedObject* object, const SlotChange& change, const QVariant& oldValue,
                 ManagedObject* oldTarget);
    void p_trackReplacement(ManagedObject* object, const PropertyDescription* property,
                            const QList<ManagedObject*>& before, const QList<ManagedObject*>& after);
    void p_setPrimitive(ManagedObject* object, const PropertyDescription* property, const QVariant& value);
    void p_setPrimitives(ManagedObject* object, std::span<ManagedObject::PrimitiveWrite> writes);
    // Memory for the slots of an object made while tables are read (from the arena), else nullptr.
    void* p_slotArena(size_t bytes);
    void p_noteStatus(ManagedObject* object);
    void p_notePending(ManagedObject* object, SlotChange::Op op,
                       const PropertyDescription* property = nullptr);
    void p_schedulePendingChanges();
    void p_collectDeletions(ManagedObject* object, std::vector<ManagedObject*>& objects,
                            QSet<ManagedObject*>& doomed);
    void p_notifyObservers(ManagedObject* object, const KeyChange& change);
    bool p_isObserved(ManagedObject* object, const QString& key) const;
    int p_addObserver(ManagedObject* object, const QString& key, QObject* owner,
                      ManagedObject::ObserverHandler handler);
    void p_removeObserver(int token);
    void p_removeObserversOwnedBy(QObject* owner);
    const ManagedObjectClass* p_class(const EntityDescription* entity);
    std::unique_ptr<ManagedObject> p_makeObject(const EntityDescription* entity);

    // Loading.
    void p_ensureLoaded(const RelationshipDescription* relationship, const ManagedObject* object);
    Status p_loadTables(const QList<int>& tables);
    void p_wireForeignKeys();
    void p_awake(const std::vector<ManagedObject*>& objects);

    // The value index.
    int p_indexedSlot(const ManagedObject* object) const;
    void p_buildValueIndex(int table);
    void p_indexObject(ManagedObject* object);
    // After a write of an attribute slot that held oldValue.
    void p_reindex(ManagedObject* object, int slot, const QVariant& oldValue);

    // Saving.
    Status p_validate(std::vector<std::tuple<ManagedObject*, QString, QVariant>>& replacements);
    void p_mergeInserted(const QList<ObjectID>& ids);
    void p_mergeUpdated(const QList<ObjectID>& ids);
    void p_mergeDeleted(const QList<ObjectID>& ids);
    // Folds the members this context changed and has not saved into the stored members of a to-many.
    void p_keepUnsavedMembers(ChangeRecord& record, int slot, QSet<ManagedObject*>& stored);
    const EntityDescription* p_localEntity(const ObjectID& id) const;

    PersistentStoreCoordinator* m_coordinator;
    std::shared_ptr<const ObjectModel> m_model;
    QPointer<UndoManager> m_undoManager;
    SlotArena m_slotArena;  // outlives the objects of m_tables, whose slots it may hold
    std::vector<Table> m_tables;
    std::vector<bool> m_joinLoaded;
    QHash<const RelationshipDescription*, std::vector<std::pair<ManagedObject*, qint64>>>
        m_pendingForeignKeys;
    std::vector<std::shared_ptr<const ManagedObjectClass>> m_classes;  // per entity index
    std::vector<bool> m_classLookedUp;
    QString m_indexedAttribute;
    std::vector<int> m_indexedSlots;         // per entity index: the indexed attribute's slot, or -1
    std::vector<ValueIndex> m_valueIndexes;  // per table

    ObjectSet m_inserted;
    ObjectSet m_updated;
    ObjectSet m_deleted;
    ObjectSet m_pendingInserted;
    ObjectSet m_pendingUpdated;
    ObjectSet m_pendingDeleted;
    ObjectSet m_pendingRefreshed;
    ChangedKeys m_pendingKeys;
    bool m_merging = false;
    bool m_scratch = false;
    bool m_pendingScheduled = false;
    bool m_processing = false;
    bool m_loading = false;

    QHash<ManagedObject*, std::vector<Observer>> m_observers;
    QHash<int, ManagedObject*> m_observerTokens;
    QList<QObject*> m_observerOwners;
    int m_nextObserverToken = 1;
    quint64 m_changeCount = 0;
};

}  // namespace platform

Q_DECLARE_METATYPE(platform::ChangedKeys)
