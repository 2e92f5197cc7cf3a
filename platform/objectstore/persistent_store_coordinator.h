#pragma once

#include "platform/base/error.h"
#include "platform/objectstore/object_model.h"

#include <QByteArrayView>
#include <QHash>
#include <QMutex>
#include <QRecursiveMutex>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace platform {

class ManagedObject;
class RelationshipDescription;

// What a store file says about itself, readable without a model.
struct StoreMetadata {
    QString modelVersion;  // the version identifier of the model that wrote it
    QByteArray modelHash;  // that model's version hash
    QString storeUUID;
    QVariantMap metadata;  // free entries
    // Committed saves (writes of objects) since the store was made; none in stores of older builds.
    std::optional<qint64> saveCount;
};

// One SQLite store file of a model, on one connection. Contexts on any thread share it; every store
// access takes the coordinator's lock, which callers may also take themselves (the library's save uses
// tryLock to try again later while an operation holds it).
//
// Layout: one table per root entity ("t_<Entity>": "pk", "kind" and a column per stored attribute and
// foreign key), one join table per many-to-many relationship ("j_<Entity>_<relationship>"), and the
// tables "metadata" and "entities". WAL journal.
//
// An existing file is looked at through a read-only connection first, so a file that turns out not to
// be a sound store of this model is never written, checkpointed or given a journal.
class PersistentStoreCoordinator final {
public:
    struct Options {
        QVariantMap pragmas;  // extra SQLite pragmas, name -> value (for example "synchronous" = "FULL")
        int busyTimeoutMilliseconds = 5000;
    };

    explicit PersistentStoreCoordinator(std::shared_ptr<const ObjectModel> model);
    ~PersistentStoreCoordinator();
    PersistentStoreCoordinator(const PersistentStoreCoordinator&) = delete;
    PersistentStoreCoordinator& operator=(const PersistentStoreCoordinator&) = delete;

    const ObjectModel& model() const { return *m_model; }
    std::shared_ptr<const ObjectModel> sharedModel() const { return m_model; }

    // Opens the store at the path, creating it when no file is there. A file that is not a store of this
    // model gives a clear error and is left untouched.
    Status openStore(const QString& path);
    Status openStore(const QString& path, const Options& options);
    // Checkpoint moves the journal's saves into the store file and removes the journal, as closing
    // normally does; KeepJournal leaves both files exactly as they are (for a store that failed, whose
    // journal may hold the only copy of recent saves).
    enum class CloseMode { Checkpoint, KeepJournal };
    void closeStore(CloseMode mode = CloseMode::Checkpoint);
    bool hasStore() const { return m_db != nullptr; }
    QString storePath() const { return m_path; }
    QString storeUUID() const { return m_storeUUID; }

    static Result<StoreMetadata> metadataForStore(const QString& path);
    // True when the file holds no objects: it is empty, an SQLite file without tables, or a store
    // whose tables have no rows. Read only; a file that cannot be read is an error.
    static Result<bool> storeHoldsNoObjects(const QString& path);
    // The open store's save counter, counted up in the transaction of every write of objects.
    std::optional<qint64> saveCount() const;
    // The free metadata entries; setting them writes at once.
    QVariantMap metadata() const;
    Status setMetadata(const QVariantMap& metadata);

    // One stored row, for readers that need no objects (backups): values are converted when asked for.
    class StoredRow {
    public:
        const EntityDescription* entity() const { return m_entity; }
        qint64 primaryKey() const { return m_primaryKey; }
        bool isNull(const PropertyDescription* property) const;
        // The attribute's value as an object holds it after a fetch; invalid when none is stored.
        QVariant value(const AttributeDescription* attribute) const;
        // The stored integer of an attribute kept as one (integers, booleans, dates as milliseconds).
        qint64 integer(const PropertyDescription* property) const;
        double real(const AttributeDescription* attribute) const;
        // The stored UTF-8 text of a string attribute, valid until the next row.
        QByteArrayView text(const AttributeDescription* attribute) const;
        // The key of the object a to-one relationship kept in this row points at; 0 for none.
        qint64 foreignKey(const RelationshipDescription* relationship) const;

    private:
        friend class PersistentStoreCoordinator;
        int column(const PropertyDescription* property) const;
        sqlite3_stmt* m_statement = nullptr;
        const std::vector<int>* m_resultColumns = nullptr;  // by property column; -1 for one not read
        const EntityDescription* m_entity = nullptr;
        qint64 m_primaryKey = 0;
    };
    // A read transaction, under the lock: the reads until endReading() see one saved state, whatever
    // other connections commit meanwhile.
    Status beginReading();
    void endReading();
    // Every row of the table of a root entity, in the order of their keys; with `orderBy`, a text
    // attribute of the table, in the order QString gives its values first (no value as empty text).
    // With `only`, just those properties' columns are read: the others read as null.
    Status readRows(const EntityDescription* root, const std::function<void(const StoredRow&)>& row,
                    const AttributeDescription* orderBy = nullptr,
                    const std::vector<const PropertyDescription*>* only = nullptr);
    // The pairs of keys of a many-to-many relationship's join table (owner side first).
    Status readJoinRows(const RelationshipDescription* relationship,
                        const std::function<void(qint64, qint64)>& pair);

    void lock() { m_lock.lock(); }
    bool tryLock() { return m_lock.tryLock(); }
    void unlock() { m_lock.unlock(); }

private:
    friend class ManagedObjectContext;

    struct Column {
        QString name;
        const PropertyDescription* property;
    };
    struct Statement;

    // Used by contexts, under the lock.
    qint64 p_allocatePrimaryKey(int table);
    using MakeObject = std::function<ManagedObject*(const EntityDescription*, qint64)>;
    using ForeignKey = std::function<void(ManagedObject*, const RelationshipDescription*, qint64)>;
    // Reads every row of a table, or only the rows with the given keys.
    Status p_readTable(int table, const MakeObject& make, const ForeignKey& foreignKey,
                       const QList<qint64>* keys = nullptr);
    // The keys on the other side of a join table for one object.
    Result<QList<qint64>> p_readJoinMembers(int join, bool ownerSide, qint64 key);
    Status p_readJoinTable(int join, const std::function<void(qint64, qint64)>& pair);
    Status p_write(const std::vector<ManagedObject*>& inserted, const std::vector<ManagedObject*>& updated,
                   const std::vector<ManagedObject*>& deleted);

    void p_readRow(sqlite3_stmt* statement, ManagedObject* object, const ForeignKey& foreignKey);
    Status p_open(const QString& path, const Options& options);
    Status p_probe(const QString& path) const;
    Status p_createSchema();
    Status p_checkSchema();
    void p_computeLayout();
    Status p_exec(const char* sql);
    Status p_exec(const QString& sql);
    sqlite3_stmt* p_statement(const QString& sql);
    TDError p_sqliteError(int code, const QString& context) const;
    Status p_bindAttribute(sqlite3_stmt* statement, int index, const AttributeDescription* attribute,
                           const QVariant& value, const ManagedObject* object);
    Status p_bindRow(sqlite3_stmt* statement, int firstIndex, const ManagedObject* object,
                     const std::vector<int>& columns);

    std::shared_ptr<const ObjectModel> m_model;
    QRecursiveMutex m_lock;
    sqlite3* m_db = nullptr;
    QString m_path;
    QString m_storeUUID;
    QVariantMap m_metadata;
    std::optional<qint64> m_saveCount;
    std::vector<std::vector<Column>> m_columns;  // per table, by column index
    std::vector<std::vector<const PropertyDescription*>>
        m_entityColumns;  // per entity: its stored properties
    std::vector<QString> m_tableNames;
    std::vector<QString> m_joinTableNames;
    std::vector<int> m_kindOfEntity;  // by entity index
    QHash<int, const EntityDescription*> m_entityOfKind;
    QHash<QString, sqlite3_stmt*> m_statements;
    QMutex m_keyMutex;
    std::vector<qint64> m_lastPrimaryKey;  // per table
};

}  // namespace platform
