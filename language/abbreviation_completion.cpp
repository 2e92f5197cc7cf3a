#include "language/abbreviation_completion.h"

#include "language/string_ranker.h"

#include <algorithm>

const QString TDAbbreviationCompletion::kNameSeparator = QStringLiteral(" \u2014 ");

TDAbbreviationCompletion::TDAbbreviationCompletion(const QString& typed, const QString& name) {
    if (!name.isEmpty() && !typed.isEmpty()) {
        const QList<qsizetype> mask = QSDefaultStringRanker(name).maskForAbbreviation(typed.toLower());
        if (mask.size() == typed.size()) {
            m_text = name;
            m_typedPositions = mask;
            return;
        }
    }
    m_text = name.isEmpty() ? typed : typed.isEmpty() ? name : typed + kNameSeparator + name;
    for (qsizetype i = 0; i < typed.size(); ++i) m_typedPositions.append(i);
}

QList<TDStyledRun> TDAbbreviationCompletion::styledRuns() const {
    QList<TDStyledRun> runs;
    auto typed = m_typedPositions.cbegin();
    for (qsizetype i = 0; i < m_text.size(); ++i) {
        const bool isTyped = typed != m_typedPositions.cend() && *typed == i;
        if (isTyped) ++typed;
        const TDCompletionStyle style = isTyped ? TDCompletionStyle::Typed : TDCompletionStyle::Completion;
        if (runs.isEmpty() || runs.last().style != style) runs.append({QString(), style});
        runs.last().text.append(m_text.at(i));
    }
    return runs;
}

qsizetype TDAbbreviationCompletion::textPosition(qsizetype typedPosition) const {
    if (m_typedPositions.isEmpty()) return 0;
    if (typedPosition <= 0) return m_typedPositions.first();
    return m_typedPositions.at(std::min(typedPosition, m_typedPositions.size()) - 1) + 1;
}

qsizetype TDAbbreviationCompletion::typedPosition(qsizetype textPosition) const {
    return std::lower_bound(m_typedPositions.cbegin(), m_typedPositions.cend(), textPosition) -
           m_typedPositions.cbegin();
}
