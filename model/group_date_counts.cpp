#include "model/group_date_counts.h"

#include "platform/objectstore/object_set.h"

TDGroupDateCounts::TDGroupDateCounts(const platform::ObjectSet& members, TDAggregates* sum) {
    m_entries.reserve(members.size());
    TDAggregates total;
    for (const platform::ManagedObject* member : members) {
        const TDAggregates figures = TDAggregates::of(member);
        total.include(figures);
        set(member, figures);
    }
    if (sum) *sum = total;
}

void TDGroupDateCounts::set(const platform::ManagedObject* member, const TDAggregates& figures) {
    const Entry now{figures.earliestStartDate, figures.earliestDueDate,
                    figures.totalEstimatedTimeComprehensive};
    auto it = m_entries.find(member);
    if (it != m_entries.end()) {
        p_count(*it, -1);
        *it = now;
    } else {
        it = m_entries.insert(member, now);
    }
    p_count(*it, 1);
}

void TDGroupDateCounts::remove(const platform::ManagedObject* member) {
    const auto it = m_entries.find(member);
    if (it == m_entries.end()) return;
    p_count(*it, -1);
    m_entries.erase(it);
}

bool TDGroupDateCounts::describe(const TDAggregates& figures) const {
    TDAggregates counted = figures;
    copyTo(counted);
    return counted == figures;
}

void TDGroupDateCounts::copyTo(TDAggregates& figures) const {
    figures.earliestStartDate = p_earliest(m_starts);
    figures.earliestDueDate = p_earliest(m_dues);
    figures.totalEstimatedTimeComprehensive = m_notComprehensive == 0;
}

void TDGroupDateCounts::p_count(const Entry& entry, int sign) {
    if (sign > 0) {
        p_add(m_starts, entry.start);
        p_add(m_dues, entry.due);
    } else {
        p_drop(m_starts, entry.start);
        p_drop(m_dues, entry.due);
    }
    if (!entry.comprehensive) m_notComprehensive += sign;
}

void TDGroupDateCounts::p_add(Holders& holders, const QDateTime& date) {
    if (!date.isValid()) return;
    auto [it, added] = holders.try_emplace(date.toMSecsSinceEpoch(), date, 0);
    ++it->second.second;
}

void TDGroupDateCounts::p_drop(Holders& holders, const QDateTime& date) {
    if (!date.isValid()) return;
    const auto it = holders.find(date.toMSecsSinceEpoch());
    if (it != holders.end() && --it->second.second <= 0) holders.erase(it);
}

QDateTime TDGroupDateCounts::p_earliest(const Holders& holders) {
    return holders.empty() ? QDateTime() : holders.begin()->second.first;
}
