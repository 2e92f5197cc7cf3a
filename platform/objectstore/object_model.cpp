#include "platform/objectstore/object_model.h"

#include "platform/base/variant_types.h"
#include "platform/objectstore/object_store_error.h"
#include "platform/predicates/predicate_parser.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <atomic>

namespace platform {

namespace {

constexpr qint64 kMaximumModelSize = 4 * 1024 * 1024;

TDError modelError(const QString& text) {
    return makeObjectStoreError(ObjectStoreErrorModelInvalid,
                                QStringLiteral("The object model is invalid: %1").arg(text));
}

std::optional<AttributeType> attributeTypeFromName(const QString& name) {
    static const QHash<QString, AttributeType> types = {
        {QStringLiteral("string"), AttributeType::String},
        {QStringLiteral("int64"), AttributeType::Integer64},
        {QStringLiteral("double"), AttributeType::Double},
        {QStringLiteral("bool"), AttributeType::Boolean},
        {QStringLiteral("date"), AttributeType::Date},
        {QStringLiteral("binary"), AttributeType::Binary},
        {QStringLiteral("transformable"), AttributeType::Transformable},
    };
    const auto it = types.constFind(name);
    if (it == types.constEnd()) return std::nullopt;
    return *it;
}

// A JSON default in the attribute's own type; dates are ISO 8601 texts, binary values base64 texts.
QVariant defaultFromJson(AttributeType type, const QJsonValue& value) {
    if (value.isUndefined() || value.isNull()) return {};
    switch (type) {
        case AttributeType::String:
            return value.toString();
        case AttributeType::Integer64:
            return qint64(value.toDouble());
        case AttributeType::Double:
            return value.toDouble();
        case AttributeType::Boolean:
            return value.toBool();
        case AttributeType::Date:
            return QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
        case AttributeType::Binary:
            return QByteArray::fromBase64(value.toString().toLatin1());
        case AttributeType::Transformable:
            return value.toVariant();
    }
    return {};
}

QVariantMap userInfoFromJson(const QJsonValue& value) {
    QVariantMap info;
    const QJsonObject object = value.toObject();
    for (auto it = object.begin(); it != object.end(); ++it) info.insert(it.key(), it.value().toString());
    return info;
}

}  // namespace

bool EntityDescription::isKindOfEntity(const EntityDescription* other) const {
    for (const EntityDescription* e = this; e; e = e->m_superEntity)
        if (e == other) return true;
    return false;
}

const AttributeDescription* EntityDescription::attribute(const QString& name) const {
    const PropertyDescription* p = property(name);
    return p ? p->asAttribute() : nullptr;
}

const RelationshipDescription* EntityDescription::relationship(const QString& name) const {
    const PropertyDescription* p = property(name);
    return p ? p->asRelationship() : nullptr;
}

const AttributeDescription* PropertyDescription::asAttribute() const {
    return isAttribute() ? static_cast<const AttributeDescription*>(this) : nullptr;
}

const RelationshipDescription* PropertyDescription::asRelationship() const {
    return isAttribute() ? nullptr : static_cast<const RelationshipDescription*>(this);
}

ObjectModel::ObjectModel() {
    static std::atomic<quint64> lastSerial{0};
    m_serial = ++lastSerial;
}

ObjectModel::~ObjectModel() = default;

Result<std::shared_ptr<const ObjectModel>> ObjectModel::fromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return makeObjectStoreError(ObjectStoreErrorModelInvalid,
                                    QStringLiteral("Could not read the object model at \"%1\".").arg(path));
    if (file.size() > kMaximumModelSize) return modelError(QStringLiteral("the file is too large"));
    return fromJson(file.readAll());
}

Result<std::shared_ptr<const ObjectModel>> ObjectModel::fromJson(const QByteArray& json) {
    if (json.size() > kMaximumModelSize) return modelError(QStringLiteral("the file is too large"));
    std::shared_ptr<ObjectModel> model(new ObjectModel);
    if (Status s = model->p_read(json); !s) return s.error();
    if (Status s = model->p_resolve(); !s) return s.error();
    model->p_computeHash();
    return std::shared_ptr<const ObjectModel>(std::move(model));
}

const EntityDescription* ObjectModel::entity(const QString& name) const {
    return m_entitiesByName.value(name);
}

Status ObjectModel::p_read(const QByteArray& json) {
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (!document.isObject()) return modelError(parseError.errorString());
    const QJsonObject root = document.object();
    m_name = root.value(QLatin1String("name")).toString();
    m_versionIdentifier = root.value(QLatin1String("version")).toString();
    if (m_versionIdentifier.isEmpty()) return modelError(QStringLiteral("no version"));

    for (const QJsonValue& requestValue : root.value(QLatin1String("fetchRequests")).toArray()) {
        const QJsonObject r = requestValue.toObject();
        FetchRequest request;
        request.entityName = r.value(QLatin1String("entity")).toString();
        const QString name = r.value(QLatin1String("name")).toString();
        if (name.isEmpty() || request.entityName.isEmpty())
            return modelError(QStringLiteral("a fetch request without name or entity"));
        const QString format = r.value(QLatin1String("predicate")).toString();
        if (!format.isEmpty()) {
            Result<PredicatePtr> predicate = predicateWithFormat(format);
            if (!predicate)
                return modelError(
                    QStringLiteral("fetch request %1: %2").arg(name, predicate.error().description));
            request.predicate = *predicate;
        }
        m_fetchTemplates.insert(name, request);
    }

    const QJsonArray entities = root.value(QLatin1String("entities")).toArray();
    if (entities.isEmpty()) return modelError(QStringLiteral("no entities"));
    for (const QJsonValue& entityValue : entities) {
        const QJsonObject e = entityValue.toObject();
        auto entity = std::make_unique<EntityDescription>();
        entity->m_name = e.value(QLatin1String("name")).toString();
        if (entity->m_name.isEmpty() || this->entity(entity->m_name))
            return modelError(QStringLiteral("missing or repeated entity name \"%1\"").arg(entity->m_name));
        entity->m_className = e.value(QLatin1String("class")).toString();
        entity->m_model = this;
        entity->m_userInfo = userInfoFromJson(e.value(QLatin1String("userInfo")));
        entity->m_index = static_cast<int>(m_entities.size());
        const QString parentName = e.value(QLatin1String("parent")).toString();
        if (!parentName.isEmpty()) {
            auto* parent = const_cast<EntityDescription*>(this->entity(parentName));
            if (!parent)
                return modelError(
                    QStringLiteral("entity \"%1\" names the parent \"%2\" before it is declared")
                        .arg(entity->m_name, parentName));
            entity->m_superEntity = parent;
            entity->m_root = parent->m_root;
            parent->m_subEntities.append(entity.get());
            entity->m_properties = parent->m_properties;
            entity->m_attributes = parent->m_attributes;
            entity->m_relationships = parent->m_relationships;
            entity->m_byName = parent->m_byName;
            entity->m_toOneCount = parent->m_toOneCount;
            entity->m_toManyCount = parent->m_toManyCount;
        } else {
            entity->m_root = entity.get();
            entity->m_tableIndex = static_cast<int>(m_tables.size());
            m_tables.append(entity.get());
        }

        auto addProperty = [&](std::unique_ptr<PropertyDescription> property,
                               const QJsonObject& p) -> Status {
            property->m_name = p.value(QLatin1String("name")).toString();
            if (property->m_name.isEmpty() || property->m_name.contains(QLatin1Char('.')) ||
                property->m_name.startsWith(QLatin1Char('@')) || entity->m_byName.contains(property->m_name))
                return modelError(
                    QStringLiteral("missing, malformed or repeated property name \"%1\" in \"%2\"")
                        .arg(property->m_name, entity->m_name));
            property->m_entity = entity.get();
            property->m_optional = p.value(QLatin1String("optional")).toBool(true);
            property->m_userInfo = userInfoFromJson(p.value(QLatin1String("userInfo")));
            entity->m_byName.insert(property->m_name, property.get());
            entity->m_properties.append(property.get());
            entity->m_ownProperties.push_back(std::move(property));
            return {};
        };

        for (const QJsonValue& attributeValue : e.value(QLatin1String("attributes")).toArray()) {
            const QJsonObject a = attributeValue.toObject();
            auto attribute = std::make_unique<AttributeDescription>();
            const auto type = attributeTypeFromName(a.value(QLatin1String("type")).toString());
            if (!type)
                return modelError(QStringLiteral("attribute \"%1\" of \"%2\" has an unknown type")
                                      .arg(a.value(QLatin1String("name")).toString(), entity->m_name));
            attribute->m_type = *type;
            attribute->m_transient = a.value(QLatin1String("transient")).toBool(false);
            attribute->m_valueTransformerName = a.value(QLatin1String("transformer")).toString();
            if (*type == AttributeType::Transformable && attribute->m_valueTransformerName.isEmpty())
                return modelError(
                    QStringLiteral("transformable attribute \"%1\" of \"%2\" names no transformer")
                        .arg(a.value(QLatin1String("name")).toString(), entity->m_name));
            attribute->m_defaultValue = defaultFromJson(*type, a.value(QLatin1String("default")));
            attribute->m_slot = static_cast<int>(entity->m_attributes.size());
            AttributeDescription* raw = attribute.get();
            if (Status s = addProperty(std::move(attribute), a); !s) return s;
            entity->m_attributes.append(raw);
        }
        for (const QJsonValue& relationshipValue : e.value(QLatin1String("relationships")).toArray()) {
            const QJsonObject r = relationshipValue.toObject();
            auto relationship = std::make_unique<RelationshipDescription>();
            relationship->m_toMany = r.value(QLatin1String("toMany")).toBool(false);
            const QString rule = r.value(QLatin1String("deleteRule")).toString(QStringLiteral("nullify"));
            if (rule == QLatin1String("nullify"))
                relationship->m_deleteRule = DeleteRule::Nullify;
            else if (rule == QLatin1String("cascade"))
                relationship->m_deleteRule = DeleteRule::Cascade;
            else if (rule == QLatin1String("deny"))
                relationship->m_deleteRule = DeleteRule::Deny;
            else
                return modelError(QStringLiteral("unknown delete rule \"%1\"").arg(rule));
            relationship->m_slot = relationship->m_toMany ? entity->m_toManyCount++ : entity->m_toOneCount++;
            const QJsonValue contains = r.value(QLatin1String("containsDestination"));
            relationship->m_containsDestination = contains.toBool(false);
            m_pending.push_back({relationship.get(), r.value(QLatin1String("destination")).toString(),
                                 r.value(QLatin1String("inverse")).toString(), contains.isBool()});
            RelationshipDescription* raw = relationship.get();
            if (Status s = addProperty(std::move(relationship), r); !s) return s;
            entity->m_relationships.append(raw);
        }
        entity->m_propertiesByName = entity->m_properties;
        std::sort(
            entity->m_propertiesByName.begin(), entity->m_propertiesByName.end(),
            [](const PropertyDescription* a, const PropertyDescription* b) { return a->name() < b->name(); });
        m_entityList.append(entity.get());
        m_entitiesByName.insert(entity->m_name, entity.get());
        m_entities.push_back(std::move(entity));
    }
    return {};
}

Status ObjectModel::p_resolve() {
    for (const PendingRelationship& pending : m_pending) {
        RelationshipDescription* r = pending.relationship;
        const EntityDescription* destination = entity(pending.destination);
        if (!destination)
            return modelError(
                QStringLiteral("relationship \"%1\" of \"%2\" has the unknown destination \"%3\"")
                    .arg(r->name(), r->entity()->name(), pending.destination));
        const RelationshipDescription* inverse = destination->relationship(pending.inverse);
        if (!inverse)
            return modelError(QStringLiteral("relationship \"%1\" of \"%2\" has no inverse \"%3\" in \"%4\"")
                                  .arg(r->name(), r->entity()->name(), pending.inverse, destination->name()));
        r->m_destination = destination;
        r->m_inverse = inverse;
    }
    for (const PendingRelationship& pending : m_pending) {
        RelationshipDescription* r = pending.relationship;
        const RelationshipDescription* inverse = r->m_inverse;
        if (inverse->m_inverse != r || r->entity() != inverse->m_destination)
            return modelError(QStringLiteral("relationships \"%1\" and \"%2\" are not each other's inverse")
                                  .arg(r->name(), inverse->name()));
        // The side whose (entity, name) sorts first keeps the column or owns the join table.
        const bool first =
            std::pair(r->entity()->name(), r->name()) < std::pair(inverse->entity()->name(), inverse->name());
        if (!r->m_toMany && inverse->m_toMany)
            r->m_storage = RelationshipDescription::Storage::ForeignKey;
        else if (r->m_toMany && !inverse->m_toMany)
            r->m_storage = RelationshipDescription::Storage::InverseForeignKey;
        else if (!r->m_toMany)
            r->m_storage = first ? RelationshipDescription::Storage::ForeignKey
                                 : RelationshipDescription::Storage::InverseForeignKey;
        else {
            r->m_storage = RelationshipDescription::Storage::JoinTable;
            r->m_joinOwner = first;
            if (first) {
                r->m_joinTable = static_cast<int>(m_joinTables.size());
                m_joinTables.append(r);
            }
        }
        if (!pending.containsGiven) r->m_containsDestination = r->m_toMany && !inverse->m_toMany;
    }
    for (const PendingRelationship& pending : m_pending) {
        RelationshipDescription* r = pending.relationship;
        if (r->m_storage == RelationshipDescription::Storage::JoinTable && !r->m_joinOwner)
            r->m_joinTable = r->m_inverse->m_joinTable;
    }
    m_pending.clear();

    // Columns: every stored attribute and foreign key of a table's entities, in model order.
    std::vector<int> columnCount(m_tables.size(), 0);
    for (const auto& entity : m_entities) {
        for (const auto& property : entity->m_ownProperties) {
            const bool stored = property->isAttribute() ? !property->m_transient
                                                        : property->asRelationship()->storage() ==
                                                              RelationshipDescription::Storage::ForeignKey;
            if (stored) property->m_column = columnCount[entity->tableIndex()]++;
        }
    }
    return {};
}

Result<FetchRequest> ObjectModel::fetchRequestFromTemplate(const QString& name,
                                                           const QVariantMap& variables) const {
    const auto it = m_fetchTemplates.constFind(name);
    if (it == m_fetchTemplates.cend())
        return makeObjectStoreError(ObjectStoreErrorNoSuchObject,
                                    QStringLiteral("The model has no fetch request named \"%1\".").arg(name));
    FetchRequest request = *it;
    if (request.predicate) {
        Result<PredicatePtr> substituted = request.predicate->substituting(variables);
        if (!substituted) return substituted.error();
        request.predicate = *substituted;
    }
    return request;
}

void ObjectModel::p_computeHash() {
    QByteArray text;
    for (const EntityDescription* entity : m_entityList) {
        text += "E:" + entity->name().toUtf8() + ':' +
                (entity->superEntity() ? entity->superEntity()->name().toUtf8() : QByteArray()) + '\n';
        for (const PropertyDescription* property : entity->properties()) {
            if (property->entity() != entity) continue;
            if (const AttributeDescription* a = property->asAttribute()) {
                if (a->isTransient()) continue;
                text += "A:" + a->name().toUtf8() + ':' + AttributeDescription::typeName(a->type()).toUtf8() +
                        '\n';
            } else {
                const RelationshipDescription* r = property->asRelationship();
                text += "R:" + r->name().toUtf8() + ':' + r->destinationEntity()->name().toUtf8() + ':' +
                        (r->isToMany() ? "many" : "one") + ':' + r->inverseRelationship()->name().toUtf8() +
                        '\n';
            }
        }
    }
    m_versionHash = QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex();
}

QString AttributeDescription::typeName(AttributeType type) {
    switch (type) {
        case AttributeType::String:
            return QStringLiteral("string");
        case AttributeType::Integer64:
            return QStringLiteral("int64");
        case AttributeType::Double:
            return QStringLiteral("double");
        case AttributeType::Boolean:
            return QStringLiteral("bool");
        case AttributeType::Date:
            return QStringLiteral("date");
        case AttributeType::Binary:
            return QStringLiteral("binary");
        case AttributeType::Transformable:
            return QStringLiteral("transformable");
    }
    return {};
}

namespace {
bool isNumeric(int id) {
    return isIntegralType(id) || id == QMetaType::Double || id == QMetaType::Float;
}
}  // namespace

QVariant AttributeDescription::coerced(const QVariant& value) const {
    if (!value.isValid()) return value;
    const int id = value.metaType().id();
    switch (m_type) {
        case AttributeType::Integer64:
            if (id != QMetaType::LongLong && (isNumeric(id) || id == QMetaType::Bool))
                return value.toLongLong();
            break;
        case AttributeType::Double:
            if (id != QMetaType::Double && (isNumeric(id) || id == QMetaType::Bool)) return value.toDouble();
            break;
        case AttributeType::Boolean:
            if (id != QMetaType::Bool && isNumeric(id)) return value.toDouble() != 0.0;
            break;
        default:
            break;
    }
    return value;
}

bool AttributeDescription::acceptsValue(const QVariant& value) const {
    if (!value.isValid()) return true;
    const int id = value.metaType().id();
    switch (m_type) {
        case AttributeType::String:
            return id == QMetaType::QString;
        case AttributeType::Integer64:
            return id == QMetaType::LongLong;
        case AttributeType::Double:
            return id == QMetaType::Double;
        case AttributeType::Boolean:
            return id == QMetaType::Bool;
        case AttributeType::Date:
            return id == QMetaType::QDateTime && value.toDateTime().isValid();
        case AttributeType::Binary:
            return id == QMetaType::QByteArray;
        case AttributeType::Transformable:
            return true;
    }
    return false;
}

}  // namespace platform
