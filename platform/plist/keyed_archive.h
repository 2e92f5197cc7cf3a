#pragma once

#include "platform/base/error.h"
#include "platform/plist/property_list.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <any>
#include <functional>
#include <typeindex>
#include <utility>

namespace platform {

// Keyed archives: an object tree in which every object carries its class name and named fields, stored
// as a binary property list. Reading decodes only classes registered here, and checks every field
// against its declared type before any decoder sees it; anything else is an error value.

enum class ArchiveFieldType {
    Bool,
    Integer,  // qint64
    Real,     // double
    String,
    Date,        // QDateTime
    Data,        // QByteArray
    Array,       // QVariantList of property-list values
    Dictionary,  // QVariantMap of property-list values
    Scalar,      // one of Bool, Integer, Real, String or Date, for a field that holds any of them
    Object,      // one ArchiveObject of an allowed class
    ObjectList,  // QList<ArchiveObject>, each of an allowed class
};

struct ArchiveField {
    ArchiveField(QString name, ArchiveFieldType type, bool optional = false, QStringList classes = {})
        : name(std::move(name)), type(type), optional(optional), classes(std::move(classes)) {}

    QString name;
    ArchiveFieldType type;
    bool optional;
    QStringList classes;  // for Object and ObjectList: the class names allowed
};

// One object of an archive as a tree: the fields hold property-list values, ArchiveObject (for Object
// fields) or QList<ArchiveObject> (for ObjectList fields).
struct ArchiveObject {
    QString className;
    QVariantMap fields;

    bool operator==(const ArchiveObject&) const = default;
};

inline const QString TDKeyedArchiveErrorDomain = QStringLiteral("TDKeyedArchiveErrorDomain");
enum TDKeyedArchiveError : int {
    TDKeyedArchiveErrorNotAnArchive = 1,   // not a property list of our archive layout
    TDKeyedArchiveErrorUnknownClass = 2,   // a class that is not registered, or not allowed where it stands
    TDKeyedArchiveErrorFieldMismatch = 3,  // a field missing, unexpected or of the wrong type
    TDKeyedArchiveErrorDecoderFailed = 4,  // the class's own decoder refused the fields
    TDKeyedArchiveErrorNotRegistered = 5,  // a C++ type for which no class is registered
};

// Archives are small (colours, rules); anything larger is refused unread.
inline constexpr qsizetype kKeyedArchiveDefaultMaxSize = 4 * 1024 * 1024;

namespace keyed_archive_detail {
using ErasedEncoder = std::function<ArchiveObject(const std::any&)>;
using ErasedDecoder = std::function<Result<std::any>(const ArchiveObject&)>;
void registerErased(const QString& className, const QList<ArchiveField>& fields, std::type_index type,
                    ErasedEncoder encode, ErasedDecoder decode);
ArchiveObject encodeErased(std::type_index type, const std::any& value);
Result<std::any> decodeErased(std::type_index type, const ArchiveObject& object);
TDError notRegisteredError();
}  // namespace keyed_archive_detail

// Registers class `className` for values of T: its fields and the functions from a T to its fields and
// back. A decoder is given only objects whose fields have passed the type checks; it may still refuse
// values (a negative count, say) with an error. Nested objects go through encodeArchiveObject and
// decodeArchiveObject. Registering a name again replaces the earlier registration.
template <typename T>
void registerArchiveClass(const QString& className, const QList<ArchiveField>& fields,
                          std::function<ArchiveObject(const T&)> encode,
                          std::function<Result<T>(const ArchiveObject&)> decode) {
    keyed_archive_detail::registerErased(
        className, fields, std::type_index(typeid(T)),
        [encode = std::move(encode)](const std::any& v) { return encode(std::any_cast<const T&>(v)); },
        [decode = std::move(decode)](const ArchiveObject& o) -> Result<std::any> {
            Result<T> decoded = decode(o);
            if (!decoded) return decoded.error();
            return std::any(std::move(decoded).value());
        });
}

bool isArchiveClassRegistered(const QString& className);

// The tree form of a value, for an encoder that holds nested objects. A type that is not registered
// gives an object without a class name, which archiving then refuses.
template <typename T>
ArchiveObject encodeArchiveObject(const T& value) {
    return keyed_archive_detail::encodeErased(std::type_index(typeid(T)), std::any(value));
}

// A value from a checked tree, for a decoder that holds nested objects; the object's class must be the
// one registered for T.
template <typename T>
Result<T> decodeArchiveObject(const ArchiveObject& object) {
    Result<std::any> decoded = keyed_archive_detail::decodeErased(std::type_index(typeid(T)), object);
    if (!decoded) return decoded.error();
    return std::any_cast<T>(std::move(decoded).value());
}

// The tree as archive bytes, after checking it against the registrations.
Result<QByteArray> archivedDataWithRootObject(const ArchiveObject& root);
// The checked tree of archive bytes; the root must be of one of rootClasses (any registered class when
// empty).
Result<ArchiveObject> unarchivedObjectTree(const QByteArray& data, const QStringList& rootClasses = {},
                                           qsizetype maxSize = kKeyedArchiveDefaultMaxSize);

template <typename T>
Result<QByteArray> archivedDataWithRootObject(const T& value) {
    const ArchiveObject tree = encodeArchiveObject(value);
    if (tree.className.isEmpty()) return keyed_archive_detail::notRegisteredError();
    return archivedDataWithRootObject(tree);
}

// A value of T from archive bytes: the root must be of the class registered for T.
template <typename T>
Result<T> unarchivedObject(const QByteArray& data, qsizetype maxSize = kKeyedArchiveDefaultMaxSize) {
    Result<ArchiveObject> tree = unarchivedObjectTree(data, {}, maxSize);
    if (!tree) return tree.error();
    return decodeArchiveObject<T>(*tree);
}

}  // namespace platform

Q_DECLARE_METATYPE(platform::ArchiveObject)
