#pragma once

#include <QtGlobal>

// Library versions are doubles compared at five decimals: both sides are scaled by 100000 and rounded
// half away from zero, so 1.000001 equals 1.0 and 1.00001 does not.
inline constexpr double TDCurrentLibraryVersion = 1.0;

qint64 scaledLibraryVersion(double version);
// -1 when b is greater, 1 when a is greater, else 0.
int compareLibraryVersions(double a, double b);
// True when b is greater than a.
bool libraryVersionIsNewer(double a, double b);
