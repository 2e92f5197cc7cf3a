#pragma once

#include <QByteArray>
#include <QtGlobal>

// With TZ unset, the C library looks up the system's zone file before every local-time conversion,
// and Qt converts on every comparison of local dates: that lookup came to dominate sorting by date,
// reading typed dates and restoring a library. So at start an unset TZ names the zone file, which is
// then read once, and Ordello itself watches the file for a change of zone.

// At the start of main, before any other thread: an unset TZ comes to name the zone file. A TZ the
// user set is left alone.
void TDAdoptSystemTimeZone(const QByteArray& zoneFile = QByteArrayLiteral("/etc/localtime"));

// A number that changes whenever local time may have changed meaning: TZ set to something else, or
// the zone file changed (looked at no more than once a second, and then read again at once).
quint64 TDLocalTimeZoneGeneration();
