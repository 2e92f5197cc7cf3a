#pragma once

#include "platform/transformers/value_transformer.h"

#include <QString>

#include <memory>
#include <optional>

// Durations typed and shown as short text ("1w 2d", "1.5h", "45m") or, with the user default
// "showFullDuration", as words ("1 hour 30 minutes"). A day and a week are the work day and work week
// of "secondsPerDay" and "secondsPerWeek" unless the transformer counts calendar days.
class TDNaturalLanguageTimeIntervalValueTransformer final : public platform::ValueTransformer {
public:
    // Seconds as a number; nil (an invalid QVariant) gives nil.
    QVariant transformedValue(const QVariant& value) const override;
    bool allowsReverseTransformation() const override { return true; }
    // Text to seconds (a double), or nil for anything but text it reads whole.
    QVariant reverseTransformedValue(const QVariant& value) const override;

    std::optional<double> secondsFromString(const QString& text) const;
    QString stringFromSeconds(double seconds) const;

    bool usesWorkHoursAndDays() const { return m_usesWorkHoursAndDays; }
    void setUsesWorkHoursAndDays(bool uses) { m_usesWorkHoursAndDays = uses; }

    qint64 dayLength() const;
    qint64 weekLength() const;

    // The instance registered as "TDNaturalLanguageTimeInterval".
    static std::shared_ptr<const TDNaturalLanguageTimeIntervalValueTransformer> shared();

private:
    bool m_usesWorkHoursAndDays = true;
};
