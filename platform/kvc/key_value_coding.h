#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>

namespace platform {

// An object that answers values by key. Managed objects implement it; predicates, sort descriptors and
// key paths read through it.
//
// The value forms are fixed so that every reader agrees:
// - attributes: plain QVariant values (QString, qint64, double, bool, QDateTime, QByteArray, ...);
// - a to-one relationship: a QVariant holding `KeyValueCoding*` (an invalid QVariant when empty);
// - a to-many relationship: a QVariantList of such objects.
class KeyValueCoding;

// Where the objects of one layout (a managed object's entity) keep a key: found once by name, so that
// reading the key from many such objects looks nothing up.
struct KeySlot {
    enum class Kind { Computed, Attribute, ToOne };  // Computed: only value() answers it
    Kind kind = Kind::Computed;
    const void* property = nullptr;  // what the layout's objects read the slot by
};

class KeyValueCoding {
public:
    virtual ~KeyValueCoding() = default;
    virtual QVariant value(const QString& key) const = 0;

    // Objects that keep their keys in slots answer a layout shared by every object whose keySlot() agrees
    // (null: none, every key goes through value()). Reading a slot answers exactly what value() would.
    virtual const void* keyLayout() const { return nullptr; }
    virtual KeySlot keySlot(const QString& key) const;
    // Only for slots that keySlot() answered for this object's layout.
    virtual const QVariant& attributeSlotValue(const KeySlot& slot) const;
    virtual KeyValueCoding* toOneSlotValue(const KeySlot& slot) const;
};

inline QVariant objectVariant(const KeyValueCoding* object) {
    return object ? QVariant::fromValue(const_cast<KeyValueCoding*>(object)) : QVariant();
}
// The object a value holds, or nullptr when it holds none.
KeyValueCoding* objectFromVariant(const QVariant& value);
bool isObjectVariant(const QVariant& value);

// Follows a dotted key path from a value. A nil step gives nil; a to-many step maps the rest of the
// path over its elements (and flattens nested collections); "@count" counts a collection. A QVariantMap
// answers keys like an object, so plain dictionaries can be read the same way.
QVariant valueForKeyPath(const QVariant& root, const QString& keyPath);
QVariant valueForKey(const QVariant& root, const QString& key);

}  // namespace platform

Q_DECLARE_METATYPE(platform::KeyValueCoding*)
