#pragma once

#include "platform/base/error.h"

#include <QDateTime>
#include <QVariantMap>

// When a recurrence ends: on a date, or after a number of occurrences. Exactly one of the two is set.
class TDRecurrenceEnd final {
public:
    TDRecurrenceEnd() = default;

    static Result<TDRecurrenceEnd> recurrenceEndWithEndDate(const QDateTime& endDate);
    static Result<TDRecurrenceEnd> recurrenceEndWithOccurrenceCount(quint64 occurrenceCount);

    bool usesEndDate() const { return m_endDate.isValid(); }
    QDateTime endDate() const { return m_endDate; }
    quint64 occurrenceCount() const { return m_occurrenceCount; }

    Status validate() const;
    QString recurrenceEndDescription() const;

    bool operator==(const TDRecurrenceEnd& other) const {
        return m_endDate == other.m_endDate && m_occurrenceCount == other.m_occurrenceCount;
    }
    size_t hash() const;

    // The archived form: "endDate" (a date) and "occurrenceCount" (an integer), read as stored.
    QVariantMap toVariantMap() const;
    static Result<TDRecurrenceEnd> fromVariantMap(const QVariantMap& map);

private:
    TDRecurrenceEnd(QDateTime endDate, quint64 occurrenceCount)
        : m_endDate(std::move(endDate)), m_occurrenceCount(occurrenceCount) {}

    QDateTime m_endDate;
    quint64 m_occurrenceCount = 0;
};

inline size_t qHash(const TDRecurrenceEnd& end, size_t seed = 0) {
    return end.hash() ^ seed;
}
