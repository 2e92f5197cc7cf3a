#pragma once

#include "platform/objectstore/managed_object.h"

#include <QList>

#include <optional>

// One step that an item model follows with its row signals. Ranges are inclusive and counted in the
// list as it stands when the step is applied; a move's destination is the row before which the range
// goes, counted before the move (as beginMoveRows wants it).
struct TDCollectionStep {
    enum Kind { Remove, Move, Insert };
    Kind kind = Remove;
    qsizetype first = 0;
    qsizetype last = 0;
    qsizetype destination = 0;

    bool operator==(const TDCollectionStep&) const = default;
};

// The steps that turn `from` into `to` (lists of distinct objects): removals in descending contiguous
// ranges, then moves of contiguous runs, then insertions in ascending ranges. Objects that keep their
// relative order stay put (a longest increasing run), so moving one member costs one step. Empty when
// the steps would shift more than `workLimit` list entries in all: a wholesale change, better shown
// as a reset.
std::optional<QList<TDCollectionStep>> TDCollectionDifference(const QList<platform::ManagedObject*>& from,
                                                              const QList<platform::ManagedObject*>& to,
                                                              qsizetype workLimit);

// Applies one step of the difference towards `to` (insertions take their objects from it).
void TDApplyCollectionStep(QList<platform::ManagedObject*>& list, const TDCollectionStep& step,
                           const QList<platform::ManagedObject*>& to);
