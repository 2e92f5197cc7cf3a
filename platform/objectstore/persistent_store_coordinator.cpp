#include "platform/objectstore/persistent_store_coordinator.h"

#include "platform/base/log.h"
#include "platform/objectstore/change_record.h"
#include "platform/objectstore/managed_object.h"
#include "platform/objectstore/object_store_error.h"
#include "platform/transformers/value_transformer.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonValue>
#include <QUuid>

#include <sqlite3.h>

#include <algorithm>
#include <numeric>

namespace platform {

namespace {

constexpr char kUtf16Collation[] = "ORDELLO_UTF16";

// Orders UTF-8 text as its UTF-16 code units order it (QString's order): as bytes, except that a
// character above U+FFFF, a surrogate pair in UTF-16, comes before U+E000 to U+FFFF. Where two texts
// first differ both are at the start of a character or in the same kind of character.
int compareAsUtf16(void*, int sizeA, const void* a, int sizeB, const void* b) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    const int common = std::min(sizeA, sizeB);
    for (int i = 0; i < common; ++i) {
        if (x[i] == y[i]) continue;
        const bool xAbove = x[i] >= 0xF0;
        const bool yAbove = y[i] >= 0xF0;
        if (xAbove != yAbove && x[i] >= 0xEE && y[i] >= 0xEE) return xAbove ? -1 : 1;
        return x[i] < y[i] ? -1 : 1;
    }
    return sizeA < sizeB ? -1 : sizeA > sizeB ? 1 : 0;
}

// An attribute's column as objects hold it: dates as UTC times, transformable values decoded.
QVariant storedAttributeValue(sqlite3_stmt* statement, int c, const AttributeDescription* attribute) {
    switch (attribute->type()) {
        case AttributeType::String:
            return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, c)),
                                     sqlite3_column_bytes(statement, c));
        case AttributeType::Integer64:
            return qint64(sqlite3_column_int64(statement, c));
        case AttributeType::Double:
            return sqlite3_column_double(statement, c);
        case AttributeType::Boolean:
            return sqlite3_column_int64(statement, c) != 0;
        case AttributeType::Date:
            return QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(statement, c), Qt::UTC);
        case AttributeType::Binary:
        case AttributeType::Transformable:
            break;
    }
    const char* bytes = static_cast<const char*>(sqlite3_column_blob(statement, c));
    QByteArray data(bytes ? bytes : "", sqlite3_column_bytes(statement, c));
    if (attribute->type() == AttributeType::Binary) return data;
    const auto transformer = valueTransformerForName(attribute->valueTransformerName());
    if (!transformer) {
        logWithLevel(TDLogError, "ERROR",
                     "No value transformer named \"%@\" for \"%@\"; the value is left as data.",
                     attribute->valueTransformerName(), attribute->name());
        return data;
    }
    return transformer->reverseTransformedValue(data);
}

QString quoted(const QString& identifier) {
    QString text = identifier;
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString sqlType(const PropertyDescription* property) {
    const AttributeDescription* attribute = property->asAttribute();
    if (!attribute) return QStringLiteral("INTEGER");
    switch (attribute->type()) {
        case AttributeType::String:
            return QStringLiteral("TEXT");
        case AttributeType::Integer64:
        case AttributeType::Boolean:
        case AttributeType::Date:
            return QStringLiteral("INTEGER");
        case AttributeType::Double:
            return QStringLiteral("REAL");
        case AttributeType::Binary:
        case AttributeType::Transformable:
            return QStringLiteral("BLOB");
    }
    return QStringLiteral("BLOB");
}

const QString kModelVersionKey = QStringLiteral("modelVersion");
const QString kModelHashKey = QStringLiteral("modelHash");
const QString kStoreUUIDKey = QStringLiteral("storeUUID");
const QString kSaveCountKey = QStringLiteral("saveCount");
const QString kFreeMetadataPrefix = QStringLiteral("meta.");
const QString kPrimaryKeyPrefix = QStringLiteral("pk.");

TDError sqliteStoreError(int code, const QString& description, int sqliteCode) {
    return makeObjectStoreError(code, description, {{ObjectStoreSQLiteCodeKey, sqliteCode}});
}

TDError unreadableStoreError(const QString& path, int rc) {
    return sqliteStoreError(ObjectStoreErrorStoreCannotOpen,
                            QStringLiteral("The store \"%1\" could not be read: %2")
                                .arg(path, QString::fromUtf8(sqlite3_errstr(rc))),
                            rc);
}

TDError unopenableStoreError(const QString& path, int rc) {
    return sqliteStoreError(ObjectStoreErrorStoreCannotOpen,
                            QStringLiteral("The store \"%1\" could not be opened: %2")
                                .arg(path, QString::fromUtf8(sqlite3_errstr(rc))),
                            rc);
}

// A connection that only reads and never checkpoints, closed when it goes.
struct ReadOnlyConnection {
    explicit ReadOnlyConnection(const QString& path) {
        rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        if (rc != SQLITE_OK) return;
        sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        // Another connection may be committing or checkpointing: wait for it as the store's own connection
        // does.
        sqlite3_busy_timeout(db, PersistentStoreCoordinator::Options().busyTimeoutMilliseconds);
    }
    ~ReadOnlyConnection() { sqlite3_close(db); }
    ReadOnlyConnection(const ReadOnlyConnection&) = delete;
    ReadOnlyConnection& operator=(const ReadOnlyConnection&) = delete;
    sqlite3* db = nullptr;
    int rc = SQLITE_OK;
};

// Reads the "metadata" table of an open connection.
Result<StoreMetadata> readMetadata(sqlite3* db, const QString& path) {
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT key, value FROM metadata", -1, &statement, nullptr);
    if (rc != SQLITE_OK) {
        const bool foreign = rc == SQLITE_ERROR;  // no such table
        sqlite3_finalize(statement);
        if (foreign)
            return makeObjectStoreError(ObjectStoreErrorNotAStore,
                                        QStringLiteral("The file \"%1\" is not an object store.").arg(path));
        return unreadableStoreError(path, rc);
    }
    StoreMetadata metadata;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const QString key =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        const QString value =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)));
        if (key == kModelVersionKey)
            metadata.modelVersion = value;
        else if (key == kModelHashKey)
            metadata.modelHash = value.toLatin1();
        else if (key == kStoreUUIDKey)
            metadata.storeUUID = value;
        else if (key == kSaveCountKey)
            metadata.saveCount = value.toLongLong();
        else if (key.startsWith(kFreeMetadataPrefix))
            metadata.metadata.insert(key.mid(kFreeMetadataPrefix.size()),
                                     QJsonDocument::fromJson(value.toUtf8()).toVariant().toList().value(0));
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) return unreadableStoreError(path, rc);
    if (metadata.storeUUID.isEmpty() || metadata.modelHash.isEmpty())
        return makeObjectStoreError(ObjectStoreErrorNotAStore,
                                    QStringLiteral("The file \"%1\" is not an object store.").arg(path));
    return metadata;
}

QString metadataText(const QVariant& value) {
    // Wrapped in an array so that plain values round-trip through JSON.
    return QString::fromUtf8(QJsonDocument::fromVariant(QVariantList{value}).toJson(QJsonDocument::Compact));
}

}  // namespace

PersistentStoreCoordinator::PersistentStoreCoordinator(std::shared_ptr<const ObjectModel> model)
    : m_model(std::move(model)) {
    p_computeLayout();
}

PersistentStoreCoordinator::~PersistentStoreCoordinator() {
    closeStore();
}

void PersistentStoreCoordinator::p_computeLayout() {
    const auto& tables = m_model->tables();
    m_columns.assign(tables.size(), {});
    m_tableNames.clear();
    for (const EntityDescription* root : tables) m_tableNames.push_back(QStringLiteral("t_") + root->name());
    m_lastPrimaryKey.assign(tables.size(), 0);
    QHash<int, QHash<QString, int>> namesPerTable;
    for (const EntityDescription* entity : m_model->entities()) {
        for (const PropertyDescription* property : entity->properties()) {
            if (property->entity() != entity || property->column() < 0) continue;
            namesPerTable[entity->tableIndex()][property->name()]++;
        }
    }
    for (const EntityDescription* entity : m_model->entities()) {
        auto& columns = m_columns[static_cast<size_t>(entity->tableIndex())];
        for (const PropertyDescription* property : entity->properties()) {
            if (property->entity() != entity || property->column() < 0) continue;
            // A name that sibling sub-entities share gets the entity's name in front.
            const bool shared = namesPerTable[entity->tableIndex()][property->name()] > 1;
            const QString name =
                shared ? entity->name() + QLatin1Char('_') + property->name() : property->name();
            if (static_cast<int>(columns.size()) <= property->column())
                columns.resize(static_cast<size_t>(property->column()) + 1);
            columns[static_cast<size_t>(property->column())] = {name, property};
        }
    }
    m_entityColumns.assign(static_cast<size_t>(m_model->entities().size()), {});
    for (const EntityDescription* entity : m_model->entities())
        for (const PropertyDescription* property : entity->properties())
            if (property->column() >= 0)
                m_entityColumns[static_cast<size_t>(entity->index())].push_back(property);
    m_joinTableNames.clear();
    for (const RelationshipDescription* r : m_model->joinTables())
        m_joinTableNames.push_back(QStringLiteral("j_%1_%2").arg(r->entity()->name(), r->name()));
}

Status PersistentStoreCoordinator::openStore(const QString& path) {
    return openStore(path, Options());
}

Status PersistentStoreCoordinator::openStore(const QString& path, const Options& options) {
    QMutexLocker locker(&m_lock);
    closeStore();
    Status status = p_open(path, options);
    if (!status) closeStore(CloseMode::KeepJournal);
    return status;
}

Status PersistentStoreCoordinator::p_probe(const QString& path) const {
    const ReadOnlyConnection connection(path);
    if (connection.rc != SQLITE_OK) return unopenableStoreError(path, connection.rc);
    Result<StoreMetadata> metadata = readMetadata(connection.db, path);
    if (!metadata) return metadata.error();
    if (metadata->modelHash != m_model->versionHash()) {
        TDError error = makeObjectStoreError(
            ObjectStoreErrorIncompatibleModel,
            QStringLiteral("The store \"%1\" was made by the model version \"%2\", not \"%3\".")
                .arg(path, metadata->modelVersion, m_model->versionIdentifier()));
        error.userInfo.insert(QStringLiteral("storeModelVersion"), metadata->modelVersion);
        return error;
    }
    return {};
}

Status PersistentStoreCoordinator::p_open(const QString& path, const Options& options) {
    const QFileInfo info(path);
    const bool exists = info.exists();
    if (exists && (!info.isFile() || info.size() == 0))
        return makeObjectStoreError(ObjectStoreErrorNotAStore,
                                    QStringLiteral("The file \"%1\" is not an object store.").arg(path));
    if (exists)
        if (Status probed = p_probe(path); !probed) return probed;
    // Every use of the connection holds the coordinator's lock, so SQLite's own mutex is not needed.
    const int flags = SQLITE_OPEN_READWRITE | (exists ? 0 : SQLITE_OPEN_CREATE) | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) return unopenableStoreError(path, rc);
    m_path = path;
    sqlite3_create_collation_v2(m_db, kUtf16Collation, SQLITE_UTF8, nullptr, compareAsUtf16, nullptr);
    sqlite3_busy_timeout(m_db, options.busyTimeoutMilliseconds);
    sqlite3_extended_result_codes(m_db, 0);
    if (exists) {
        Result<StoreMetadata> metadata = readMetadata(m_db, path);
        if (!metadata) return metadata.error();
        m_storeUUID = metadata->storeUUID;
        m_metadata = metadata->metadata;
        m_saveCount = metadata->saveCount;
    }
    if (Status s = p_exec("PRAGMA journal_mode=WAL"); !s) return s;
    for (auto it = options.pragmas.begin(); it != options.pragmas.end(); ++it) {
        if (Status s =
                p_exec(QStringLiteral("PRAGMA %1=%2").arg(quoted(it.key()), quoted(it.value().toString())));
            !s)
            return s;
    }
    if (!exists) {
        if (Status s = p_createSchema(); !s) {
            sqlite3_close(m_db);
            m_db = nullptr;
            QFile::remove(path);
            QFile::remove(path + QLatin1String("-wal"));
            QFile::remove(path + QLatin1String("-shm"));
            return s;
        }
    }
    return p_checkSchema();
}

Status PersistentStoreCoordinator::p_createSchema() {
    if (Status s = p_exec("BEGIN IMMEDIATE"); !s) return s;
    auto fail = [this](Status s) {
        // SQLite may have rolled back already (a full disk does); the first error is the one to report.
        (void)p_exec("ROLLBACK");
        return s;
    };
    QStringList statements;
    statements << QStringLiteral("CREATE TABLE metadata (key TEXT PRIMARY KEY, value TEXT)");
    statements << QStringLiteral(
        "CREATE TABLE entities (kind INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)");
    const auto& tables = m_model->tables();
    for (int t = 0; t < tables.size(); ++t) {
        QString sql = QStringLiteral("CREATE TABLE %1 (pk INTEGER PRIMARY KEY, kind INTEGER NOT NULL")
                          .arg(quoted(m_tableNames[static_cast<size_t>(t)]));
        for (const Column& column : m_columns[static_cast<size_t>(t)])
            sql += QStringLiteral(", %1 %2").arg(quoted(column.name), sqlType(column.property));
        statements << sql + QLatin1Char(')');
    }
    for (const QString& join : m_joinTableNames) {
        statements << QStringLiteral(
                          "CREATE TABLE %1 (a INTEGER NOT NULL, b INTEGER NOT NULL, PRIMARY KEY (a, b)) "
                          "WITHOUT ROWID")
                          .arg(quoted(join));
        statements << QStringLiteral("CREATE INDEX %1 ON %2 (b)")
                          .arg(quoted(join + QLatin1String("_b")), quoted(join));
    }
    for (const QString& sql : statements)
        if (Status s = p_exec(sql); !s) return fail(s);
    m_storeUUID = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    QList<std::pair<QString, QString>> entries = {
        {kModelVersionKey, m_model->versionIdentifier()},
        {kModelHashKey, QString::fromLatin1(m_model->versionHash())},
        {kStoreUUIDKey, m_storeUUID},
        {kSaveCountKey, QStringLiteral("0")}};
    for (const auto& [key, value] : entries) {
        sqlite3_stmt* statement =
            p_statement(QStringLiteral("INSERT INTO metadata (key, value) VALUES (?, ?)"));
        if (!statement)
            return fail(p_sqliteError(sqlite3_errcode(m_db), QStringLiteral("preparing the metadata")));
        const QByteArray k = key.toUtf8(), v = value.toUtf8();
        sqlite3_bind_text(statement, 1, k.constData(), static_cast<int>(k.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(statement, 2, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        const int rc = sqlite3_step(statement);
        sqlite3_reset(statement);
        if (rc != SQLITE_DONE) return fail(p_sqliteError(rc, QStringLiteral("writing the metadata")));
    }
    for (const EntityDescription* entity : m_model->entities()) {
        if (Status s =
                p_exec(QStringLiteral("INSERT INTO entities (kind, name) VALUES (%1, '%2')")
                           .arg(entity->index() + 1)
                           .arg(QString(entity->name()).replace(QLatin1Char('\''), QLatin1String("''"))));
            !s)
            return fail(s);
    }
    if (Status s = p_exec("COMMIT"); !s) return fail(s);
    m_saveCount = 0;
    return {};
}

Status PersistentStoreCoordinator::p_checkSchema() {
    m_kindOfEntity.assign(static_cast<size_t>(m_model->entities().size()), -1);
    m_entityOfKind.clear();
    sqlite3_stmt* statement = p_statement(QStringLiteral("SELECT kind, name FROM entities"));
    if (!statement) return p_sqliteError(sqlite3_errcode(m_db), QStringLiteral("reading the entities"));
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const int kind = sqlite3_column_int(statement, 0);
        const QString name =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)));
        if (const EntityDescription* entity = m_model->entity(name)) {
            m_kindOfEntity[static_cast<size_t>(entity->index())] = kind;
            m_entityOfKind.insert(kind, entity);
        }
    }
    sqlite3_reset(statement);
    if (rc != SQLITE_DONE) return p_sqliteError(rc, QStringLiteral("reading the entities"));
    for (int kind : m_kindOfEntity)
        if (kind < 0)
            return makeObjectStoreError(
                ObjectStoreErrorIncompatibleModel,
                QStringLiteral("The store \"%1\" lacks entities of its model.").arg(m_path));
    // Keys are never handed out twice: the highest one used or ever allocated and saved.
    for (size_t t = 0; t < m_tableNames.size(); ++t) {
        sqlite3_stmt* max =
            p_statement(QStringLiteral("SELECT max(ifnull((SELECT max(pk) FROM %1), 0), ifnull((SELECT "
                                       "CAST(value AS INTEGER) FROM metadata WHERE key = '%2'), 0))")
                            .arg(quoted(m_tableNames[t]), kPrimaryKeyPrefix + m_tableNames[t]));
        if (!max) return p_sqliteError(sqlite3_errcode(m_db), QStringLiteral("reading the keys"));
        rc = sqlite3_step(max);
        m_lastPrimaryKey[t] = rc == SQLITE_ROW ? sqlite3_column_int64(max, 0) : 0;
        sqlite3_reset(max);
        if (rc != SQLITE_ROW) return p_sqliteError(rc, QStringLiteral("reading the keys"));
    }
    return {};
}

void PersistentStoreCoordinator::closeStore(CloseMode mode) {
    QMutexLocker locker(&m_lock);
    for (sqlite3_stmt* statement : std::as_const(m_statements)) sqlite3_finalize(statement);
    m_statements.clear();
    if (m_db && mode == CloseMode::KeepJournal)
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    if (m_db) sqlite3_close(m_db);
    m_db = nullptr;
    m_path.clear();
    m_storeUUID.clear();
    m_metadata.clear();
    m_saveCount.reset();
}

std::optional<qint64> PersistentStoreCoordinator::saveCount() const {
    QMutexLocker locker(&const_cast<PersistentStoreCoordinator*>(this)->m_lock);
    return m_saveCount;
}

Result<StoreMetadata> PersistentStoreCoordinator::metadataForStore(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || info.size() == 0)
        return makeObjectStoreError(
            info.exists() ? ObjectStoreErrorNotAStore : ObjectStoreErrorStoreCannotOpen,
            QStringLiteral("There is no object store at \"%1\".").arg(path));
    const ReadOnlyConnection connection(path);
    if (connection.rc != SQLITE_OK) return unopenableStoreError(path, connection.rc);
    return readMetadata(connection.db, path);
}

Result<bool> PersistentStoreCoordinator::storeHoldsNoObjects(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile())
        return makeObjectStoreError(ObjectStoreErrorStoreCannotOpen,
                                    QStringLiteral("There is no object store at \"%1\".").arg(path));
    if (info.size() == 0) return true;
    const ReadOnlyConnection connection(path);
    if (connection.rc != SQLITE_OK) return unopenableStoreError(path, connection.rc);
    QStringList tables;
    sqlite3_stmt* statement = nullptr;
    int rc = sqlite3_prepare_v2(connection.db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1,
                                &statement, nullptr);
    if (rc == SQLITE_OK)
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
            tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE) return unreadableStoreError(path, rc);
    // The store's own bookkeeping is there from its first moment; any other row is somebody's data.
    tables.removeAll(QStringLiteral("metadata"));
    tables.removeAll(QStringLiteral("entities"));
    for (const QString& table : std::as_const(tables)) {
        const QByteArray sql = QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1)").arg(quoted(table)).toUtf8();
        rc = sqlite3_prepare_v2(connection.db, sql.constData(), -1, &statement, nullptr);
        const bool found = rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW &&
                           sqlite3_column_int(statement, 0) != 0;
        sqlite3_finalize(statement);
        if (rc != SQLITE_ROW) return unreadableStoreError(path, rc);
        if (found) return false;
    }
    return true;
}

QVariantMap PersistentStoreCoordinator::metadata() const {
    QMutexLocker locker(&const_cast<PersistentStoreCoordinator*>(this)->m_lock);
    return m_metadata;
}

Status PersistentStoreCoordinator::setMetadata(const QVariantMap& metadata) {
    QMutexLocker locker(&m_lock);
    if (!m_db) return makeObjectStoreError(ObjectStoreErrorNoStore, QStringLiteral("No store is open."));
    if (Status s = p_exec("BEGIN IMMEDIATE"); !s) return s;
    Status status = p_exec(QStringLiteral("DELETE FROM metadata WHERE key LIKE 'meta.%'"));
    for (auto it = metadata.begin(); status && it != metadata.end(); ++it) {
        sqlite3_stmt* statement =
            p_statement(QStringLiteral("INSERT INTO metadata (key, value) VALUES (?, ?)"));
        const QByteArray k = (kFreeMetadataPrefix + it.key()).toUtf8(), v = metadataText(it.value()).toUtf8();
        sqlite3_bind_text(statement, 1, k.constData(), static_cast<int>(k.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(statement, 2, v.constData(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        const int rc = sqlite3_step(statement);
        sqlite3_reset(statement);
        if (rc != SQLITE_DONE) status = p_sqliteError(rc, QStringLiteral("writing the metadata"));
    }
    if (status) status = p_exec("COMMIT");
    if (!status) {
        // SQLite may have rolled back already (a full disk does); the first error is the one to report.
        (void)p_exec("ROLLBACK");
        return status;
    }
    m_metadata = metadata;
    return {};
}

Status PersistentStoreCoordinator::p_exec(const char* sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
    if (rc == SQLITE_OK) return {};
    const QString text = QString::fromUtf8(message ? message : sqlite3_errstr(rc));
    sqlite3_free(message);
    const int code = (rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT) ? ObjectStoreErrorStoreCannotOpen
                                                                   : ObjectStoreErrorStoreIO;
    return sqliteStoreError(code, QStringLiteral("The store \"%1\" failed: %2").arg(m_path, text), rc);
}

Status PersistentStoreCoordinator::p_exec(const QString& sql) {
    return p_exec(sql.toUtf8().constData());
}

sqlite3_stmt* PersistentStoreCoordinator::p_statement(const QString& sql) {
    if (sqlite3_stmt* cached = m_statements.value(sql)) return cached;
    sqlite3_stmt* statement = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v3(m_db, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_PREPARE_PERSISTENT,
                           &statement, nullptr) != SQLITE_OK) {
        logWithLevel(TDLogError, "ERROR", "Could not prepare \"%@\": %@", sql,
                     QString::fromUtf8(sqlite3_errmsg(m_db)));
        sqlite3_finalize(statement);
        return nullptr;
    }
    m_statements.insert(sql, statement);
    return statement;
}

TDError PersistentStoreCoordinator::p_sqliteError(int code, const QString& context) const {
    const QString message =
        m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(code));
    return sqliteStoreError(
        ObjectStoreErrorStoreIO,
        QStringLiteral("The store \"%1\" failed while %2: %3").arg(m_path, context, message), code);
}

qint64 PersistentStoreCoordinator::p_allocatePrimaryKey(int table) {
    QMutexLocker locker(&m_keyMutex);
    return ++m_lastPrimaryKey[static_cast<size_t>(table)];
}

Status PersistentStoreCoordinator::p_readTable(int table, const MakeObject& make,
                                               const ForeignKey& foreignKey, const QList<qint64>* keys) {
    QMutexLocker locker(&m_lock);
    if (!m_db) return makeObjectStoreError(ObjectStoreErrorNoStore, QStringLiteral("No store is open."));
    const auto& columns = m_columns[static_cast<size_t>(table)];
    QString sql = QStringLiteral("SELECT pk, kind");
    for (const Column& column : columns) sql += QStringLiteral(", ") + quoted(column.name);
    sql += QStringLiteral(" FROM ") + quoted(m_tableNames[static_cast<size_t>(table)]);
    if (keys) sql += QStringLiteral(" WHERE pk = ?");
    sqlite3_stmt* statement = p_statement(sql);
    if (!statement) return p_sqliteError(sqlite3_errcode(m_db), QStringLiteral("reading"));
    const EntityDescription* lastEntity = nullptr;
    int lastKind = -1;
    auto readRows = [&]() -> Status {
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
            const qint64 pk = sqlite3_column_int64(statement, 0);
            const int kind = sqlite3_column_int(statement, 1);
            if (kind != lastKind) {
                lastKind = kind;
                lastEntity = m_entityOfKind.value(kind);
            }
            if (!lastEntity || lastEntity->tableIndex() != table)
                return makeObjectStoreError(
                    ObjectStoreErrorStoreCannotOpen,
                    QStringLiteral("The store \"%1\" holds a row of unknown kind %2.").arg(m_path).arg(kind));
            p_readRow(statement, make(lastEntity, pk), foreignKey);
        }
        if (rc != SQLITE_DONE) return p_sqliteError(rc, QStringLiteral("reading"));
        return {};
    };
    Status status;
    if (!keys) {
        status = readRows();
        sqlite3_reset(statement);
        return status;
    }
    for (qint64 key : *keys) {
        sqlite3_bind_int64(statement, 1, key);
        status = readRows();
        sqlite3_reset(statement);
        if (!status) break;
    }
    return status;
}

void PersistentStoreCoordinator::p_readRow(sqlite3_stmt* statement, ManagedObject* object,
                                           const ForeignKey& foreignKey) {
    for (const PropertyDescription* property :
         m_entityColumns[static_cast<size_t>(object->entity()->index())]) {
        const int c = property->column() + 2;
        const int type = sqlite3_column_type(statement, c);
        if (type == SQLITE_NULL) continue;
        const AttributeDescription* attribute = property->asAttribute();
        if (!attribute) {
            foreignKey(object, property->asRelationship(), sqlite3_column_int64(statement, c));
            continue;
        }
        object->m_attributes[static_cast<size_t>(attribute->slot())] =
            storedAttributeValue(statement, c, attribute);
    }
}

Result<QList<qint64>> PersistentStoreCoordinator::p_readJoinMembers(int join, bool ownerSide, qint64 key) {
    QMutexLocker locker(&m_lock);
    if (!m_db) return makeObjectStoreError(ObjectStoreErrorNoStore, QStringLiteral("No store is open."));
    const QString table = quoted(m_joinTableNames[static_cast<size_t>(join)]);
    sqlite3_stmt* statement =
        p_statement(ownerSide ? QStringLiteral("SELECT b FROM %1 WHERE a = ?").arg(table)
                              : QStringLiteral("SELECT a FROM %1 WHERE b = ?").arg(table));
    if (!statement) return p_sqliteError(sqlite3_errcode(m_db), QStringLiteral("reading"));
    sqlite3_bind_int64(statement, 1, key);
    QList<qint64> members;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) members.append(sqlite3_column_int64(statement, 0));
    sqlite3_reset(statement);
    if (rc != SQLITE_DONE) return p_sqliteError(rc, QStringLiteral("reading"));
    return members;
}

Status PersistentStoreCoordinator::p_readJoinTable(int join,
                                                   const std::function<void(qint64, qint64)>& pair) {
    QMutexLocker locker(&m_lock);
    if (!m_db) return makeObjectStoreError(ObjectStoreErrorNoStore, QStringLiteral("No store is open."));
    sqlite3_stmt* statement = p_statement(
        QStringLiteral("SELECT a, b FROM %1").arg(quoted(m_joinTableNames[static_cast<size_t>(join)])));
    if (!statement) return p_sqliteError(sqlite3_errcode(m_db), QStringLiteral("reading"));
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
        pair(sqlite3_column_int64(statement, 0), sqlite3_column_int64(statement, 1));
    sqlite3_reset(statement);
    if (rc != SQLITE_DONE) return p_sqliteError(rc, QStringLiteral("reading"));
    return {};
}

Status PersistentStoreCoordinator::p_bindAttribute(sqlite3_stmt* statement, int index,
                                                   const AttributeDescription* attribute,
                                                   const QVariant& value, const ManagedObject* object) {
    if (!value.isValid()) {
        sqlite3_bind_null(statement, index);
        return {};
    }
    switch (attribute->type()) {
        case AttributeType::String: {
            const QByteArray utf8 = value.toString().toUtf8();
            sqlite3_bind_text(statement, index, utf8.constData(), static_cast<int>(utf8.size()),
                              SQLITE_TRANSIENT);
            break;
        }
        case AttributeType::Integer64:
            sqlite3_bind_int64(statement, index, value.toLongLong());
            break;
        case AttributeType::Double:
            sqlite3_bind_double(statement, index, value.toDouble());
            break;
        case AttributeType::Boolean:
            sqlite3_bind_int(statement, index, value.toBool() ? 1 : 0);
            break;
        case AttributeType::Date:
            sqlite3_bind_int64(statement, index, value.toDateTime().toMSecsSinceEpoch());
            break;
        case AttributeType::Binary: {
            const QByteArray data = value.toByteArray();
            sqlite3_bind_blob(statement, index, data.constData(), static_cast<int>(data.size()),
                              SQLITE_TRANSIENT);
            break;
        }
        case AttributeType::Transformable: {
            const auto transformer = valueTransformerForName(attribute->valueTransformerName());
            const QVariant data = transformer ? transformer->transformedValue(value) : QVariant();
            if (data.metaType().id() != QMetaType::QByteArray) {
                TDError error = makeObjectStoreError(
                    ObjectStoreErrorTransformFailed,
                    QStringLiteral("The value of \"%1\" of %2 could not be encoded by \"%3\".")
                        .arg(attribute->name(), object->objectID().uriString(),
                             attribute->valueTransformerName()));
                error.userInfo.insert(QStringLiteral("key"), attribute->name());
                return error;
            }
            const QByteArray bytes = data.toByteArray();
            sqlite3_bind_blob(statement, index, bytes.constData(), static_cast<int>(bytes.size()),
                              SQLITE_TRANSIENT);
            break;
        }
    }
    return {};
}

Status PersistentStoreCoordinator::p_bindRow(sqlite3_stmt* statement, int firstIndex,
                                             const ManagedObject* object, const std::vector<int>& columns) {
    const auto& tableColumns = m_columns[static_cast<size_t>(object->entity()->tableIndex())];
    int index = firstIndex;
    for (int c : columns) {
        const PropertyDescription* property = tableColumns[static_cast<size_t>(c)].property;
        if (!object->entity()->isKindOfEntity(property->entity())) {
            sqlite3_bind_null(statement, index++);
            continue;
        }
        if (const AttributeDescription* attribute = property->asAttribute()) {
            if (Status s =
                    p_bindAttribute(statement, index++, attribute,
                                    object->m_attributes[static_cast<size_t>(attribute->slot())], object);
                !s)
                return s;
        } else {
            const ManagedObject* target = object->m_toOne[static_cast<size_t>(property->slot())];
            if (target)
                sqlite3_bind_int64(statement, index++, target->primaryKey());
            else
                sqlite3_bind_null(statement, index++);
        }
    }
    return {};
}

Status PersistentStoreCoordinator::p_write(const std::vector<ManagedObject*>& inserted,
                                           const std::vector<ManagedObject*>& updated,
                                           const std::vector<ManagedObject*>& deleted) {
    QMutexLocker locker(&m_lock);
    if (!m_db) return makeObjectStoreError(ObjectStoreErrorNoStore, QStringLiteral("No store is open."));
    if (Status s = p_exec("BEGIN IMMEDIATE"); !s) return s;

    auto step = [this](sqlite3_stmt* statement, const QString& what) -> Status {
        if (!statement) return p_sqliteError(sqlite3_errcode(m_db), what);
        const int rc = sqlite3_step(statement);
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        if (rc != SQLITE_DONE) return p_sqliteError(rc, what);
        return {};
    };
    // Statement texts are made once per table and save: a restore inserts a hundred thousand rows.
    std::vector<QString> joinInsertSql(m_joinTableNames.size());
    std::vector<QString> joinDeleteSql(m_joinTableNames.size());
    auto joinPair = [&, this](const RelationshipDescription* r, const ManagedObject* a,
                              const ManagedObject* b, bool insert) -> Status {
        const auto join = static_cast<size_t>(r->joinTable());
        QString& sql = insert ? joinInsertSql[join] : joinDeleteSql[join];
        if (sql.isEmpty())
            sql = insert ? QStringLiteral("INSERT OR IGNORE INTO %1 (a, b) VALUES (?, ?)")
                               .arg(quoted(m_joinTableNames[join]))
                         : QStringLiteral("DELETE FROM %1 WHERE a = ? AND b = ?")
                               .arg(quoted(m_joinTableNames[join]));
        sqlite3_stmt* statement = p_statement(sql);
        if (statement) {
            sqlite3_bind_int64(statement, 1, a->primaryKey());
            sqlite3_bind_int64(statement, 2, b->primaryKey());
        }
        return step(statement, QStringLiteral("writing relationships"));
    };

    std::optional<qint64> saveCount;
    auto write = [&]() -> Status {
        for (const ManagedObject* object : deleted) {
            const int t = object->entity()->tableIndex();
            sqlite3_stmt* statement = p_statement(QStringLiteral("DELETE FROM %1 WHERE pk = ?")
                                                      .arg(quoted(m_tableNames[static_cast<size_t>(t)])));
            if (statement) sqlite3_bind_int64(statement, 1, object->primaryKey());
            if (Status s = step(statement, QStringLiteral("deleting")); !s) return s;
            for (const RelationshipDescription* r : object->entity()->relationships()) {
                if (r->storage() != RelationshipDescription::Storage::JoinTable) continue;
                const QString& table = m_joinTableNames[static_cast<size_t>(r->joinTable())];
                sqlite3_stmt* join =
                    p_statement(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                                    .arg(quoted(table),
                                         r->isJoinTableOwner() ? QStringLiteral("a") : QStringLiteral("b")));
                if (join) sqlite3_bind_int64(join, 1, object->primaryKey());
                if (Status s = step(join, QStringLiteral("deleting relationships")); !s) return s;
            }
        }
        std::vector<QString> insertSql(m_tableNames.size());
        for (const ManagedObject* object : inserted) {
            const int t = object->entity()->tableIndex();
            const auto& columns = m_columns[static_cast<size_t>(t)];
            std::vector<int> all(columns.size());
            std::iota(all.begin(), all.end(), 0);
            QString& sql = insertSql[static_cast<size_t>(t)];
            if (sql.isEmpty()) {
                sql = QStringLiteral("INSERT INTO %1 (pk, kind")
                          .arg(quoted(m_tableNames[static_cast<size_t>(t)]));
                QString values = QStringLiteral("?, ?");
                for (const Column& column : columns) {
                    sql += QStringLiteral(", ") + quoted(column.name);
                    values += QStringLiteral(", ?");
                }
                sql += QStringLiteral(") VALUES (") + values + QLatin1Char(')');
            }
            sqlite3_stmt* statement = p_statement(sql);
            if (statement) {
                sqlite3_bind_int64(statement, 1, object->primaryKey());
                sqlite3_bind_int(statement, 2,
                                 m_kindOfEntity[static_cast<size_t>(object->entity()->index())]);
                if (Status s = p_bindRow(statement, 3, object, all); !s) {
                    sqlite3_clear_bindings(statement);
                    return s;
                }
            }
            if (Status s = step(statement, QStringLiteral("inserting")); !s) return s;
            for (const RelationshipDescription* r : object->entity()->relationships()) {
                if (r->storage() != RelationshipDescription::Storage::JoinTable || !r->isJoinTableOwner())
                    continue;
                for (const ManagedObject* member : object->m_toMany[static_cast<size_t>(r->slot())])
                    if (Status s = joinPair(r, object, member, true); !s) return s;
            }
        }
        for (const ManagedObject* object : updated) {
            const ChangeRecord* changes = object->m_changes.get();
            if (!changes) continue;
            std::vector<int> columns;
            for (const auto& [slot, value] : changes->attributes) {
                const AttributeDescription* a = object->entity()->attributes()[slot];
                if (a->column() >= 0) columns.push_back(a->column());
            }
            for (const RelationshipDescription* r : object->entity()->relationships()) {
                if (r->column() >= 0 && changes->committedToOne(r->slot())) columns.push_back(r->column());
                if (r->storage() == RelationshipDescription::Storage::JoinTable && r->isJoinTableOwner()) {
                    if (const ChangeRecord::ToMany* delta = changes->toManyDelta(r->slot())) {
                        for (const ManagedObject* member : delta->removed)
                            if (Status s = joinPair(r, object, member, false); !s) return s;
                        for (const ManagedObject* member : delta->added)
                            if (Status s = joinPair(r, object, member, true); !s) return s;
                    }
                }
            }
            if (columns.empty()) continue;
            std::sort(columns.begin(), columns.end());
            const int t = object->entity()->tableIndex();
            QString sql = QStringLiteral("UPDATE %1 SET ").arg(quoted(m_tableNames[static_cast<size_t>(t)]));
            for (size_t i = 0; i < columns.size(); ++i)
                sql += (i ? QStringLiteral(", ") : QString()) +
                       quoted(m_columns[static_cast<size_t>(t)][static_cast<size_t>(columns[i])].name) +
                       QStringLiteral(" = ?");
            sqlite3_stmt* statement = p_statement(sql + QStringLiteral(" WHERE pk = ?"));
            if (statement) {
                if (Status s = p_bindRow(statement, 1, object, columns); !s) {
                    sqlite3_clear_bindings(statement);
                    return s;
                }
                sqlite3_bind_int64(statement, static_cast<int>(columns.size()) + 1, object->primaryKey());
            }
            if (Status s = step(statement, QStringLiteral("updating")); !s) return s;
        }
        if (!inserted.empty()) {
            QMutexLocker keys(&m_keyMutex);
            for (size_t t = 0; t < m_tableNames.size(); ++t) {
                sqlite3_stmt* statement =
                    p_statement(QStringLiteral("INSERT OR REPLACE INTO metadata (key, value) VALUES (?, ?)"));
                const QByteArray key = (kPrimaryKeyPrefix + m_tableNames[t]).toUtf8();
                const QByteArray value = QByteArray::number(m_lastPrimaryKey[t]);
                if (statement) {
                    sqlite3_bind_text(statement, 1, key.constData(), static_cast<int>(key.size()),
                                      SQLITE_TRANSIENT);
                    sqlite3_bind_text(statement, 2, value.constData(), static_cast<int>(value.size()),
                                      SQLITE_TRANSIENT);
                }
                if (Status s = step(statement, QStringLiteral("writing the keys")); !s) return s;
            }
        }
        // Counted in the same transaction, so the count says which saves the store really holds.
        sqlite3_stmt* counter = p_statement(
            QStringLiteral("INSERT INTO metadata (key, value) VALUES ('%1', 1) ON CONFLICT (key) DO UPDATE "
                           "SET value = CAST(value AS INTEGER) + 1 RETURNING CAST(value AS INTEGER)")
                .arg(kSaveCountKey));
        if (!counter) return p_sqliteError(sqlite3_errcode(m_db), QStringLiteral("counting the save"));
        int rc = sqlite3_step(counter);
        if (rc == SQLITE_ROW) {
            saveCount = sqlite3_column_int64(counter, 0);
            rc = sqlite3_step(counter);
        }
        sqlite3_reset(counter);
        if (rc != SQLITE_DONE) return p_sqliteError(rc, QStringLiteral("counting the save"));
        return p_exec("COMMIT");
    };
    Status status = write();
    if (!status)
        // SQLite may have rolled back already (a full disk does); the first error is the one to report.
        (void)p_exec("ROLLBACK");
    else
        m_saveCount = saveCount;
    return status;
}

}  // namespace platform

namespace platform {

int PersistentStoreCoordinator::StoredRow::column(const PropertyDescription* property) const {
    // The columns after "pk" and "kind", as readRows selects them.
    return m_resultColumns ? (*m_resultColumns)[size_t(property->column())] : property->column() + 2;
}

bool PersistentStoreCoordinator::StoredRow::isNull(const PropertyDescription* property) const {
    return property->column() < 0 || column(property) < 0 ||
           sqlite3_column_type(m_statement, column(property)) == SQLITE_NULL;
}

QVariant PersistentStoreCoordinator::StoredRow::value(const AttributeDescription* attribute) const {
    if (isNull(attribute)) return {};
    return storedAttributeValue(m_statement, column(attribute), attribute);
}

qint64 PersistentStoreCoordinator::StoredRow::integer(const PropertyDescription* property) const {
    return sqlite3_column_int64(m_statement, column(property));
}

double PersistentStoreCoordinator::StoredRow::real(const AttributeDescription* attribute) const {
    return sqlite3_column_double(m_statement, column(attribute));
}

QByteArrayView PersistentStoreCoordinator::StoredRow::text(const AttributeDescription* attribute) const {
    const int c = column(attribute);
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, c));
    return QByteArrayView(bytes, sqlite3_column_bytes(m_statement, c));
}

qint64 PersistentStoreCoordinator::StoredRow::foreignKey(const RelationshipDescription* relationship) const {
    return isNull(relationship) ? 0 : sqlite3_column_int64(m_statement, column(relationship));
}

Status PersistentStoreCoordinator::beginReading() {
    m_lock.lock();
    if (!m_db) {
        m_lock.unlock();
        return makeObjectStoreError(ObjectStoreErrorNoStore, QStringLiteral("No store is open."));
    }
    // Deferred: the snapshot is taken by the first read and held until the end.
    if (Status begun = p_exec("BEGIN"); !begun) {
        m_lock.unlock();
        return begun;
    }
    return {};
}

void PersistentStoreCoordinator::endReading() {
    if (m_db)
        if (const Status ended = p_exec("ROLLBACK"); !ended)
            logWithLevel(TDLogError, "ERROR", "Could not end a read of the store: %@",
                         ended.error().description);
    m_lock.unlock();
}

Status PersistentStoreCoordinator::readRows(const EntityDescription* root,
                                            const std::function<void(const StoredRow&)>& row,
                                            const AttributeDescription* orderBy,
                                            const std::vector<const PropertyDescription*>* only) {
    QMutexLocker locker(&m_lock);
    if (!m_db) return makeObjectStoreError(ObjectStoreErrorNoStore, QStringLiteral("No store is open."));
    const int table = root->tableIndex();
    const auto& columns = m_columns[static_cast<size_t>(table)];
    QString sql = QStringLiteral("SELECT pk, kind");
    std::vector<int> resultColumns;
    if (only) {
        // A row decodes every column it selects: a reader of a few columns selects only those.
        resultColumns.assign(columns.size(), -1);
        int next = 2;
        for (const PropertyDescription* property : *only) {
            const int c = property->column();
            if (c < 0 || c >= int(columns.size()) || resultColumns[size_t(c)] >= 0) continue;
            resultColumns[size_t(c)] = next++;
            sql += QStringLiteral(", ") + quoted(columns[size_t(c)].name);
        }
    } else {
        for (const Column& column : columns) sql += QStringLiteral(", ") + quoted(column.name);
    }
    sql += QStringLiteral(" FROM ") + quoted(m_tableNames[static_cast<size_t>(table)]) +
           QStringLiteral(" ORDER BY ");
    // No text and empty text sort alike, as the same empty QString.
    if (orderBy && orderBy->column() >= 0 && orderBy->column() < int(columns.size()))
        sql += QStringLiteral("coalesce(%1, '') COLLATE %2, ")
                   .arg(quoted(columns[size_t(orderBy->column())].name), QLatin1String(kUtf16Collation));
    sql += QStringLiteral("pk");
    sqlite3_stmt* statement = p_statement(sql);
    if (!statement) return p_sqliteError(sqlite3_errcode(m_db), QStringLiteral("reading"));
    StoredRow stored;
    stored.m_statement = statement;
    if (only) stored.m_resultColumns = &resultColumns;
    int lastKind = -1;
    int rc;
    Status status;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        stored.m_primaryKey = sqlite3_column_int64(statement, 0);
        if (const int kind = sqlite3_column_int(statement, 1); kind != lastKind) {
            lastKind = kind;
            stored.m_entity = m_entityOfKind.value(kind);
        }
        if (!stored.m_entity || stored.m_entity->tableIndex() != table) {
            status = makeObjectStoreError(
                ObjectStoreErrorStoreCannotOpen,
                QStringLiteral("The store \"%1\" holds a row of unknown kind %2.").arg(m_path).arg(lastKind));
            break;
        }
        row(stored);
    }
    sqlite3_reset(statement);
    if (status && rc != SQLITE_ROW && rc != SQLITE_DONE) return p_sqliteError(rc, QStringLiteral("reading"));
    return status;
}

Status PersistentStoreCoordinator::readJoinRows(const RelationshipDescription* relationship,
                                                const std::function<void(qint64, qint64)>& pair) {
    return p_readJoinTable(relationship->joinTable(), pair);
}

}  // namespace platform
