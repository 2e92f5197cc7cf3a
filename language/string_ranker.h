#pragma once

#include "language/string_purification.h"

#include <QList>
#include <QString>

// Scores typed abbreviations against one name.
class QSStringRanker {
public:
    virtual ~QSStringRanker() = default;
    // 0 (no match) to 1 (the name itself).
    virtual double scoreForAbbreviation(const QString& abbreviation) const = 0;
    // The positions of the name that the abbreviation matched, ascending; empty when it does not match.
    virtual QList<qsizetype> maskForAbbreviation(const QString& abbreviation) const = 0;
};

// The ranker of names: both the name and the typed abbreviation are purified, so "cafe" and "café"
// find "Café" alike, and masks are positions of the name as given, whatever purifying did to its
// length. One ranker can be reused for many names through setNormString.
class QSDefaultStringRanker final : public QSStringRanker {
public:
    explicit QSDefaultStringRanker(const QString& string = {});

    // The purified name that abbreviations are scored against.
    QString normString() const { return m_name.text; }
    void setNormString(const QString& string);
    QString description() const { return normString(); }

    double scoreForAbbreviation(const QString& abbreviation) const override;
    QList<qsizetype> maskForAbbreviation(const QString& abbreviation) const override;

private:
    PurifiedString m_name;
};
