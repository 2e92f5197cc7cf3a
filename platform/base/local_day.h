#pragma once

#include <QDateTime>
#include <QHash>

#include <limits>

// The first instant of a calendar day in the user's time zone (invalid for an invalid date).
// Remembered per day, since working it out costs several conversions through the C library; forgotten
// whenever the zone may have changed (TDLocalTimeZoneGeneration).
QDateTime TDStartOfLocalDay(QDate date);

// Milliseconds since the epoch of many dates in a row, such as the keys of a sort: a local date's
// conversion asks the C library each time, so the offset of each local day whose offset does not
// change is worked out once. For one batch on one thread (the zone is looked at when it is made).
class TDEpochMSecsReader final {
public:
    TDEpochMSecsReader();
    qint64 msecsSinceEpoch(const QDateTime& date);

private:
    static constexpr int kChangingOffset = std::numeric_limits<int>::min();
    // Seconds east of UTC for the whole day, or kChangingOffset on a day the offset changes.
    QHash<qint64, int> m_dayOffsets;
};
