// Typed recurrence text: any input must give a rule or none, never a crash or a hang, and a rule read
// from text must validate once it has a next start date and step to a next date without trouble.
#include "model/natural_language_recurrence_rule_value_transformer.h"
#include "model/recurrence_rule.h"

#include <QDateTime>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QDateTime reference(QDate(2024, 6, 12), QTime(9, 0));
    std::optional<TDRecurrenceRule> rule =
        TDNaturalLanguageRecurrenceRuleValueTransformer::ruleFromString(text, reference);
    if (!rule) return 0;
    rule->setNextStartDate(rule->predictedNextStartDateOnOrAfterDate(reference));
    if (!rule->nextStartDate().isValid() || !rule->validate().ok()) std::abort();
    rule->recurrenceDescription();
    QDateTime start, due;
    rule->getNextRecurringStartDate(&start, &due, reference);
    return 0;
}
