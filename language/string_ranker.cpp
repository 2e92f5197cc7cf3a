#include "language/string_ranker.h"

#include "language/abbreviation_scoring.h"

QSDefaultStringRanker::QSDefaultStringRanker(const QString& string) : m_name(PurifiedString::from(string)) {
}

void QSDefaultStringRanker::setNormString(const QString& string) {
    m_name = PurifiedString::from(string);
}

double QSDefaultStringRanker::scoreForAbbreviation(const QString& abbreviation) const {
    return scoreAbbreviation(m_name.text, purifiedString(abbreviation));
}

QList<qsizetype> QSDefaultStringRanker::maskForAbbreviation(const QString& abbreviation) const {
    QList<qsizetype> mask;
    scoreAbbreviation(m_name.text, purifiedString(abbreviation), &mask);
    return m_name.originalPositions(mask);
}
