#include "platform/kvc/key_value_coding.h"

#include <QStringList>

namespace platform {

KeySlot KeyValueCoding::keySlot(const QString&) const {
    return {};
}

const QVariant& KeyValueCoding::attributeSlotValue(const KeySlot&) const {
    static const QVariant none;
    return none;
}

KeyValueCoding* KeyValueCoding::toOneSlotValue(const KeySlot&) const {
    return nullptr;
}

bool isObjectVariant(const QVariant& value) {
    return value.metaType() == QMetaType::fromType<KeyValueCoding*>();
}

KeyValueCoding* objectFromVariant(const QVariant& value) {
    return isObjectVariant(value) ? value.value<KeyValueCoding*>() : nullptr;
}

QVariant valueForKey(const QVariant& root, const QString& key) {
    if (key == QLatin1String("@count")) {
        if (root.metaType().id() == QMetaType::QVariantList) return qint64(root.toList().size());
        if (root.metaType().id() == QMetaType::QStringList) return qint64(root.toStringList().size());
        return root.isValid() ? QVariant(qint64(1)) : QVariant(qint64(0));
    }
    if (root.metaType().id() == QMetaType::QVariantList) {
        QVariantList mapped;
        for (const QVariant& element : root.toList()) {
            const QVariant v = valueForKey(element, key);
            if (v.metaType().id() == QMetaType::QVariantList)
                mapped.append(v.toList());
            else if (v.isValid())
                mapped.append(v);
        }
        return mapped;
    }
    if (KeyValueCoding* object = objectFromVariant(root)) return object->value(key);
    if (root.metaType().id() == QMetaType::QVariantMap) return root.toMap().value(key);
    return {};
}

QVariant valueForKeyPath(const QVariant& root, const QString& keyPath) {
    QVariant current = root;
    const QStringList steps = keyPath.split(QLatin1Char('.'));
    for (const QString& step : steps) {
        if (!current.isValid()) return {};
        current = valueForKey(current, step);
    }
    return current;
}

}  // namespace platform
