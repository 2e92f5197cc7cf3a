#include "store/library_backup_from_store.h"

#include "model/library_object.h"
#include "model/rule.h"
#include "model/rule_archiving.h"
#include "model/uid.h"
#include "platform/base/log.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/object_model.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/plist/xml_property_list_writer.h"
#include "platform/transformers/value_transformer.h"
#include "store/library_backup.h"
#include "store/library_version.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

namespace {

using platform::AttributeDescription;
using platform::AttributeType;
using platform::EntityDescription;
using platform::PropertyDescription;
using platform::RelationshipDescription;
using BackupRow = platform::PersistentStoreCoordinator::StoredRow;

// plist > root > TDEntities > entity > the object's dictionary.
constexpr int kBackupObjectDepth = 4;
// How many of an entity's forms are written before the room for all of them is reserved.
constexpr qsizetype kFormsMeasured = 256;

bool isExcludedFromBackup(const EntityDescription* entity) {
    return entity->userInfoValue(TDExcludeFromPlistKey) == QLatin1String("YES");
}

// As the objects' property-list forms choose their properties.
bool takesPartInBackup(const PropertyDescription* property) {
    if (property->userInfo().isEmpty()) return !property->isTransient();
    const QString marker = property->userInfoValue(TDExcludeFromPlistKey);
    if (marker == QLatin1String("YES")) return false;
    return !property->isTransient() || marker == QLatin1String("NO");
}

// How an attribute with a default value is told from its default without a QVariant made for it:
// compared as the type the stored value and the default share, or as values when they share none.
struct BackupDefault {
    enum Kind { None, Integer, Real, Boolean, Text, Value } kind = None;
    qint64 integer = 0;
    double real = 0;
    QByteArray text;
};

BackupDefault backupDefaultOf(const AttributeDescription* attribute) {
    const QVariant& fallback = attribute->defaultValue();
    BackupDefault unless;
    if (attribute->type() != AttributeType::Binary && !fallback.isValid()) return unless;
    unless.kind = BackupDefault::Value;
    const int type = fallback.metaType().id();
    switch (attribute->type()) {
        case AttributeType::Integer64:
            if (type == QMetaType::Int || type == QMetaType::LongLong) {
                unless.kind = BackupDefault::Integer;
                unless.integer = fallback.toLongLong();
            }
            break;
        case AttributeType::Double:
            if (type == QMetaType::Double) {
                unless.kind = BackupDefault::Real;
                unless.real = fallback.toDouble();
            }
            break;
        case AttributeType::Boolean:
            if (type == QMetaType::Bool) {
                unless.kind = BackupDefault::Boolean;
                unless.integer = fallback.toBool();
            }
            break;
        case AttributeType::String:
            // Stored bytes that are not UTF-8 read as U+FFFD, so only a default without it is told
            // apart by its bytes.
            if (type == QMetaType::QString && !fallback.toString().contains(QChar::ReplacementCharacter)) {
                unless.kind = BackupDefault::Text;
                unless.text = fallback.toString().toUtf8();
            }
            break;
        default:
            break;
    }
    return unless;
}

// One key of an entity's form and where its value comes from. Tasks carry their recurrence's whole
// form and no notes UID; smart folders carry their rule's archive instead of the rule object.
struct BackupField {
    enum Kind { Attribute, ToOne, ToMany, EmbeddedRecurrence, ArchivedRule } kind;
    QString name;
    const PropertyDescription* property;
    QByteArray key = name.toUtf8();
    BackupDefault fallback = kind == Attribute ? backupDefaultOf(property->asAttribute()) : BackupDefault();
};

struct BackupObject {
    const EntityDescription* entity = nullptr;
    QString uid;
    std::optional<quint64> uidNumber;  // for UIDs of the usual form, whose numeric order is their order
};

// Orders objects by UID as TDUIDLess does, comparing numbers where both UIDs have the usual form.
bool backupUIDLess(const BackupObject& a, const BackupObject& b) {
    if (a.uidNumber && b.uidNumber) return *a.uidNumber < *b.uidNumber;
    return TDUIDLess(a.uid, b.uid);
}

// 16 upper-case hexadecimal digits: written as they stand.
bool isCanonicalUID(QByteArrayView uid) {
    return uid.size() == 16 && std::all_of(uid.begin(), uid.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
           });
}

// The 16 digits of a UID of the usual form.
QByteArrayView hexUID(quint64 number, char (&digits)[16]) {
    for (int i = 15; i >= 0; --i, number >>= 4) digits[i] = "0123456789ABCDEF"[number & 0xF];
    return QByteArrayView(digits, 16);
}

class StoreBackup {
public:
    StoreBackup(platform::PersistentStoreCoordinator& coordinator, const std::function<bool()>& cancelled)
        : m_coordinator(coordinator), m_model(coordinator.model()), m_cancelled(cancelled) {
        m_fields.resize(size_t(m_model.entities().size()));
        for (const EntityDescription* entity : m_model.entities())
            if (!isExcludedFromBackup(entity)) p_planFields(entity);
        m_objects.resize(size_t(m_model.tables().size()));
        m_rowCounts.resize(size_t(m_model.entities().size()));
    }

    double libraryVersion() const { return m_libraryVersion; }

    Status readObjectsAndRelationships();
    Status readEmbeddedForms();
    Result<QByteArray> text(const QVariantMap& header);

private:
    void p_planFields(const EntityDescription* entity);
    TDError p_cancelledError() const {
        return TDError::make(TDErrorBackupCancelled, QStringLiteral("The backup was cancelled."));
    }
    bool p_isCancelled() const { return m_cancelled && m_cancelled(); }
    const BackupObject* p_object(const EntityDescription* entity, qint64 key) const;
    qint64 p_toOne(const BackupRow& row, const RelationshipDescription* relationship) const;
    Status p_writeForm(platform::XmlPropertyListText& text, const BackupRow& row, int depth) const;
    Status p_writeEntity(platform::XmlPropertyListText& text, const EntityDescription* entity) const;
    Status p_writeAttribute(platform::XmlPropertyListText& text, const BackupRow& row,
                            const BackupField& field, int depth) const;
    static Status p_writeUID(platform::XmlPropertyListText& text, int depth, const BackupObject& object);

    platform::PersistentStoreCoordinator& m_coordinator;
    const platform::ObjectModel& m_model;
    std::function<bool()> m_cancelled;
    std::vector<std::vector<BackupField>> m_fields;      // by entity index, in key order
    std::vector<QHash<qint64, BackupObject>> m_objects;  // by table, by primary key
    std::map<const RelationshipDescription*, QHash<qint64, qint64>> m_toOne;
    std::map<const RelationshipDescription*, QHash<qint64, QList<qint64>>> m_toMany;
    QHash<qint64, QByteArray> m_recurrenceForms;  // each at the depth of a task's key's value
    QHash<qint64, QVariant> m_rules;              // smart-folder rules by their rule object's key
    std::vector<qsizetype> m_rowCounts;           // by entity index
    double m_libraryVersion = TDCurrentLibraryVersion;
};

void StoreBackup::p_planFields(const EntityDescription* entity) {
    const bool isTask = entity->isKindOfEntity(m_model.entity(QStringLiteral("Task")));
    const bool isSmartFolder = entity->isKindOfEntity(m_model.entity(QStringLiteral("SmartFolder")));
    std::vector<BackupField>& fields = m_fields[size_t(entity->index())];
    for (const PropertyDescription* property : entity->propertiesByName()) {
        if (!takesPartInBackup(property)) continue;
        const QString& name = property->name();
        if (property->asAttribute()) {
            if (!(isTask && name == QLatin1String("notesUID")))
                fields.push_back({BackupField::Attribute, name, property});
            continue;
        }
        const RelationshipDescription* relationship = property->asRelationship();
        if (isSmartFolder && name == QLatin1String("smartFolderRule")) {
            fields.push_back({BackupField::ArchivedRule, QStringLiteral("rule"), property});
            continue;
        }
        BackupField::Kind kind = relationship->isToMany() ? BackupField::ToMany : BackupField::ToOne;
        if (isTask && name == QLatin1String("recurrence")) kind = BackupField::EmbeddedRecurrence;
        fields.push_back({kind, name, property});
    }
    std::stable_sort(fields.begin(), fields.end(),
                     [](const BackupField& a, const BackupField& b) { return a.name < b.name; });
}

const BackupObject* StoreBackup::p_object(const EntityDescription* entity, qint64 key) const {
    const auto& objects = m_objects[size_t(entity->tableIndex())];
    const auto found = objects.constFind(key);
    return found == objects.cend() ? nullptr : &*found;
}

Status StoreBackup::readObjectsAndRelationships() {
    // Which relationships some written form needs, by the table of the objects that hold them.
    QSet<const RelationshipDescription*> needed;
    for (const EntityDescription* entity : m_model.entities())
        for (const BackupField& field : m_fields[size_t(entity->index())])
            if (field.kind != BackupField::Attribute) needed.insert(field.property->asRelationship());
    const auto isNeeded = [&](const RelationshipDescription* r) { return needed.contains(r); };
    // The foreign keys to follow, by entity: those kept in its rows whose either side is written.
    std::vector<std::vector<const RelationshipDescription*>> foreignKeys(size_t(m_model.entities().size()));
    for (const EntityDescription* entity : m_model.entities())
        for (const RelationshipDescription* r : entity->relationships())
            if (r->storage() == RelationshipDescription::Storage::ForeignKey &&
                (isNeeded(r) || isNeeded(r->inverseRelationship())))
                foreignKeys[size_t(entity->index())].push_back(r);
    std::map<const RelationshipDescription*, std::vector<std::pair<qint64, qint64>>> pending;
    const EntityDescription* libraryEntity = m_model.entity(QStringLiteral("Library"));
    bool libraryRead = false;
    std::vector<const AttributeDescription*> uids(size_t(m_model.entities().size()));
    for (const EntityDescription* entity : m_model.entities())
        uids[size_t(entity->index())] = entity->attribute(QStringLiteral("uid"));
    const AttributeDescription* version =
        libraryEntity ? libraryEntity->attribute(QStringLiteral("version")) : nullptr;
    // The columns this pass reads, by table: the UIDs, the foreign keys to follow, the data version.
    std::vector<std::vector<const PropertyDescription*>> columns(size_t(m_model.tables().size()));
    for (const EntityDescription* entity : m_model.entities()) {
        auto& read = columns[size_t(entity->tableIndex())];
        if (const AttributeDescription* uid = uids[size_t(entity->index())]) read.push_back(uid);
        for (const RelationshipDescription* r : foreignKeys[size_t(entity->index())]) read.push_back(r);
        if (entity == libraryEntity && version) read.push_back(version);
    }

    for (const EntityDescription* root : m_model.tables()) {
        if (p_isCancelled()) return p_cancelledError();
        auto& objects = m_objects[size_t(root->tableIndex())];
        const Status read = m_coordinator.readRows(
            root,
            [&](const BackupRow& row) {
                const EntityDescription* entity = row.entity();
                BackupObject& object = objects[row.primaryKey()];
                ++m_rowCounts[size_t(entity->index())];
                object.entity = entity;
                if (const AttributeDescription* uid = uids[size_t(entity->index())];
                    uid && !row.isNull(uid)) {
                    object.uid = QString::fromUtf8(row.text(uid));
                    object.uidNumber = TDCanonicalUIDNumber(object.uid);
                }
                for (const RelationshipDescription* r : foreignKeys[size_t(entity->index())])
                    if (const qint64 key = row.foreignKey(r)) pending[r].emplace_back(row.primaryKey(), key);
                if (entity == libraryEntity && !libraryRead) {
                    libraryRead = true;
                    const QVariant stored = version ? row.value(version) : QVariant();
                    const QVariant value = stored.isValid() ? stored
                                           : version        ? version->defaultValue()
                                                            : QVariant();
                    if (value.isValid()) m_libraryVersion = value.toDouble();
                }
            },
            nullptr, &columns[size_t(root->tableIndex())]);
        if (!read.ok()) return read;
    }

    // As a context wires what it loads: a key to a missing object or one of another entity is ignored.
    for (const auto& [relationship, pairs] : pending) {
        const RelationshipDescription* inverse = relationship->inverseRelationship();
        const RelationshipDescription* forward = relationship;
        const RelationshipDescription* backward = inverse;
        const bool keepForward = needed.contains(forward);
        const bool keepBackward = needed.contains(backward);
        for (const auto& [source, target] : pairs) {
            const BackupObject* destination = p_object(relationship->destinationEntity(), target);
            if (!destination || !destination->entity->isKindOfEntity(relationship->destinationEntity()))
                continue;
            if (keepForward) m_toOne[forward].insert(source, target);
            if (!keepBackward) continue;
            if (inverse->isToMany())
                m_toMany[backward][target].append(source);
            else
                m_toOne[backward].insert(target, source);
        }
    }
    for (const RelationshipDescription* r : m_model.joinTables()) {
        const RelationshipDescription* inverse = r->inverseRelationship();
        const RelationshipDescription* owner = r;
        const RelationshipDescription* other = inverse;
        if (!needed.contains(owner) && !needed.contains(other)) continue;
        const Status read = m_coordinator.readJoinRows(r, [&](qint64 a, qint64 b) {
            const BackupObject* from = p_object(r->entity(), a);
            const BackupObject* to = p_object(r->destinationEntity(), b);
            if (!from || !to || !from->entity->isKindOfEntity(r->entity()) ||
                !to->entity->isKindOfEntity(r->destinationEntity()))
                return;
            m_toMany[owner][a].append(b);
            m_toMany[other][b].append(a);
        });
        if (!read.ok()) return read;
    }
    return {};
}

qint64 StoreBackup::p_toOne(const BackupRow& row, const RelationshipDescription* relationship) const {
    const auto found = m_toOne.find(relationship);
    return found == m_toOne.end() ? 0 : found->second.value(row.primaryKey(), 0);
}

Status StoreBackup::readEmbeddedForms() {
    const EntityDescription* recurrence = m_model.entity(QStringLiteral("Recurrence"));
    const EntityDescription* ruleEntity = m_model.entity(QStringLiteral("SmartFolderRule"));
    if (recurrence) {
        Status failed;
        const Status read = m_coordinator.readRows(recurrence->rootEntity(), [&](const BackupRow& row) {
            if (!failed.ok() || !row.entity()->isKindOfEntity(recurrence)) return;
            platform::ByteBuffer form;
            platform::XmlPropertyListText text(form);
            failed = p_writeForm(text, row, kBackupObjectDepth + 1);
            m_recurrenceForms.insert(row.primaryKey(), form.take());
        });
        if (!read.ok()) return read;
        if (!failed.ok()) return failed;
    }
    if (ruleEntity) {
        const AttributeDescription* rule = ruleEntity->attribute(QStringLiteral("rule"));
        const Status read = m_coordinator.readRows(ruleEntity->rootEntity(), [&](const BackupRow& row) {
            if (rule && row.entity()->isKindOfEntity(ruleEntity))
                m_rules.insert(row.primaryKey(), row.value(rule));
        });
        if (!read.ok()) return read;
    }
    return {};
}

Status StoreBackup::p_writeAttribute(platform::XmlPropertyListText& text, const BackupRow& row,
                                     const BackupField& field, int depth) const {
    const AttributeDescription* attribute = field.property->asAttribute();
    const QVariant& fallback = attribute->defaultValue();
    if (attribute->type() == AttributeType::Transformable) {
        const QVariant stored = row.value(attribute);
        if (!stored.isValid() || stored == fallback) return {};
        const auto transformer = platform::valueTransformerForName(attribute->valueTransformerName());
        const QVariant data = transformer ? transformer->transformedValue(stored) : QVariant();
        if (data.metaType().id() != QMetaType::QByteArray) {
            logWithLevel(TDLogError, "ERROR",
                         "Could not archive the value of \"%@\" with \"%@\"; it is left out.",
                         attribute->name(), attribute->valueTransformerName());
            return {};
        }
        text.plainKey(depth, field.key);
        text.data(depth, data.toByteArray());
        return {};
    }
    const BackupDefault& unless = field.fallback;
    switch (unless.kind) {
        case BackupDefault::None:
            break;
        case BackupDefault::Integer:
            if (row.integer(attribute) == unless.integer) return {};
            break;
        case BackupDefault::Real:
            if (row.real(attribute) == unless.real) return {};
            break;
        case BackupDefault::Boolean:
            if ((row.integer(attribute) != 0) == (unless.integer != 0)) return {};
            break;
        case BackupDefault::Text:
            if (row.text(attribute) == unless.text) return {};
            break;
        case BackupDefault::Value: {
            const QVariant stored = row.value(attribute);
            if (stored == fallback) return {};
            text.plainKey(depth, field.key);
            return text.value(depth, stored);
        }
    }
    text.plainKey(depth, field.key);
    switch (attribute->type()) {
        case AttributeType::String:
            return text.string(depth, row.text(attribute));
        case AttributeType::Integer64:
            text.integer(depth, row.integer(attribute));
            return {};
        case AttributeType::Double:
            text.real(depth, row.real(attribute));
            return {};
        case AttributeType::Boolean:
            text.boolean(depth, row.integer(attribute) != 0);
            return {};
        case AttributeType::Date:
            return text.date(depth, row.integer(attribute));
        case AttributeType::Binary:
        case AttributeType::Transformable:
            break;
    }
    return {};
}

Status StoreBackup::p_writeUID(platform::XmlPropertyListText& text, int depth, const BackupObject& object) {
    if (!object.uidNumber) return text.string(depth, QStringView(object.uid));
    char digits[16];
    return text.string(depth, hexUID(*object.uidNumber, digits));
}

Status StoreBackup::p_writeForm(platform::XmlPropertyListText& text, const BackupRow& row, int depth) const {
    text.beginDictionary(depth);
    const int inner = depth + 1;
    for (const BackupField& field : m_fields[size_t(row.entity()->index())]) {
        const QByteArray& key = field.key;
        switch (field.kind) {
            case BackupField::Attribute: {
                const AttributeDescription* attribute = field.property->asAttribute();
                if (row.isNull(attribute)) break;
                if (Status s = p_writeAttribute(text, row, field, inner); !s.ok()) return s;
                break;
            }
            case BackupField::ToOne: {
                const RelationshipDescription* r = field.property->asRelationship();
                const BackupObject* target = p_object(r->destinationEntity(), p_toOne(row, r));
                if (!target || target->uid.isEmpty()) break;
                text.plainKey(inner, key);
                if (Status s = p_writeUID(text, inner, *target); !s.ok()) return s;
                break;
            }
            case BackupField::ToMany: {
                const RelationshipDescription* r = field.property->asRelationship();
                const auto members = m_toMany.find(r);
                if (members == m_toMany.end()) break;
                const auto found = members->second.constFind(row.primaryKey());
                if (found == members->second.cend()) break;
                std::vector<qint64> keys(found->cbegin(), found->cend());
                std::sort(keys.begin(), keys.end());
                keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
                std::vector<const BackupObject*> identified;
                for (const qint64 member : keys)
                    if (const BackupObject* object = p_object(r->destinationEntity(), member);
                        object && !object->uid.isEmpty())
                        identified.push_back(object);
                if (identified.empty()) break;
                std::stable_sort(
                    identified.begin(), identified.end(),
                    [](const BackupObject* a, const BackupObject* b) { return backupUIDLess(*a, *b); });
                text.plainKey(inner, key);
                text.beginArray(inner);
                for (const BackupObject* object : identified)
                    if (Status s = p_writeUID(text, inner + 1, *object); !s.ok()) return s;
                text.endArray(inner);
                break;
            }
            case BackupField::EmbeddedRecurrence: {
                const auto form = m_recurrenceForms.constFind(p_toOne(row, field.property->asRelationship()));
                if (form == m_recurrenceForms.cend()) break;
                text.plainKey(inner, key);
                text.buffer().append(QByteArrayView(*form));
                break;
            }
            case BackupField::ArchivedRule: {
                const TRRulePtr rule =
                    m_rules.value(p_toOne(row, field.property->asRelationship())).value<TRRulePtr>();
                if (!rule) break;
                const Result<QByteArray> data = TRArchivedRuleData(*rule);
                if (!data.ok()) break;
                text.plainKey(inner, key);
                text.data(inner, *data);
                break;
            }
        }
    }
    text.endDictionary(depth);
    return {};
}

// The entity's objects keyed by UID in the order of their UIDs, read so from the store: a stable
// order, so that of two objects claiming one UID the later one is kept, as in a dictionary.
Status StoreBackup::p_writeEntity(platform::XmlPropertyListText& text,
                                  const EntityDescription* entity) const {
    platform::ByteBuffer& document = text.buffer();
    const qsizetype start = document.size();
    const qsizetype forms = m_rowCounts[size_t(entity->index())];
    qsizetype formsWritten = 0;
    const AttributeDescription* uid = entity->attribute(QStringLiteral("uid"));
    Status failed;
    const Status read = m_coordinator.readRows(
        entity->rootEntity(),
        [&](const BackupRow& row) {
            if (!failed.ok() || row.entity() != entity) return;
            const QByteArrayView identifier = uid && !row.isNull(uid) ? row.text(uid) : QByteArrayView();
            if (isCanonicalUID(identifier)) {
                text.plainKey(kBackupObjectDepth, identifier);
            } else if (failed = text.key(kBackupObjectDepth, QString::fromUtf8(identifier)); !failed.ok()) {
                return;
            }
            failed = p_writeForm(text, row, kBackupObjectDepth);
            // Room for the entity's forms reserved once, from its first forms' sizes: a block of a
            // hundred megabytes that grows step by step is copied, and its fresh pages touched, again
            // and again.
            if (++formsWritten == kFormsMeasured)
                document.reserve(document.size() + (document.size() - start) / kFormsMeasured *
                                                       (forms - kFormsMeasured) * 5 / 4);
        },
        uid);
    return read.ok() ? failed : read;
}

Result<QByteArray> StoreBackup::text(const QVariantMap& header) {
    std::map<QString, const EntityDescription*> entities;  // in the order of their names
    for (const EntityDescription* entity : m_model.entities())
        if (m_rowCounts[size_t(entity->index())] > 0 && !isExcludedFromBackup(entity))
            entities.emplace(entity->name(), entity);
    platform::ByteBuffer document;
    platform::XmlPropertyListText text(document);
    const auto writeEntities = [&]() -> Status {
        if (Status s = text.key(2, TDBackupEntitiesKey); !s.ok()) return s;
        text.beginDictionary(2);
        for (const auto& [name, entity] : entities) {
            if (p_isCancelled()) return p_cancelledError();
            if (Status s = text.key(3, name); !s.ok()) return s;
            text.beginDictionary(3);
            if (Status s = p_writeEntity(text, entity); !s.ok()) return s;
            text.endDictionary(3);
        }
        text.endDictionary(2);
        return {};
    };
    text.beginDocument();
    text.beginDictionary(1);
    bool entitiesWritten = false;
    for (auto it = header.cbegin(); it != header.cend(); ++it) {
        if (!entitiesWritten && TDBackupEntitiesKey < it.key()) {
            if (Status s = writeEntities(); !s.ok()) return s.error();
            entitiesWritten = true;
        }
        if (Status s = text.key(2, it.key()); !s.ok()) return s.error();
        if (Status s = text.value(2, it.value()); !s.ok()) return s.error();
    }
    if (!entitiesWritten)
        if (Status s = writeEntities(); !s.ok()) return s.error();
    text.endDictionary(1);
    text.endDocument();
    return document.take();
}

}  // namespace

Result<QByteArray> TDLibraryBackupTextFromStore(platform::PersistentStoreCoordinator& coordinator,
                                                const std::function<QVariantMap(double)>& header,
                                                const std::function<bool()>& cancelled) {
    if (Status begun = coordinator.beginReading(); !begun.ok()) return begun.error();
    StoreBackup backup(coordinator, cancelled);
    Status read = backup.readObjectsAndRelationships();
    if (read.ok()) read = backup.readEmbeddedForms();
    Result<QByteArray> text =
        read.ok() ? backup.text(header(backup.libraryVersion())) : Result<QByteArray>(read.error());
    coordinator.endReading();
    return text;
}
