#include "model/abbreviation_matcher.h"

#include "language/abbreviation_scoring.h"
#include "language/mnemonics.h"
#include "language/string_purification.h"
#include "model/tag.h"

#include <algorithm>
#include <cmath>

TDAbbreviationCandidate TDAbbreviationCandidate::fromGroup(TDGroup* group) {
    const auto* tag = dynamic_cast<const TDTag*>(group);
    return {tag ? tag->editingString() : group->localizedTitle(), group->uid(), group};
}

TDAbbreviationMatcher::TDAbbreviationMatcher(QSMnemonics& mnemonics) : m_mnemonics(&mnemonics) {
}

TDAbbreviationIndex::TDAbbreviationIndex(const QList<TDAbbreviationCandidate>& candidates) {
    m_entries.reserve(size_t(candidates.size()));
    for (const TDAbbreviationCandidate& candidate : candidates)
        m_entries.push_back(Entry{candidate, PurifiedString::from(candidate.text).text});
}

std::optional<TDAbbreviationRank> TDAbbreviationMatcher::rankDictionaryForLibraryItem(
    const TDAbbreviationCandidate& item, const QString& abbreviation, const QStringList* rememberedUIDs) {
    m_ranker.setNormString(item.text);
    return p_rank(item, m_ranker.scoreForAbbreviation(abbreviation), abbreviation, rememberedUIDs);
}

std::optional<TDAbbreviationRank> TDAbbreviationMatcher::p_rank(const TDAbbreviationCandidate& item,
                                                                double score, const QString& abbreviation,
                                                                const QStringList* rememberedUIDs) const {
    qint64 order = TDAbbreviationRank::kNotRemembered;
    if (rememberedUIDs && score != 0) {
        const qsizetype index = rememberedUIDs->indexOf(item.uid);
        if (index >= 0) order = index;
    }

    static const QHash<QString, int> kNoCounts;
    const auto& memory = m_mnemonics->objectMnemonics();
    const auto found = memory.constFind(item.uid);
    const QHash<QString, int>& counts = found == memory.cend() ? kNoCounts : *found;
    const int exactCount = counts.value(abbreviation);
    if (!abbreviation.isEmpty() && exactCount != 0) {
        // Chosen with exactly these letters: offered even when the letters do not fit the name.
        score += exactCount == -2 ? 2 : 1;
    } else if (score != 0) {
        // Abbreviations used for the item that the typed one begins or is begun by lean towards it,
        // the more the more often they were used.
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
            const QString& remembered = it.key();
            const qsizetype shorter = std::min(remembered.size(), abbreviation.size());
            if (shorter == 0 ||
                QStringView(remembered)
                        .left(shorter)
                        .compare(QStringView(abbreviation).left(shorter), Qt::CaseInsensitive) == 0)
                score += (1.0f - 1.0f / float(it.value())) * 0.25f;
        }
    }

    if (std::isnan(score) || !(score > kThreshold)) return std::nullopt;
    return TDAbbreviationRank{score, order, item};
}

QList<TDAbbreviationCandidate> TDAbbreviationMatcher::p_ordered(QList<TDAbbreviationRank>& ranks) {
    std::stable_sort(ranks.begin(), ranks.end(),
                     [](const TDAbbreviationRank& a, const TDAbbreviationRank& b) {
                         if (a.order != b.order) return a.order < b.order;
                         return a.score > b.score;
                     });
    QList<TDAbbreviationCandidate> ranked;
    ranked.reserve(ranks.size());
    for (const TDAbbreviationRank& rank : std::as_const(ranks)) ranked.append(rank.candidate);
    return ranked;
}

QList<TDAbbreviationCandidate> TDAbbreviationMatcher::groupsMatchingAbbreviation(
    const QList<TDAbbreviationCandidate>& groups, const QString& abbreviation) {
    if (abbreviation.isEmpty()) return {};
    const QStringList remembered = m_mnemonics->abbrevMnemonicsForString(abbreviation);
    QList<TDAbbreviationRank> ranks;
    for (const TDAbbreviationCandidate& group : groups) {
        if (std::optional<TDAbbreviationRank> rank =
                rankDictionaryForLibraryItem(group, abbreviation, &remembered))
            ranks.append(std::move(*rank));
    }
    return p_ordered(ranks);
}

QList<TDAbbreviationCandidate> TDAbbreviationMatcher::groupsMatchingAbbreviation(
    TDAbbreviationIndex& index, const QString& abbreviation) {
    if (abbreviation.isEmpty()) return {};
    const QString purified = purifiedString(abbreviation);
    const bool narrowing =
        !index.m_lastAbbreviation.isEmpty() && purified.startsWith(index.m_lastAbbreviation);
    const QStringList remembered = m_mnemonics->abbrevMnemonicsForString(abbreviation);
    QList<TDAbbreviationRank> ranks;
    for (TDAbbreviationIndex::Entry& entry : index.m_entries) {
        const double score =
            narrowing && !entry.matchedLast ? 0.0 : double(scoreAbbreviation(entry.purifiedText, purified));
        entry.matchedLast = score != 0;
        if (std::optional<TDAbbreviationRank> rank =
                p_rank(entry.candidate, score, abbreviation, &remembered))
            ranks.append(std::move(*rank));
    }
    index.m_lastAbbreviation = purified;
    return p_ordered(ranks);
}

QList<TDAbbreviationCandidate> TDAbbreviationMatcher::tagsMatchingAbbreviation(
    QList<TDAbbreviationCandidate> tags, const QString& abbreviation) {
    std::stable_sort(tags.begin(), tags.end(),
                     [](const TDAbbreviationCandidate& a, const TDAbbreviationCandidate& b) {
                         return a.text.compare(b.text, Qt::CaseInsensitive) < 0;
                     });
    return groupsMatchingAbbreviation(tags, abbreviation);
}

void TDAbbreviationMatcher::addMnemonic(const QString& abbreviation, const QString& uid) {
    m_mnemonics->addObjectMnemonic(abbreviation, uid);
    m_mnemonics->addAbbrevMnemonic(abbreviation, uid);
}
