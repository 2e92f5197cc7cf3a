#pragma once

#include "platform/base/error.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <vector>

namespace platform {

// Codes of the errors a semantic map answers (domain TDErrorDomain).
enum SemanticMapErrorCode : int {
    SemanticMapErrorNotInTraining = 1300,
    SemanticMapErrorNotCompiled = 1301,
    SemanticMapErrorNoCategories = 1302,
    SemanticMapErrorUnknownCategory = 1303,
    SemanticMapErrorFileUnreadable = 1304,
    SemanticMapErrorFileMalformed = 1305,
    SemanticMapErrorFileNewerVersion = 1306,
    SemanticMapErrorFileNotWritten = 1307,
    SemanticMapErrorNotReduced = 1308,
};

// Latent semantic mapping: texts are added to numbered categories while the map is in training;
// compiling weights the term-by-category counts by each term's entropy over the categories and
// reduces them with a truncated singular value decomposition; a compiled map scores a new text
// against every category by the cosine of the two in the reduced space.
//
// Categories are numbered from 1 in the order they were added. The raw counts are kept beside the
// compiled form, so a compiled or loaded map can go back to training and learn more.
class SemanticMap final {
public:
    struct Score {
        quint32 category = 0;
        double score = 0;  // 0..1; over all categories the scores sum to 1
        bool operator==(const Score&) const = default;
    };

    // At most this many dimensions are kept by the reduction.
    static constexpr int kMaxDimensions = 100;
    // Files larger than this are refused unread.
    static constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

    SemanticMap() = default;  // empty, in training

    // The words of a text as the map counts them, the same for training and for evaluation:
    // word boundaries by Unicode rules, case folded, accents removed, punctuation dropped.
    static QStringList words(const QString& text);

    bool isCompiled() const { return m_compiled; }
    int categoryCount() const { return m_categoryWordCounts.size(); }
    int termCount() const { return m_terms.size(); }

    // Free-form values saved with the map (strings, numbers, lists and dictionaries of them).
    QVariantMap properties() const { return m_properties; }
    void setProperties(const QVariantMap& properties) { m_properties = properties; }

    // Leaves evaluation for training; the counts stay. Always succeeds.
    Status startTraining();
    // Builds the reduced space from the counts; the map then evaluates and no longer learns.
    Status compile();

    // A new empty category (training only).
    Result<quint32> addCategory();
    // Counts the words of the text in the category (training only).
    Status addText(quint32 category, const QString& text);

    // The best categories for the text, at most maxResults of them, best first; equal scores in
    // category order. Empty when the text has no word the map knows or nothing is close to it.
    Result<QList<Score>> evaluate(const QString& text, int maxResults) const;

    // Our own binary form: versioned, checksummed, written atomically.
    Status writeToFile(const QString& path) const;
    // A map read from a file, in the mode it was saved in. A file that is not a well-formed map
    // is refused with an error, never half read.
    static Result<SemanticMap> readFromFile(const QString& path);

    QByteArray serialized() const;
    static Result<SemanticMap> deserialized(const QByteArray& data);

private:
    int p_termIndex(const QString& term);
    void p_dropCompiledForm();

    QStringList m_terms;
    QHash<QString, int> m_termIndexes;
    // Per term: category index (0-based) -> count.
    QList<QHash<int, quint32>> m_counts;
    QList<quint64> m_categoryWordCounts;
    QVariantMap m_properties;

    bool m_compiled = false;
    // The compiled form. With the weighted matrix W (terms x categories) = U S V^T, a text d
    // scores against category j by the cosine of U^T d and S V_j^T. Since U^T d = S^-1 V^T W^T d,
    // only W's rows (sparse), S^-1 V^T and the normalised category coordinates are kept.
    int m_dimensions = 0;
    std::vector<double> m_termWeights;                        // per term: 1 - normalised entropy
    std::vector<std::vector<std::pair<int, double>>> m_rows;  // per term: category index, weight
    std::vector<double> m_projection;                         // S^-1 V^T, dimensions x categories, row-major
    std::vector<double> m_categories;  // S V_j^T / |S V_j^T|, categories x dimensions, row-major
};

}  // namespace platform
