#include "model/recurrence.h"

#include "foundation/data_additions.h"
#include "model/managed_object_context.h"
#include "model/property_list_update.h"
#include "model/recurrence_rule_archiving.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"

namespace {
const QString kRuleKey = QStringLiteral("rule");
}  // namespace

std::optional<TDRecurrenceRule> TDRecurrence::rule() const {
    const QVariant value = primitiveValue(kRuleKey);
    if (value.metaType() != QMetaType::fromType<TDRecurrenceRule>()) return std::nullopt;
    return value.value<TDRecurrenceRule>();
}

Status TDRecurrence::setRule(const std::optional<TDRecurrenceRule>& newRule) {
    if (newRule)
        if (const Result<QByteArray> archived = TDArchivedDataWithRecurrenceRule(*newRule); !archived)
            return archived.error();
    const std::optional<TDRecurrenceRule> oldRule = rule();
    TDLibraryObject::setValue(kRuleKey, newRule ? QVariant::fromValue(*newRule) : QVariant());
    if (isDeleted() || oldRule == newRule) return {};
    if (const TDManagedObjectContext* context = libraryContext())
        if (context->isRestoringLibrary() || context->isSyncingLibrary()) return {};
    if (TDLibraryObject* owner = task()) {
        owner->setValue(QStringLiteral("modifiedDate"), TDClock::currentDateTime());
        owner->addToSyncQueueAfterChangingKeyIfNecessary(QStringLiteral("recurrence.rule"));
    }
    return {};
}

void TDRecurrence::setValue(const QString& key, const QVariant& value) {
    if (key != kRuleKey) {
        TDLibraryObject::setValue(key, value);
        return;
    }
    if (value.isValid() && value.metaType() != QMetaType::fromType<TDRecurrenceRule>()) {
        logWithLevel(TDLogWarning, "WARNING", "Refusing a recurrence rule of type %@.",
                     QString::fromLatin1(value.metaType().name()));
        return;
    }
    const Status set =
        setRule(value.isValid() ? std::optional(value.value<TDRecurrenceRule>()) : std::nullopt);
    if (!set)
        logWithLevel(TDLogError, "ERROR", "Refusing a recurrence rule for recurrence %@: %@", uid(),
                     set.error().detailedDescription());
}

Status TDRecurrence::updateFromPropertyListRepresentation(const QVariantMap& dictionary) {
    QVariantMap form = dictionary;
    if (const QVariant stored = form.value(kRuleKey); stored.metaType().id() == QMetaType::QString) {
        const Result<QByteArray> data = dataWithBase64EncodedStringStrict(stored.toString());
        if (!data) return data.error();
        form.insert(kRuleKey, *data);
    }
    const Result<TDPropertyListUpdate> update = p_propertyListUpdate(form);
    if (!update) return update.error();
    for (const TDPropertyListUpdate::AttributeValue& attribute : update->attributes)
        if (attribute.key == kRuleKey && attribute.value.isValid())
            if (const Result<QByteArray> archived =
                    TDArchivedDataWithRecurrenceRule(attribute.value.value<TDRecurrenceRule>());
                !archived)
                return archived.error();
    p_applyPropertyListUpdate(*update);
    return {};
}
