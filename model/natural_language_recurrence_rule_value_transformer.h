#pragma once

#include "model/recurrence_rule.h"
#include "platform/transformers/value_transformer.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// Reads recurrence rules from English text ("every 2 weeks on monday and thursday", "the last friday of
// the month", "yearly on march 3") and writes rules as their English description. Registered as the
// value transformer "TDNaturalLanguageRecurrenceRule".
class TDNaturalLanguageRecurrenceRuleValueTransformer final : public platform::ValueTransformer {
public:
    // Longer text is not read: no recurrence needs it, and it bounds the work of every pattern.
    static constexpr qsizetype kMaximumTextLength = 200;
    // Intervals above this are refused rather than read as something else.
    static constexpr qint64 kMaximumInterval = 9999;

    static void registerTransformer();

    // Rule to text; null for anything that is not a rule.
    QVariant transformedValue(const QVariant& value) const override;
    bool allowsReverseTransformation() const override { return true; }
    // Text to rule, with today as the reference date; null when the text names no repetition.
    QVariant reverseTransformedValue(const QVariant& value) const override;

    // Text to rule. A yearly rule with days and no month takes the month of the reference date.
    static std::optional<TDRecurrenceRule> ruleFromString(const QString& text,
                                                          const QDateTime& referenceDate);

    // The parsing steps, each on lower-case text.
    static qint64 parseInterval(const QString& text);
    static void getInterval(qint64* interval, int* recurrenceType, const QString& text);
    static int weekDayFromName(const QString& name);
    static qint64 monthDayFromName(const QString& name);
    static int monthFromName(const QString& name);
    static std::optional<QList<int>> parseDaysOfTheWeek(const QString& text);
    static std::optional<QList<int>> parseDaysOfTheMonth(const QString& text);
    static std::optional<QList<TDNthWeekDay>> parseNthWeekDaysOfTheMonth(const QString& text);
    static std::optional<QList<int>> parseMonths(const QString& text);
};
