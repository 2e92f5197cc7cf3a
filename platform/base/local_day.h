#pragma once

#include <QDateTime>

// The first instant of a calendar day in the user's time zone (invalid for an invalid date).
// Remembered per day, since working it out costs several conversions through the C library; forgotten
// whenever the zone may have changed (TDLocalTimeZoneGeneration).
QDateTime TDStartOfLocalDay(QDate date);
