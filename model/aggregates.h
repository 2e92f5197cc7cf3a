#pragma once

#include <QDateTime>
#include <QtGlobal>

#include <functional>

namespace platform {
class ManagedObject;
class ObjectSet;
}  // namespace platform

// The figures every task and group keeps about the tasks below it: open leaf tasks, all tasks, the
// total estimate, whether every open leaf is estimated, and the earliest start and due dates. Held in
// transient attributes: rebuilt on load, kept current through every change, never stored or undone.
struct TDAggregates {
    qint64 actionCount = 0;
    qint64 taskCount = 0;
    double totalEstimatedTime = 0;
    bool totalEstimatedTimeComprehensive = true;
    QDateTime earliestStartDate;
    QDateTime earliestDueDate;

    bool operator==(const TDAggregates& other) const = default;

    static TDAggregates of(const platform::ManagedObject* object);
    // One figure alone, for walks that want no other.
    static QDateTime earliestStartDateOf(const platform::ManagedObject* object);
    static QDateTime earliestDueDateOf(const platform::ManagedObject* object);
    // The members' figures included one after another (a list's over all its tasks).
    static TDAggregates sumOf(const platform::ObjectSet& members);
    // Without notifications (loading).
    void storePrimitive(platform::ManagedObject* object) const;
    // With notifications but no undo: undo re-derives them from the changes it reverts.
    void store(platform::ManagedObject* object) const;
    // Adds a member's figures (counts and total summed, flag and, dates at their earliest).
    void include(const TDAggregates& member);
    // The figures after one member changed from `old` to `now` (a member joining changes from the
    // empty figures, one leaving to them); `recalculate` answers the figures from scratch when an
    // earliest date or the flag cannot follow by itself.
    TDAggregates following(const TDAggregates& old, const TDAggregates& now,
                           const std::function<TDAggregates()>& recalculate) const;
};
