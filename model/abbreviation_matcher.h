#pragma once

#include "language/string_ranker.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <limits>
#include <optional>

class QSMnemonics;
class TDGroup;

// A group or tag offered for a typed abbreviation.
struct TDAbbreviationCandidate {
    QString text;  // what the abbreviation is scored against: a tag's editing string, a group's title
    QString uid;
    TDGroup* object = nullptr;  // not owned; handed back with the ranking

    // A tag is typed as its token ("/home"), any other group by the title the user sees.
    static TDAbbreviationCandidate fromGroup(TDGroup* group);
    bool operator==(const TDAbbreviationCandidate&) const = default;
};

// How well a candidate fits an abbreviation: the ranker's score with the remembered choices added,
// and the candidate's place among the items remembered for exactly this abbreviation.
struct TDAbbreviationRank {
    static constexpr qint64 kNotRemembered = std::numeric_limits<qint64>::max();

    double score = 0;
    qint64 order = kNotRemembered;
    TDAbbreviationCandidate candidate;
};

// Ranks groups and tags for the go-to command, the file-to-list panel and tag entry by the string
// ranker's score and the abbreviation memory, and records the user's choices in that memory. The
// callers pick the candidates (which groups qualify is theirs to say).
class TDAbbreviationMatcher final {
public:
    // Scores above this qualify.
    static constexpr double kThreshold = 0.3333;

    explicit TDAbbreviationMatcher(QSMnemonics& mnemonics);

    QSMnemonics& mnemonics() const { return *m_mnemonics; }
    // The memory read and taught from now on.
    void setMnemonics(QSMnemonics& mnemonics) { m_mnemonics = &mnemonics; }

    // The rank of one candidate, with the UIDs remembered for the abbreviation when given; none when
    // the candidate does not qualify.
    std::optional<TDAbbreviationRank> rankDictionaryForLibraryItem(const TDAbbreviationCandidate& item,
                                                                   const QString& abbreviation,
                                                                   const QStringList* rememberedUIDs);
    // The qualifying candidates: remembered ones first in the memory's order, then by score; equal
    // ranks keep the given order. Empty for an empty abbreviation.
    QList<TDAbbreviationCandidate> groupsMatchingAbbreviation(const QList<TDAbbreviationCandidate>& groups,
                                                              const QString& abbreviation);
    // The same, with the tags first put in order of their text ignoring case.
    QList<TDAbbreviationCandidate> tagsMatchingAbbreviation(QList<TDAbbreviationCandidate> tags,
                                                            const QString& abbreviation);
    // Remembers that the item with this UID was chosen with the abbreviation.
    void addMnemonic(const QString& abbreviation, const QString& uid);

private:
    QSMnemonics* m_mnemonics;
    QSDefaultStringRanker m_ranker;
};
