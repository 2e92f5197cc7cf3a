#pragma once

#include <QList>
#include <QStringList>

class QMimeData;
class TDGroup;

// Groups dragged from the source list travel as a property list of their UIDs
// (TDPasteboardTypes::GroupUIDs), read alike wherever they are dropped.

// The dragged groups' UIDs, in row order; empty when the data holds none.
QStringList TDDraggedGroupUIDs(const QMimeData* data);
// A drag of the groups' UIDs.
QMimeData* TDMimeDataForGroups(const QList<TDGroup*>& groups);
