#include "model/collection_difference.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>

using Object = platform::ManagedObject;

namespace {

// Which entries of the sequence form one longest strictly increasing subsequence (patience sorting).
std::vector<bool> longestIncreasingRun(const std::vector<qsizetype>& sequence) {
    std::vector<qsizetype> tails;  // index into sequence of the smallest tail of each length
    std::vector<qsizetype> previous(sequence.size(), -1);
    for (qsizetype i = 0; i < qsizetype(sequence.size()); ++i) {
        auto at =
            std::lower_bound(tails.begin(), tails.end(), sequence[size_t(i)],
                             [&](qsizetype tail, qsizetype value) { return sequence[size_t(tail)] < value; });
        if (at != tails.begin()) previous[size_t(i)] = *(at - 1);
        if (at == tails.end())
            tails.push_back(i);
        else
            *at = i;
    }
    std::vector<bool> kept(sequence.size(), false);
    for (qsizetype i = tails.empty() ? -1 : tails.back(); i >= 0; i = previous[size_t(i)])
        kept[size_t(i)] = true;
    return kept;
}

}  // namespace

std::optional<QList<TDCollectionStep>> TDCollectionDifference(const QList<Object*>& from,
                                                              const QList<Object*>& to, qsizetype workLimit) {
    QList<TDCollectionStep> steps;
    if (from == to) return steps;
    const QSet<Object*> fromSet(from.begin(), from.end());
    QHash<Object*, qsizetype> toIndex;
    toIndex.reserve(to.size());
    for (qsizetype i = 0; i < to.size(); ++i) toIndex.insert(to.at(i), i);
    const qsizetype width = std::max(from.size(), to.size()) + 1;
    qsizetype work = 0;
    auto withinBudget = [&](qsizetype stepCount) {
        work += stepCount * width;
        return work <= workLimit;
    };

    QList<Object*> current;
    current.reserve(from.size());
    for (qsizetype i = from.size() - 1; i >= 0;) {
        if (toIndex.contains(from.at(i))) {
            --i;
            continue;
        }
        const qsizetype last = i;
        while (i >= 0 && !toIndex.contains(from.at(i))) --i;
        if (!withinBudget(1)) return std::nullopt;
        steps.append({TDCollectionStep::Remove, i + 1, last, 0});
    }
    for (Object* object : from)
        if (toIndex.contains(object)) current.append(object);

    // The kept objects in their new order, and which of them stay where they are.
    QList<Object*> kept;
    kept.reserve(current.size());
    for (Object* object : to)
        if (fromSet.contains(object)) kept.append(object);
    QHash<Object*, qsizetype> keptRank;
    keptRank.reserve(kept.size());
    for (qsizetype i = 0; i < kept.size(); ++i) keptRank.insert(kept.at(i), i);
    std::vector<qsizetype> ranks;
    ranks.reserve(size_t(current.size()));
    for (Object* object : current) ranks.push_back(keptRank.value(object));
    const std::vector<bool> staysInCurrent = longestIncreasingRun(ranks);
    std::vector<bool> stays(size_t(kept.size()), false);
    qsizetype moving = 0;
    for (size_t i = 0; i < staysInCurrent.size(); ++i) {
        stays[size_t(ranks[i])] = staysInCurrent[i];
        if (!staysInCurrent[i]) ++moving;
    }
    if (!withinBudget(moving)) return std::nullopt;

    // Each moving run goes right after its predecessor in the new order (or to the top), which keeps
    // every object placed so far in its new relative order.
    for (qsizetype t = 0; t < kept.size();) {
        if (stays[size_t(t)]) {
            ++t;
            continue;
        }
        const qsizetype source = current.indexOf(kept.at(t));
        qsizetype length = 1;
        while (t + length < kept.size() && !stays[size_t(t + length)] && source + length < current.size() &&
               current.at(source + length) == kept.at(t + length))
            ++length;
        const qsizetype destination = t == 0 ? 0 : current.indexOf(kept.at(t - 1)) + 1;
        if (destination != source) {
            const TDCollectionStep move{TDCollectionStep::Move, source, source + length - 1, destination};
            TDApplyCollectionStep(current, move, to);
            steps.append(move);
        }
        t += length;
    }

    for (qsizetype i = 0; i < to.size();) {
        if (fromSet.contains(to.at(i))) {
            ++i;
            continue;
        }
        const qsizetype first = i;
        while (i < to.size() && !fromSet.contains(to.at(i))) ++i;
        if (!withinBudget(1)) return std::nullopt;
        steps.append({TDCollectionStep::Insert, first, i - 1, 0});
    }
    return steps;
}

void TDApplyCollectionStep(QList<Object*>& list, const TDCollectionStep& step, const QList<Object*>& to) {
    const qsizetype count = step.last - step.first + 1;
    switch (step.kind) {
        case TDCollectionStep::Remove:
            list.remove(step.first, count);
            break;
        case TDCollectionStep::Insert:
            list.insert(step.first, count, nullptr);
            std::copy(to.begin() + step.first, to.begin() + step.last + 1, list.begin() + step.first);
            break;
        case TDCollectionStep::Move: {
            const QList<Object*> run = list.mid(step.first, count);
            list.remove(step.first, count);
            const qsizetype at = step.destination > step.last ? step.destination - count : step.destination;
            list.insert(at, count, nullptr);
            std::copy(run.begin(), run.end(), list.begin() + at);
            break;
        }
    }
}
