#pragma once

#include "language/string_ranker.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <limits>
#include <optional>
#include <vector>

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

// Candidates offered again and again while a panel is open: their texts purified once, and what the
// last abbreviation matched, so that a key extending it scores only those candidates again (letters
// that cannot be found in a text cannot be found with more letters after them).
class TDAbbreviationIndex final {
public:
    explicit TDAbbreviationIndex(const QList<TDAbbreviationCandidate>& candidates);
    qsizetype size() const { return qsizetype(m_entries.size()); }

private:
    friend class TDAbbreviationMatcher;
    struct Entry {
        TDAbbreviationCandidate candidate;
        QString purifiedText;
        bool matchedLast = true;
    };
    std::vector<Entry> m_entries;
    QString m_lastAbbreviation;  // purified
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
    // The same over a prepared index.
    QList<TDAbbreviationCandidate> groupsMatchingAbbreviation(TDAbbreviationIndex& index,
                                                              const QString& abbreviation);
    // The same, with the tags first put in order of their text ignoring case.
    QList<TDAbbreviationCandidate> tagsMatchingAbbreviation(QList<TDAbbreviationCandidate> tags,
                                                            const QString& abbreviation);
    // Remembers that the item with this UID was chosen with the abbreviation.
    void addMnemonic(const QString& abbreviation, const QString& uid);

private:
    std::optional<TDAbbreviationRank> p_rank(const TDAbbreviationCandidate& item, double score,
                                             const QString& abbreviation,
                                             const QStringList* rememberedUIDs) const;
    static QList<TDAbbreviationCandidate> p_ordered(QList<TDAbbreviationRank>& ranks);

    QSMnemonics* m_mnemonics;
    QSDefaultStringRanker m_ranker;
};
