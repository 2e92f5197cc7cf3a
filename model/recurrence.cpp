#include "model/recurrence.h"

#include "foundation/data_additions.h"
#include "model/managed_object_context.h"
#include "model/recurrence_rule_archiving.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"

namespace {
const QString kRuleKey = QStringLiteral("rule");
const QString kUIDKey = QStringLiteral("uid");
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
        logWithLevel(TDLogWarning, "WARNING", "Refusing a recurrence rule: %@",
                     set.error().detailedDescription());
}

Status TDRecurrence::updateFromPropertyListRepresentation(const QVariantMap& plist) {
    std::optional<TDRecurrenceRule> newRule;
    const QVariant stored = plist.value(kRuleKey);
    if (stored.isValid()) {
        QByteArray data;
        if (stored.metaType().id() == QMetaType::QString) {
            Result<QByteArray> decoded = dataWithBase64EncodedStringStrict(stored.toString());
            if (!decoded) return decoded.error();
            data = *decoded;
        } else if (stored.metaType().id() == QMetaType::QByteArray) {
            data = stored.toByteArray();
        } else {
            return TDError::make(TDErrorRecurrenceRuleInvalid,
                                 QStringLiteral("The recurrence's rule is neither data nor text."));
        }
        Result<TDRecurrenceRule> decoded = TDRecurrenceRuleWithArchivedData(data);
        if (!decoded) return decoded.error();
        newRule = *decoded;
    }
    const QVariant uid = plist.value(kUIDKey);
    if (newRule)
        if (const Result<QByteArray> archived = TDArchivedDataWithRecurrenceRule(*newRule); !archived)
            return archived.error();
    if (uid.metaType().id() == QMetaType::QString && !uid.toString().isEmpty()) setUid(uid.toString());
    return setRule(newRule);
}
