#include "language/string_ranking.h"

#include "language/abbreviation_scoring.h"
#include "language/string_purification.h"

#include <algorithm>

QList<QSRankedString> rankedStringsForAbbreviation(const QStringList& strings, const QString& abbreviation) {
    const QString typed = purifiedString(abbreviation);
    QList<QSRankedString> ranked;
    for (qsizetype i = 0; i < strings.size(); ++i) {
        const double score = scoreAbbreviation(purifiedString(strings[i]), typed);
        if (score > 0) ranked.append({i, score});
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const QSRankedString& a, const QSRankedString& b) { return a.score > b.score; });
    return ranked;
}
