#pragma once

#include "platform/base/log.h"
#include "platform/plist/keyed_archive.h"
#include "platform/transformers/value_transformer.h"

#include <QByteArray>
#include <QVariant>

namespace platform {

// The transformer of an attribute that holds a value of T as a keyed archive (rule trees, recurrence
// rules): the value to archive bytes and back. Only the class registered for T is decoded; bytes that
// do not decode give no value and a logged reason, never a guess.
template <typename T>
class KeyedArchiveValueTransformer final : public ValueTransformer {
public:
    QVariant transformedValue(const QVariant& value) const override {
        if (!value.isValid()) return {};
        if (value.metaType() != QMetaType::fromType<T>()) {
            logWithLevel(TDLogError, "ERROR", "Cannot archive a value of type \"%@\".",
                         QString::fromLatin1(value.metaType().name()));
            return {};
        }
        const Result<QByteArray> data = archivedDataWithRootObject(value.value<T>());
        if (!data) {
            logWithLevel(TDLogError, "ERROR", "Could not archive value: %@",
                         data.error().detailedDescription());
            return {};
        }
        return *data;
    }

    bool allowsReverseTransformation() const override { return true; }

    QVariant reverseTransformedValue(const QVariant& value) const override {
        if (value.metaType().id() != QMetaType::QByteArray || value.toByteArray().isEmpty()) return {};
        const Result<T> decoded = unarchivedObject<T>(value.toByteArray());
        if (!decoded) {
            logWithLevel(TDLogWarning, "WARNING", "Could not decode archived value: %@",
                         decoded.error().detailedDescription());
            return {};
        }
        return QVariant::fromValue(*decoded);
    }
};

}  // namespace platform
