#pragma once

#include <QString>

// True when the backup file reads back whole: its gzip stream (for a name ending ".gz") inflates to
// its end with the right checksum and length, into a property list that ends where a whole one ends.
// An empty, cut short or unreadable file is not whole. Cheaper than reading the backup: nothing is
// parsed and only a small window of it is held at a time.
bool TDBackupFileReadsBack(const QString& path);
