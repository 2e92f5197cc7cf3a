#include "platform/plist/keyed_archive.h"

#include <QDateTime>
#include <QHash>
#include <QReadWriteLock>

namespace platform {

namespace {

const QString kArchiveKey = QStringLiteral("archive");
const QString kArchiveName = QStringLiteral("Ordello keyed archive");
const QString kVersionKey = QStringLiteral("version");
const QString kRootKey = QStringLiteral("root");
const QString kClassKey = QStringLiteral("class");
const QString kFieldsKey = QStringLiteral("fields");
constexpr qint64 kArchiveVersion = 1;

struct Registration {
    QList<ArchiveField> fields;
    std::type_index type = std::type_index(typeid(void));
    keyed_archive_detail::ErasedEncoder encode;
    keyed_archive_detail::ErasedDecoder decode;
};

QReadWriteLock g_lock;
QHash<QString, Registration>& registry() {
    static QHash<QString, Registration> r;
    return r;
}

std::optional<Registration> registrationNamed(const QString& className) {
    QReadLocker lock(&g_lock);
    auto it = registry().constFind(className);
    if (it == registry().cend()) return std::nullopt;
    return *it;
}

std::optional<std::pair<QString, Registration>> registrationOfType(std::type_index type) {
    QReadLocker lock(&g_lock);
    for (auto it = registry().cbegin(); it != registry().cend(); ++it)
        if (it->type == type) return std::make_pair(it.key(), *it);
    return std::nullopt;
}

TDError archiveError(int code, const QString& description) {
    TDError e = TDError::make(code, description);
    e.domain = TDKeyedArchiveErrorDomain;
    return e;
}

TDError fieldError(const QString& className, const QString& field, const QString& problem) {
    return archiveError(
        TDKeyedArchiveErrorFieldMismatch,
        QStringLiteral("The field \"%1\" of class \"%2\" %3.").arg(field, className, problem));
}

bool isInteger(const QVariant& v) {
    switch (v.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::ULong:
            return true;
        case QMetaType::ULongLong:
            return v.toULongLong() <= uint64_t(std::numeric_limits<qint64>::max());
        default:
            return false;
    }
}

// Whether a plain value has the field's type; `writing` accepts the C++ types that map onto it.
bool hasPlainType(const QVariant& v, ArchiveFieldType type, bool writing) {
    const int id = v.metaType().id();
    switch (type) {
        case ArchiveFieldType::Bool:
            return id == QMetaType::Bool;
        case ArchiveFieldType::Integer:
            return writing ? isInteger(v) : id == QMetaType::LongLong;
        case ArchiveFieldType::Real:
            return id == QMetaType::Double || (writing && id == QMetaType::Float);
        case ArchiveFieldType::String:
            return id == QMetaType::QString;
        case ArchiveFieldType::Date:
            return id == QMetaType::QDateTime && v.toDateTime().isValid();
        case ArchiveFieldType::Data:
            return id == QMetaType::QByteArray;
        case ArchiveFieldType::Array:
            return id == QMetaType::QVariantList || (writing && id == QMetaType::QStringList);
        case ArchiveFieldType::Dictionary:
            return id == QMetaType::QVariantMap;
        case ArchiveFieldType::Scalar:
            for (ArchiveFieldType scalar :
                 {ArchiveFieldType::Bool, ArchiveFieldType::Integer, ArchiveFieldType::Real,
                  ArchiveFieldType::String, ArchiveFieldType::Date})
                if (hasPlainType(v, scalar, writing)) return true;
            return false;
        case ArchiveFieldType::Object:
        case ArchiveFieldType::ObjectList:
            return false;
    }
    return false;
}

Result<Registration> checkedClass(const QString& className, const QStringList& allowed) {
    if (className.isEmpty())
        return archiveError(TDKeyedArchiveErrorUnknownClass,
                            QStringLiteral("An archived object has no class."));
    std::optional<Registration> registration = registrationNamed(className);
    if (!registration)
        return archiveError(
            TDKeyedArchiveErrorUnknownClass,
            QStringLiteral("The class \"%1\" is not known to the archive reader.").arg(className));
    if (!allowed.isEmpty() && !allowed.contains(className))
        return archiveError(TDKeyedArchiveErrorUnknownClass,
                            QStringLiteral("An object of class \"%1\" stands where only %2 may.")
                                .arg(className, allowed.join(QStringLiteral(", "))));
    return *registration;
}

// The tree to the property-list form, checking it against the registrations on the way.
Result<QVariant> treeToPlist(const ArchiveObject& object, const QStringList& allowed, int depth) {
    if (depth > kPropertyListMaxDepth / 2)
        return archiveError(TDKeyedArchiveErrorFieldMismatch,
                            QStringLiteral("The object tree is nested too deeply."));
    Result<Registration> registration = checkedClass(object.className, allowed);
    if (!registration) return registration.error();
    QVariantMap fields;
    for (const ArchiveField& field : registration->fields) {
        const auto it = object.fields.constFind(field.name);
        if (it == object.fields.cend() || !it->isValid()) {
            if (field.optional) continue;
            return fieldError(object.className, field.name, QStringLiteral("is missing"));
        }
        if (field.type == ArchiveFieldType::Object) {
            if (it->metaType() != QMetaType::fromType<ArchiveObject>())
                return fieldError(object.className, field.name, QStringLiteral("does not hold an object"));
            Result<QVariant> child = treeToPlist(it->value<ArchiveObject>(), field.classes, depth + 1);
            if (!child) return child;
            fields.insert(field.name, *child);
        } else if (field.type == ArchiveFieldType::ObjectList) {
            if (it->metaType() != QMetaType::fromType<QList<ArchiveObject>>())
                return fieldError(object.className, field.name,
                                  QStringLiteral("does not hold a list of objects"));
            QVariantList children;
            for (const ArchiveObject& item : it->value<QList<ArchiveObject>>()) {
                Result<QVariant> child = treeToPlist(item, field.classes, depth + 1);
                if (!child) return child;
                children.append(*child);
            }
            fields.insert(field.name, children);
        } else {
            if (!hasPlainType(*it, field.type, true))
                return fieldError(object.className, field.name, QStringLiteral("has the wrong type"));
            fields.insert(field.name, *it);
        }
    }
    for (auto it = object.fields.cbegin(); it != object.fields.cend(); ++it) {
        const bool declared = std::any_of(registration->fields.cbegin(), registration->fields.cend(),
                                          [&](const ArchiveField& f) { return f.name == it.key(); });
        if (!declared && it->isValid())
            return fieldError(object.className, it.key(), QStringLiteral("is not declared"));
    }
    return QVariant(QVariantMap{{kClassKey, object.className}, {kFieldsKey, fields}});
}

// The property-list form back to a tree: every class registered and allowed where it stands, every
// field declared and of its type, nothing missing.
Result<ArchiveObject> plistToTree(const QVariant& node, const QStringList& allowed) {
    if (node.metaType().id() != QMetaType::QVariantMap)
        return archiveError(TDKeyedArchiveErrorNotAnArchive,
                            QStringLiteral("An archived object is not a dictionary."));
    const QVariantMap map = node.toMap();
    const QVariant className = map.value(kClassKey);
    const QVariant rawFields = map.value(kFieldsKey);
    if (map.size() != 2 || className.metaType().id() != QMetaType::QString ||
        rawFields.metaType().id() != QMetaType::QVariantMap)
        return archiveError(TDKeyedArchiveErrorNotAnArchive,
                            QStringLiteral("An archived object has an unknown layout."));
    ArchiveObject object;
    object.className = className.toString();
    Result<Registration> registration = checkedClass(object.className, allowed);
    if (!registration) return registration.error();
    const QVariantMap stored = rawFields.toMap();
    for (auto it = stored.cbegin(); it != stored.cend(); ++it) {
        const bool declared = std::any_of(registration->fields.cbegin(), registration->fields.cend(),
                                          [&](const ArchiveField& f) { return f.name == it.key(); });
        if (!declared) return fieldError(object.className, it.key(), QStringLiteral("is not declared"));
    }
    for (const ArchiveField& field : registration->fields) {
        const auto it = stored.constFind(field.name);
        if (it == stored.cend()) {
            if (field.optional) continue;
            return fieldError(object.className, field.name, QStringLiteral("is missing"));
        }
        if (field.type == ArchiveFieldType::Object) {
            Result<ArchiveObject> child = plistToTree(*it, field.classes);
            if (!child) return child;
            object.fields.insert(field.name, QVariant::fromValue(*child));
        } else if (field.type == ArchiveFieldType::ObjectList) {
            if (it->metaType().id() != QMetaType::QVariantList)
                return fieldError(object.className, field.name,
                                  QStringLiteral("does not hold a list of objects"));
            QList<ArchiveObject> children;
            for (const QVariant& item : it->toList()) {
                Result<ArchiveObject> child = plistToTree(item, field.classes);
                if (!child) return child;
                children.append(*child);
            }
            object.fields.insert(field.name, QVariant::fromValue(children));
        } else {
            if (!hasPlainType(*it, field.type, false))
                return fieldError(object.className, field.name, QStringLiteral("has the wrong type"));
            object.fields.insert(field.name, *it);
        }
    }
    return object;
}

}  // namespace

namespace keyed_archive_detail {

void registerErased(const QString& className, const QList<ArchiveField>& fields, std::type_index type,
                    ErasedEncoder encode, ErasedDecoder decode) {
    QWriteLocker lock(&g_lock);
    registry().insert(className, Registration{fields, type, std::move(encode), std::move(decode)});
}

ArchiveObject encodeErased(std::type_index type, const std::any& value) {
    std::optional<std::pair<QString, Registration>> found = registrationOfType(type);
    if (!found) return {};
    ArchiveObject object = found->second.encode(value);
    object.className = found->first;
    return object;
}

TDError notRegisteredError() {
    return archiveError(TDKeyedArchiveErrorNotRegistered,
                        QStringLiteral("No archive class is registered for the requested type."));
}

Result<std::any> decodeErased(std::type_index type, const ArchiveObject& object) {
    std::optional<std::pair<QString, Registration>> found = registrationOfType(type);
    if (!found) return notRegisteredError();
    if (found->first != object.className)
        return archiveError(TDKeyedArchiveErrorUnknownClass,
                            QStringLiteral("An object of class \"%1\" stands where \"%2\" was expected.")
                                .arg(object.className, found->first));
    Result<std::any> decoded = found->second.decode(object);
    if (!decoded && decoded.error().domain != TDKeyedArchiveErrorDomain) {
        TDError error = decoded.error();
        return archiveError(TDKeyedArchiveErrorDecoderFailed,
                            QStringLiteral("An object of class \"%1\" could not be decoded: %2")
                                .arg(object.className, error.description));
    }
    return decoded;
}

}  // namespace keyed_archive_detail

bool isArchiveClassRegistered(const QString& className) {
    return registrationNamed(className).has_value();
}

Result<QByteArray> archivedDataWithRootObject(const ArchiveObject& root) {
    Result<QVariant> tree = treeToPlist(root, {}, 0);
    if (!tree) return tree.error();
    const QVariantMap archive{{kArchiveKey, kArchiveName}, {kVersionKey, kArchiveVersion}, {kRootKey, *tree}};
    return writePropertyList(archive, PropertyListFormat::Binary);
}

Result<ArchiveObject> unarchivedObjectTree(const QByteArray& data, const QStringList& rootClasses,
                                           qsizetype maxSize) {
    static const QByteArray binaryHeader("bplist00");
    if (!data.startsWith(binaryHeader))
        return archiveError(TDKeyedArchiveErrorNotAnArchive,
                            QStringLiteral("The data is not a keyed archive."));
    Result<QVariant> plist = readPropertyList(data, maxSize);
    if (!plist) return plist.error();
    const QVariantMap archive = plist->toMap();
    if (plist->metaType().id() != QMetaType::QVariantMap ||
        archive.value(kArchiveKey) != QVariant(kArchiveName) || !archive.contains(kRootKey))
        return archiveError(TDKeyedArchiveErrorNotAnArchive,
                            QStringLiteral("The data is not a keyed archive."));
    const QVariant version = archive.value(kVersionKey);
    if (version.metaType().id() != QMetaType::LongLong || version.toLongLong() != kArchiveVersion)
        return archiveError(TDKeyedArchiveErrorNotAnArchive,
                            QStringLiteral("The keyed archive has a version this program cannot read."));
    return plistToTree(archive.value(kRootKey), rootClasses);
}

}  // namespace platform
