#include "model/rule_archive_value_transformer.h"

#include "model/rule_archiving.h"
#include "platform/base/log.h"

QVariant TDRuleArchiveValueTransformer::transformedValue(const QVariant& value) const {
    const TRRulePtr rule =
        value.metaType() == QMetaType::fromType<TRRulePtr>() ? value.value<TRRulePtr>() : nullptr;
    if (!rule) return {};
    const Result<QByteArray> data = TRArchivedRuleData(*rule);
    if (!data) {
        logWithLevel(TDLogError, "ERROR", "Could not archive smart folder rule: %@",
                     data.error().detailedDescription());
        return {};
    }
    return *data;
}

QVariant TDRuleArchiveValueTransformer::reverseTransformedValue(const QVariant& value) const {
    if (value.metaType().id() != QMetaType::QByteArray || value.toByteArray().isEmpty()) return {};
    const Result<TRRulePtr> rule = TRRuleFromArchivedData(value.toByteArray());
    if (!rule) {
        logWithLevel(TDLogWarning, "WARNING", "Could not read stored smart folder rule: %@",
                     rule.error().detailedDescription());
        return {};
    }
    return QVariant::fromValue(*rule);
}
