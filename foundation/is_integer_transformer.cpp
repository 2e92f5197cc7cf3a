#include "foundation/is_integer_transformer.h"

#include <memory>

QVariant TDIsIntegerTransformer::transformedValue(const QVariant& value) const {
    return QVariant(value.toLongLong() == m_integer ? 1 : 0);
}

QVariant TDIsIntegerTransformer::reverseTransformedValue(const QVariant& value) const {
    return value.toBool() ? QVariant(m_integer) : QVariant();
}

QVariant TDIsNotIntegerTransformer::transformedValue(const QVariant& value) const {
    return QVariant(value.toLongLong() == integer() ? 0 : 1);
}

QVariant TDIsNotIntegerTransformer::reverseTransformedValue(const QVariant& value) const {
    return value.toBool() ? QVariant() : QVariant(integer());
}

void registerIntegerTransformers() {
    const char* const numbers[] = {"Zero", "One", "Two", "Three"};
    for (int i = 0; i < 4; ++i) {
        const QString number = QString::fromLatin1(numbers[i]);
        platform::setValueTransformer(QStringLiteral("TDIs") + number,
                                      std::make_shared<TDIsIntegerTransformer>(i));
        platform::setValueTransformer(QStringLiteral("TDIsNot") + number,
                                      std::make_shared<TDIsNotIntegerTransformer>(i));
    }
}
