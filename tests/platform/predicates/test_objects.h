#pragma once

#include "platform/kvc/key_value_coding.h"

#include <QVariantMap>

namespace predicates_test {

// An object whose values are whatever the test puts in its map.
struct Item : platform::KeyValueCoding {
    QVariantMap values;
    Item() = default;
    explicit Item(QVariantMap v) : values(std::move(v)) {}
    QVariant value(const QString& key) const override { return values.value(key); }
    QVariant variant() const { return platform::objectVariant(this); }
};

inline QVariant objects(std::initializer_list<const Item*> items) {
    QVariantList list;
    for (const Item* i : items) list.append(i->variant());
    return list;
}

}  // namespace predicates_test
