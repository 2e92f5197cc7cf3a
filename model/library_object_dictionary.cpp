// The dictionary forms of library objects: property lists, copies and sync records.

#include "model/library_object.h"

#include "foundation/data_additions.h"
#include "model/json_friendly.h"
#include "model/managed_object_context.h"
#include "model/uid.h"
#include "platform/base/log.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/object_model.h"
#include "platform/transformers/value_transformer.h"

#include <QSet>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

using platform::AttributeDescription;
using platform::AttributeType;
using platform::ManagedObject;
using platform::PropertyDescription;
using platform::RelationshipDescription;

namespace {

const QString kUIDKey = QStringLiteral("uid");
const QString kContentsKey = QStringLiteral("contents");

bool takesPartInPropertyList(const PropertyDescription* property) {
    if (property->userInfo().isEmpty()) return !property->isTransient();
    const QString marker = property->userInfoValue(TDExcludeFromPlistKey);
    if (marker == QLatin1String("YES")) return false;
    return !property->isTransient() || marker == QLatin1String("NO");
}

bool isPropertyExcludedFromSync(const PropertyDescription* property) {
    return property->userInfoValue(TDExcludeFromSyncKey) == QLatin1String("YES");
}

bool isOfType(const QVariant& value, int type) {
    return value.metaType().id() == type;
}

bool isInteger(const QVariant& value) {
    switch (value.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
            return true;
        default:
            return false;
    }
}

// Booleans are not numbers here: a flag where a number belongs is a wrong type.
bool isNumber(const QVariant& value) {
    return isInteger(value) || isOfType(value, QMetaType::Double) || isOfType(value, QMetaType::Float);
}

// A sync record's explicit "no value" (JSON null).
bool isExplicitlyEmpty(const QVariant& value) {
    return !value.isValid() || isOfType(value, QMetaType::Nullptr);
}

bool isList(const QVariant& value) {
    return isOfType(value, QMetaType::QVariantList) || isOfType(value, QMetaType::QStringList);
}

QString identifierOf(const ManagedObject* object) {
    return object ? object->primitiveValue(kUIDKey).toString() : QString();
}

TDError malformed(const platform::EntityDescription* entity, const QString& key, const QString& expected) {
    TDError error = TDError::make(TDDictionaryRepresentationErrorMalformed,
                                  QStringLiteral("The value of \"%1\" in the dictionary of a %2 is not %3.")
                                      .arg(key, entity->name(), expected));
    error.domain = TDDictionaryRepresentationErrorDomain;
    error.userInfo.insert(QStringLiteral("key"), key);
    error.userInfo.insert(QStringLiteral("entity"), entity->name());
    return error;
}

std::optional<qint64> wholeNumber(const QVariant& value) {
    if (isOfType(value, QMetaType::ULongLong) || isOfType(value, QMetaType::ULong)) {
        if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max())) return std::nullopt;
        return value.toLongLong();
    }
    if (isInteger(value)) return value.toLongLong();
    if (!isNumber(value)) return std::nullopt;
    const double number = value.toDouble();
    // 2^63 itself is out of range; every double below it converts exactly.
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(number) || std::trunc(number) != number || number >= kLimit || number < -kLimit)
        return std::nullopt;
    return qint64(number);
}

// The value of a form in the attribute's own type: nil stays nil, anything of another type is an error.
Result<QVariant> checkedAttributeValue(const platform::EntityDescription* entity,
                                       const AttributeDescription* attribute, const QVariant& value) {
    if (isExplicitlyEmpty(value)) return QVariant();
    const QString& key = attribute->name();
    switch (attribute->type()) {
        case AttributeType::String:
            if (isOfType(value, QMetaType::QString)) return value;
            return malformed(entity, key, QStringLiteral("a string"));
        case AttributeType::Integer64:
            if (const std::optional<qint64> number = wholeNumber(value)) return QVariant(*number);
            return malformed(entity, key, QStringLiteral("a whole number"));
        case AttributeType::Double:
            if (isNumber(value) && std::isfinite(value.toDouble())) return QVariant(value.toDouble());
            return malformed(entity, key, QStringLiteral("a finite number"));
        case AttributeType::Boolean:
            if (isOfType(value, QMetaType::Bool)) return value;
            if (isInteger(value)) return QVariant(value.toLongLong() != 0);
            return malformed(entity, key, QStringLiteral("a boolean"));
        case AttributeType::Date:
            if (isOfType(value, QMetaType::QDateTime) && value.toDateTime().isValid()) return value;
            return malformed(entity, key, QStringLiteral("a date"));
        case AttributeType::Binary:
            if (isOfType(value, QMetaType::QByteArray)) return value;
            return malformed(entity, key, QStringLiteral("data"));
        case AttributeType::Transformable: {
            if (!isOfType(value, QMetaType::QByteArray))
                return malformed(entity, key, QStringLiteral("archived data"));
            const QByteArray data = value.toByteArray();
            if (data.isEmpty()) return QVariant();
            // Only the attribute's own transformer decodes it: no other reader ever sees these bytes.
            const auto transformer = platform::valueTransformerForName(attribute->valueTransformerName());
            if (!transformer || !transformer->allowsReverseTransformation())
                return malformed(entity, key,
                                 QStringLiteral("readable: there is no value transformer named \"%1\"")
                                     .arg(attribute->valueTransformerName()));
            QVariant decoded = transformer->reverseTransformedValue(data);
            if (!decoded.isValid())
                return malformed(
                    entity, key,
                    QStringLiteral("data that \"%1\" decodes").arg(attribute->valueTransformerName()));
            return decoded;
        }
    }
    return malformed(entity, key, QStringLiteral("of a known type"));
}

}  // namespace

QVariant TDLibraryObject::valueForAttributeDescription(const AttributeDescription* attribute) const {
    const QVariant& stored = primitiveValue(attribute);
    if (!stored.isValid()) return stored;
    switch (attribute->type()) {
        case AttributeType::Boolean:
            return stored.toBool();
        case AttributeType::Transformable: {
            const auto transformer = platform::valueTransformerForName(attribute->valueTransformerName());
            const QVariant data = transformer ? transformer->transformedValue(stored) : QVariant();
            if (!isOfType(data, QMetaType::QByteArray)) {
                logWithLevel(TDLogError, "ERROR",
                             "Could not archive the value of \"%@\" with \"%@\"; it is left out.",
                             attribute->name(), attribute->valueTransformerName());
                return {};
            }
            return data;
        }
        default:
            return stored;
    }
}

// Properties are visited by name, so every key goes in at the end of the map without a search; this
// runs for every object of every backup.
QVariantMap TDLibraryObject::propertyListRepresentation(bool includeRelationships) const {
    QVariantMap plist;
    for (const PropertyDescription* property : entity()->propertiesByName()) {
        if (!takesPartInPropertyList(property)) continue;
        if (const AttributeDescription* attribute = property->asAttribute()) {
            const QVariant& stored = primitiveValue(attribute);
            if (!stored.isValid() || stored == attribute->defaultValue()) continue;
            QVariant written = valueForAttributeDescription(attribute);
            if (written.isValid()) plist.insert(plist.cend(), attribute->name(), std::move(written));
            continue;
        }
        if (!includeRelationships) continue;
        const RelationshipDescription* relationship = property->asRelationship();
        if (!relationship->isToMany()) {
            QString identifier = identifierOf(object(relationship));
            if (!identifier.isEmpty())
                plist.insert(plist.cend(), relationship->name(), std::move(identifier));
            continue;
        }
        const platform::ObjectSet& members = objects(relationship);
        QStringList identifiers;
        identifiers.reserve(members.size());
        for (const ManagedObject* member : members) {
            QString identifier = identifierOf(member);
            if (!identifier.isEmpty()) identifiers.append(std::move(identifier));
        }
        if (identifiers.isEmpty()) continue;
        // Sorted, so that two writes of the same object compare equal.
        TDStableSortByUID(identifiers,
                          [](const QString& identifier) -> const QString& { return identifier; });
        plist.insert(plist.cend(), relationship->name(),
                     QVariantList(identifiers.cbegin(), identifiers.cend()));
    }
    return plist;
}

QVariantMap TDLibraryObject::propertyListRepresentation() const {
    return propertyListRepresentation(true);
}

QVariantMap TDLibraryObject::propertyListRepresentationForCopying() const {
    QVariantMap plist = propertyListRepresentation(false);
    for (const QString& key : {kUIDKey, QStringLiteral("createdDate"), QStringLiteral("modifiedDate")})
        plist.remove(key);
    return plist;
}

Result<TDPropertyListUpdate> TDLibraryObject::p_propertyListUpdate(const QVariantMap& dictionary) const {
    TDPropertyListUpdate update;
    if (const auto uidEntry = dictionary.constFind(kUIDKey); uidEntry != dictionary.cend()) {
        if (!isOfType(*uidEntry, QMetaType::QString) || uidEntry->toString().isEmpty())
            return malformed(entity(), kUIDKey, QStringLiteral("a non-empty string"));
        update.uid = uidEntry->toString();
    }

    for (const AttributeDescription* attribute : entity()->attributes()) {
        if (!takesPartInPropertyList(attribute) || attribute->name() == kUIDKey) continue;
        Result<QVariant> checked =
            checkedAttributeValue(entity(), attribute, dictionary.value(attribute->name()));
        if (!checked) return checked.error();
        QVariant target = *checked;
        if (!target.isValid()) {
            if (attribute->defaultValue().isValid())
                target = attribute->defaultValue();
            else if (!attribute->isOptional())
                continue;
        }
        update.attributes.append({attribute->name(), target});
    }

    for (const RelationshipDescription* relationship : entity()->relationships()) {
        const QString& key = relationship->name();
        const auto entry = dictionary.constFind(key);
        if (!takesPartInPropertyList(relationship) || entry == dictionary.cend()) continue;
        const QString destination = relationship->destinationEntity()->name();
        if (relationship->isToMany()) {
            QStringList identifiers;
            if (!isExplicitlyEmpty(*entry)) {
                if (!isList(*entry))
                    return malformed(entity(), key, QStringLiteral("an array of identifiers"));
                for (const QVariant& element : entry->toList()) {
                    if (isOfType(element, QMetaType::QString))
                        identifiers.append(element.toString());
                    else if (!isOfType(element, QMetaType::QVariantMap))  // nested forms are the entity's own
                        return malformed(entity(), key, QStringLiteral("an array of identifiers"));
                }
            }
            TDPropertyListUpdate::RelationshipValue change{key, true, {}, {}};
            for (TDLibraryObject* found : p_objectsForEntityName(destination, identifiers))
                change.objects.append(found);
            update.relationships.append(change);
            continue;
        }
        if (isExplicitlyEmpty(*entry)) {
            update.relationships.append({key, false, {}, {}});
            continue;
        }
        if (isOfType(*entry, QMetaType::QVariantMap)) continue;  // a nested form, the entity's own
        if (!isOfType(*entry, QMetaType::QString))
            return malformed(entity(), key, QStringLiteral("an identifier"));
        const QString identifier = entry->toString();
        if (identifier.isEmpty() || identifier == identifierOf(object(key))) continue;
        TDPropertyListUpdate::RelationshipValue change{key, false, identifier, {}};
        if (TDLibraryObject* found = p_objectForEntityName(destination, identifier))
            change.objects.append(found);
        update.relationships.append(change);
    }
    return update;
}

void TDLibraryObject::p_applyPropertyListUpdate(const TDPropertyListUpdate& update) {
    if (update.uid && uid() != *update.uid) setValue(kUIDKey, *update.uid);
    for (const TDPropertyListUpdate::AttributeValue& attribute : update.attributes)
        if (value(attribute.key) != attribute.value) setValue(attribute.key, attribute.value);

    for (const TDPropertyListUpdate::RelationshipValue& relationship : update.relationships) {
        if (!relationship.toMany) {
            ManagedObject* current = object(relationship.key);
            ManagedObject* target = relationship.objects.value(0, nullptr);
            if (relationship.identifier.isEmpty()) {
                if (current) setObject(relationship.key, nullptr);
            } else if (current != target && identifierOf(current) != relationship.identifier) {
                setObject(relationship.key, target);
            }
            continue;
        }
        // Through the to-many mutators, so that entities keep their own upkeep.
        const QList<ManagedObject*> current = objectList(relationship.key);
        const QSet<ManagedObject*> wanted(relationship.objects.cbegin(), relationship.objects.cend());
        const QSet<ManagedObject*> present(current.cbegin(), current.cend());
        QList<ManagedObject*> removed;
        for (ManagedObject* member : current)
            if (!wanted.contains(member)) removed.append(member);
        QList<ManagedObject*> added;
        QSet<ManagedObject*> seen = present;  // a set: a restored list may hold a hundred thousand tasks
        for (ManagedObject* member : relationship.objects)
            if (!seen.contains(member)) {
                seen.insert(member);
                added.append(member);
            }
        if (!removed.isEmpty()) removeObjects(relationship.key, removed);
        if (!added.isEmpty()) addObjects(relationship.key, added);
    }
}

Status TDLibraryObject::updateFromPropertyListRepresentation(const QVariantMap& dictionary) {
    Result<TDPropertyListUpdate> update = p_propertyListUpdate(dictionary);
    if (!update) return update.error();
    p_applyPropertyListUpdate(*update);
    return {};
}

QVariantMap TDLibraryObject::syncDictionaryRepresentation() const {
    QVariantMap contents = propertyListRepresentation();
    for (const PropertyDescription* property : entity()->properties())
        if (isPropertyExcludedFromSync(property)) contents.remove(property->name());
    // An emptied relationship is said explicitly: left out, the other side would keep what it had.
    for (const RelationshipDescription* relationship : entity()->relationships()) {
        if (!takesPartInPropertyList(relationship) || isPropertyExcludedFromSync(relationship) ||
            contents.contains(relationship->name()))
            continue;
        contents.insert(relationship->name(),
                        relationship->isToMany() ? QVariant(QVariantList()) : QVariant::fromValue(nullptr));
    }
    return TDMakeJSONFriendly(QVariantMap{{kContentsKey, contents}}).toMap();
}

Status TDLibraryObject::updateFromSyncDictionaryRepresentation(const QVariantMap& record) {
    QVariantMap merged = record;
    if (const auto contents = record.constFind(kContentsKey); contents != record.cend()) {
        if (!isOfType(*contents, QMetaType::QVariantMap))
            return malformed(entity(), kContentsKey, QStringLiteral("a dictionary"));
        merged.remove(kContentsKey);
        const QVariantMap entries = contents->toMap();
        for (auto it = entries.cbegin(); it != entries.cend(); ++it) merged.insert(it.key(), it.value());
    }
    QVariantMap form = makePlistFriendly(merged).toMap();
    // A record never carries what is kept out of sync: this side keeps its own values of those.
    for (const PropertyDescription* property : entity()->properties()) {
        if (!isPropertyExcludedFromSync(property) || !takesPartInPropertyList(property)) continue;
        form.remove(property->name());
        if (const AttributeDescription* attribute = property->asAttribute()) {
            const QVariant kept = valueForAttributeDescription(attribute);
            if (kept.isValid()) form.insert(attribute->name(), kept);
        }
    }
    return updateFromPropertyListRepresentation(form);
}

QVariant TDLibraryObject::makePlistFriendly(const QVariant& container) const {
    if (isOfType(container, QMetaType::QVariantList)) {
        QVariantList list = container.toList();
        for (qsizetype i = list.size() - 1; i >= 0; --i) list[i] = makePlistFriendly(list[i]);
        return list;
    }
    if (!isOfType(container, QMetaType::QVariantMap)) return container;
    QVariantMap map = container.toMap();
    for (auto it = map.begin(); it != map.end(); ++it) {
        const QString& key = it.key();
        const AttributeDescription* attribute = entity()->attribute(key);
        const bool holdsData = (attribute && attribute->type() == AttributeType::Transformable) ||
                               key.endsWith(QLatin1String("Data"));
        if (holdsData && isOfType(*it, QMetaType::QString)) {
            Result<QByteArray> data = dataWithBase64EncodedStringStrict(it->toString());
            if (data)
                *it = *data;
            else
                logWithLevel(TDLogWarning, "WARNING", "Skipping the value of \"%@\": it is not base64 text.",
                             key);
        } else if (key.endsWith(QLatin1String("Date"))) {
            if (isExplicitlyEmpty(*it)) continue;
            const std::optional<QDateTime> date =
                isNumber(*it) ? TDDateWithTimeIntervalSinceReferenceDate(it->toDouble()) : std::nullopt;
            if (date)
                *it = *date;
            else
                logWithLevel(TDLogWarning, "WARNING",
                             "Skipping the value of \"%@\": a date is read only from a number of seconds.",
                             key);
        } else {
            *it = makePlistFriendly(*it);
        }
    }
    return map;
}

QList<TDLibraryObject*> TDLibraryObject::p_objectsForEntityName(const QString& entityName,
                                                                const QStringList& identifiers) const {
    QList<TDLibraryObject*> found;
    platform::ManagedObjectContext* context = managedObjectContext();
    if (!context || identifiers.isEmpty()) return found;
    TDManagedObjectContext* cache = libraryContext();
    const bool caching = cache && cache->isCachingObjects();
    const platform::EntityDescription* wanted = entity()->model()->entity(entityName);

    QStringList toFetch = identifiers;
    if (caching) {
        for (qsizetype i = toFetch.size() - 1; i >= 0; --i) {
            auto* cached = dynamic_cast<TDLibraryObject*>(cache->cachedObjectForUID(toFetch[i]));
            if (!cached || cached->isDeleted() || !wanted || !cached->entity()->isKindOfEntity(wanted))
                continue;
            found.append(cached);
            toFetch.removeAt(i);
        }
    }
    if (toFetch.isEmpty() || (caching && cache->isObjectLookupCacheComplete())) return found;

    // By the UID index: a UID named twice gives its objects once, all in the order of the table.
    QList<TDLibraryObject*> fetched;
    QSet<QString> looked;
    for (const QString& identifier : std::as_const(toFetch)) {
        if (looked.contains(identifier)) continue;
        looked.insert(identifier);
        const Result<QList<ManagedObject*>> objects =
            context->objectsWithIndexedValue(entityName, identifier);
        if (!objects) {
            handleError(objects.error());
            return found;
        }
        for (ManagedObject* object : *objects)
            if (auto* libraryObject = dynamic_cast<TDLibraryObject*>(object)) fetched.append(libraryObject);
    }
    std::sort(fetched.begin(), fetched.end(), [](const TDLibraryObject* a, const TDLibraryObject* b) {
        return a->primaryKey() < b->primaryKey();
    });
    for (TDLibraryObject* libraryObject : std::as_const(fetched)) {
        if (caching) cache->cacheObject(libraryObject, libraryObject->uid());
        found.append(libraryObject);
    }
    return found;
}

TDLibraryObject* TDLibraryObject::p_objectForEntityName(const QString& entityName,
                                                        const QString& identifier) const {
    const QList<TDLibraryObject*> found = p_objectsForEntityName(entityName, {identifier});
    return found.isEmpty() ? nullptr : found.last();
}
