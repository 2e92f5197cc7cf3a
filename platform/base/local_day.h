#pragma once

#include <QDateTime>

// The first instant of a calendar day in the user's time zone (invalid for an invalid date).
// QDate::startOfDay asks the C library for the zone's rules, which re-reads the zone file on each
// call when TZ is unset; bulk work such as reading typed dates would spend most of its time there.
// So the answer is remembered per day, and forgotten as soon as TZ differs or, checked at most once
// a second, the system's zone file changes.
QDateTime TDStartOfLocalDay(QDate date);
