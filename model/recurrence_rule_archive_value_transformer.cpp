#include "model/recurrence_rule_archive_value_transformer.h"

#include "model/recurrence_rule_archiving.h"
#include "platform/base/log.h"

QVariant TDRecurrenceRuleArchiveValueTransformer::transformedValue(const QVariant& value) const {
    if (value.metaType() != QMetaType::fromType<TDRecurrenceRule>()) return {};
    const Result<QByteArray> data = TDArchivedDataWithRecurrenceRule(value.value<TDRecurrenceRule>());
    if (!data) {
        logWithLevel(TDLogError, "ERROR", "Could not archive recurrence rule: %@",
                     data.error().detailedDescription());
        return {};
    }
    return *data;
}

QVariant TDRecurrenceRuleArchiveValueTransformer::reverseTransformedValue(const QVariant& value) const {
    if (value.metaType().id() != QMetaType::QByteArray || value.toByteArray().isEmpty()) return {};
    const Result<TDRecurrenceRule> rule = TDRecurrenceRuleWithArchivedData(value.toByteArray());
    if (!rule) {
        logWithLevel(TDLogWarning, "WARNING", "Could not read archived recurrence rule: %@",
                     rule.error().detailedDescription());
        return {};
    }
    return QVariant::fromValue(*rule);
}
