#pragma once

#include "model/aggregates.h"

#include <QDateTime>
#include <QHash>

#include <map>

namespace platform {
class ManagedObject;
class ObjectSet;
}  // namespace platform

// What a group needs to follow its earliest start and due dates and its estimate flag without counting
// its members again: each member's last reported dates and flag, and how many members hold each date.
// Kept by member rather than by difference, so a member reported twice, or once more after it left,
// is still counted once.
class TDGroupDateCounts final {
public:
    // Counted over the members; `sum` receives their figures summed.
    explicit TDGroupDateCounts(const platform::ObjectSet& members, TDAggregates* sum = nullptr);

    // The member's figures now (it joined, or its figures changed).
    void set(const platform::ManagedObject* member, const TDAggregates& figures);
    void remove(const platform::ManagedObject* member);

    // Whether these figures carry the dates and flag counted here.
    bool describe(const TDAggregates& figures) const;
    // The counted dates and flag into the figures.
    void copyTo(TDAggregates& figures) const;

private:
    struct Entry {
        QDateTime start;
        QDateTime due;
        bool comprehensive = true;
    };
    using Holders = std::map<qint64, std::pair<QDateTime, qint64>>;  // instant -> a date there, holders

    static void p_add(Holders& holders, const QDateTime& date);
    static void p_drop(Holders& holders, const QDateTime& date);
    static QDateTime p_earliest(const Holders& holders);
    void p_count(const Entry& entry, int sign);

    QHash<const platform::ManagedObject*, Entry> m_entries;
    Holders m_starts;
    Holders m_dues;
    qint64 m_notComprehensive = 0;
};
