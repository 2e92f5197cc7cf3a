#include "platform/lsm/semantic_map.h"

#include "platform/base/format.h"
#include "platform/files/atomic_save.h"

#include <QCborMap>
#include <QCborValue>
#include <QFile>
#include <QStringDecoder>
#include <QTextBoundaryFinder>
#include <QtEndian>

#include <zlib.h>
#include <Eigen/Dense>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace platform {

namespace {

constexpr char kMagic[8] = {'O', 'D', 'L', 'S', 'E', 'M', 'A', 'P'};
constexpr quint32 kFormatVersion = 1;
constexpr quint32 kFlagCompiled = 1;

// A term weight this small is an even spread that rounding kept from being exactly 0.
constexpr double kWeightTolerance = 1e-9;
// Eigenvalues of W^T W below this share of the largest are numerical noise, not dimensions.
constexpr double kEigenvalueTolerance = 1e-12;

bool isMark(QChar c) {
    const auto category = c.category();
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
           category == QChar::Mark_Enclosing;
}

QString normalisedWord(QStringView segment) {
    const QString decomposed = segment.toString().toCaseFolded().normalized(QString::NormalizationForm_KD);
    QString word;
    word.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        if (!isMark(c)) word.append(c);
    }
    return word.normalized(QString::NormalizationForm_C);
}

bool hasLetterOrNumber(QStringView segment) {
    for (qsizetype i = 0; i < segment.size(); ++i) {
        const char32_t code = segment[i].isHighSurrogate() && i + 1 < segment.size()
                                  ? QChar::surrogateToUcs4(segment[i], segment[i + 1])
                                  : segment[i].unicode();
        if (QChar::isLetterOrNumber(code)) return true;
    }
    return false;
}

TDError malformedFile(const QString& detail) {
    return TDError::make(SemanticMapErrorFileMalformed,
                         formatString("The semantic map is damaged: %@.", detail),
                         QStringLiteral("The map has to be trained again."));
}

// Reads little-endian values from a buffer, failing (never reading past the end) once it runs out.
class Reader final {
public:
    explicit Reader(QByteArrayView data) : m_data(data) {}
    bool failed() const { return m_failed; }
    qsizetype remaining() const { return m_data.size() - m_position; }
    qsizetype position() const { return m_position; }

    QByteArrayView bytes(qsizetype length) {
        if (m_failed || length < 0 || length > remaining()) {
            m_failed = true;
            return {};
        }
        const QByteArrayView view = m_data.sliced(m_position, length);
        m_position += length;
        return view;
    }
    quint32 u32() {
        const QByteArrayView b = bytes(4);
        return m_failed ? 0 : qFromLittleEndian<quint32>(b.data());
    }
    quint64 u64() {
        const QByteArrayView b = bytes(8);
        return m_failed ? 0 : qFromLittleEndian<quint64>(b.data());
    }

private:
    QByteArrayView m_data;
    qsizetype m_position = 0;
    bool m_failed = false;
};

void appendU32(QByteArray& out, quint32 value) {
    char b[4];
    qToLittleEndian(value, b);
    out.append(b, 4);
}

void appendU64(QByteArray& out, quint64 value) {
    char b[8];
    qToLittleEndian(value, b);
    out.append(b, 8);
}

quint32 checksum(QByteArrayView data) {
    uLong crc = crc32(0L, Z_NULL, 0);
    qsizetype offset = 0;
    while (offset < data.size()) {
        const auto chunk = static_cast<uInt>(std::min<qsizetype>(data.size() - offset, 1 << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data() + offset), chunk);
        offset += chunk;
    }
    return static_cast<quint32>(crc);
}

}  // namespace

QStringList SemanticMap::words(const QString& text) {
    QStringList result;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        const QStringView segment = QStringView(text).sliced(start, end - start);
        if (hasLetterOrNumber(segment)) {
            const QString word = normalisedWord(segment);
            if (!word.isEmpty()) result.append(word);
        }
        start = end;
    }
    return result;
}

Status SemanticMap::startTraining() {
    p_dropCompiledForm();
    return {};
}

void SemanticMap::p_dropCompiledForm() {
    m_compiled = false;
    m_dimensions = 0;
    m_termWeights.clear();
    m_rows.clear();
    m_projection.clear();
    m_categories.clear();
}

Result<quint32> SemanticMap::addCategory() {
    if (m_compiled) {
        return TDError::make(SemanticMapErrorNotInTraining,
                             QStringLiteral("A compiled semantic map cannot take a new category."));
    }
    m_categoryWordCounts.append(0);
    return static_cast<quint32>(m_categoryWordCounts.size());
}

int SemanticMap::p_termIndex(const QString& term) {
    const auto found = m_termIndexes.constFind(term);
    if (found != m_termIndexes.constEnd()) return found.value();
    const int index = static_cast<int>(m_terms.size());
    m_terms.append(term);
    m_termIndexes.insert(term, index);
    m_counts.append(QHash<int, quint32>());
    return index;
}

Status SemanticMap::addText(quint32 category, const QString& text) {
    if (m_compiled) {
        return TDError::make(SemanticMapErrorNotInTraining,
                             QStringLiteral("A compiled semantic map cannot learn a text."));
    }
    if (category == 0 || category > static_cast<quint32>(m_categoryWordCounts.size())) {
        return TDError::make(SemanticMapErrorUnknownCategory,
                             formatString("The semantic map has no category %d.", category));
    }
    const int column = static_cast<int>(category - 1);
    for (const QString& word : words(text)) {
        ++m_counts[p_termIndex(word)][column];
        ++m_categoryWordCounts[column];
    }
    return {};
}

Status SemanticMap::compile() {
    if (m_compiled) return {};
    const int categories = categoryCount();
    if (categories == 0) {
        return TDError::make(SemanticMapErrorNoCategories,
                             QStringLiteral("A semantic map without categories cannot be compiled."));
    }
    const qsizetype terms = m_terms.size();
    // Entropy weighting: a term spread evenly over every category that has text says nothing
    // (weight 0), a term of one category says the most (weight 1). Counts are scaled by the
    // category's size.
    const auto populated = std::count_if(m_categoryWordCounts.cbegin(), m_categoryWordCounts.cend(),
                                         [](quint64 count) { return count > 0; });
    const double logCategories = populated > 1 ? std::log(static_cast<double>(populated)) : 1.0;
    std::vector<double> termWeights(terms, 0.0);
    std::vector<std::vector<std::pair<int, double>>> rows(terms);
    for (qsizetype i = 0; i < terms; ++i) {
        // Summed in column order, so that a map read from a file computes exactly the same.
        std::vector<std::pair<int, quint32>> counts(m_counts[i].constKeyValueBegin(),
                                                    m_counts[i].constKeyValueEnd());
        std::sort(counts.begin(), counts.end());
        double total = 0;
        for (const auto& [column, count] : counts) total += count;
        if (total <= 0) continue;
        double entropy = 0;
        if (populated > 1) {
            for (const auto& [column, count] : counts) {
                const double share = count / total;
                entropy -= share * std::log(share);
            }
            entropy /= logCategories;
        }
        const double weight = 1.0 - entropy > kWeightTolerance ? std::min(1.0 - entropy, 1.0) : 0.0;
        termWeights[i] = weight;
        if (weight == 0) continue;
        auto& row = rows[i];
        row.reserve(counts.size());
        for (const auto& [column, count] : counts) {
            row.emplace_back(column, weight * count / static_cast<double>(m_categoryWordCounts[column]));
        }
    }

    // W^T W is small (categories x categories); its eigenvectors are W's right singular vectors
    // and the square roots of its eigenvalues the singular values.
    Eigen::MatrixXd gram = Eigen::MatrixXd::Zero(categories, categories);
    for (const auto& row : rows) {
        for (const auto& [j, wj] : row) {
            for (const auto& [k, wk] : row) {
                if (k > j) break;
                gram(j, k) += wj * wk;
            }
        }
    }
    gram = gram.selfadjointView<Eigen::Lower>();
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(gram);
    if (solver.info() != Eigen::Success) {
        return TDError::make(SemanticMapErrorNotReduced,
                             QStringLiteral("The semantic map could not be reduced."));
    }
    const Eigen::VectorXd& eigenvalues = solver.eigenvalues();  // ascending
    const double largest = eigenvalues.size() ? std::max(eigenvalues(eigenvalues.size() - 1), 0.0) : 0.0;
    int dimensions = 0;
    for (Eigen::Index r = eigenvalues.size() - 1; r >= 0 && dimensions < kMaxDimensions; --r) {
        if (largest <= 0 || eigenvalues(r) <= largest * kEigenvalueTolerance) break;
        ++dimensions;
    }

    std::vector<double> projection(static_cast<size_t>(dimensions) * categories);
    std::vector<double> coordinates(static_cast<size_t>(categories) * dimensions, 0.0);
    for (int d = 0; d < dimensions; ++d) {
        const Eigen::Index column = eigenvalues.size() - 1 - d;
        const double sigma = std::sqrt(eigenvalues(column));
        for (int j = 0; j < categories; ++j) {
            const double v = solver.eigenvectors()(j, column);
            projection[static_cast<size_t>(d) * categories + j] = v / sigma;
            coordinates[static_cast<size_t>(j) * dimensions + d] = v * sigma;
        }
    }
    for (int j = 0; j < categories; ++j) {
        double* row = coordinates.data() + static_cast<size_t>(j) * dimensions;
        const double norm = std::sqrt(std::inner_product(row, row + dimensions, row, 0.0));
        // A category without text has no direction; it never scores.
        for (int d = 0; d < dimensions; ++d) row[d] = norm > 0 ? row[d] / norm : 0.0;
    }

    m_termWeights = std::move(termWeights);
    m_rows = std::move(rows);
    m_projection = std::move(projection);
    m_categories = std::move(coordinates);
    m_dimensions = dimensions;
    m_compiled = true;
    return {};
}

Result<QList<SemanticMap::Score>> SemanticMap::evaluate(const QString& text, int maxResults) const {
    if (!m_compiled) {
        return TDError::make(SemanticMapErrorNotCompiled,
                             QStringLiteral("A semantic map has to be compiled before it evaluates."));
    }
    const int categories = categoryCount();
    QList<Score> result;
    if (maxResults <= 0 || m_dimensions == 0) return result;

    // W^T d, with the text's words weighted like the training words.
    std::vector<double> byCategory(categories, 0.0);
    bool knowsAWord = false;
    for (const QString& word : words(text)) {
        const auto found = m_termIndexes.constFind(word);
        if (found == m_termIndexes.constEnd()) continue;
        const double weight = m_termWeights[found.value()];
        for (const auto& [j, w] : m_rows[found.value()]) {
            byCategory[j] += weight * w;
            knowsAWord = true;
        }
    }
    if (!knowsAWord) return result;

    std::vector<double> point(m_dimensions, 0.0);
    for (int d = 0; d < m_dimensions; ++d) {
        const double* row = m_projection.data() + static_cast<size_t>(d) * categories;
        point[d] = std::inner_product(row, row + categories, byCategory.data(), 0.0);
    }
    const double pointNorm = std::sqrt(std::inner_product(point.begin(), point.end(), point.begin(), 0.0));
    if (!(pointNorm > 0)) return result;

    // Opposite directions are as far as unrelated ones: negative cosines count as 0.
    QList<Score> scores;
    scores.reserve(categories);
    double total = 0;
    for (int j = 0; j < categories; ++j) {
        const double* row = m_categories.data() + static_cast<size_t>(j) * m_dimensions;
        const double cosine = std::inner_product(row, row + m_dimensions, point.data(), 0.0) / pointNorm;
        const double score = std::clamp(cosine, 0.0, 1.0);
        total += score;
        scores.append({static_cast<quint32>(j + 1), score});
    }
    if (!(total > 0)) return result;
    for (Score& s : scores) s.score /= total;
    std::stable_sort(scores.begin(), scores.end(),
                     [](const Score& a, const Score& b) { return a.score > b.score; });
    scores.resize(std::min<qsizetype>(scores.size(), maxResults));
    return scores;
}

QByteArray SemanticMap::serialized() const {
    QByteArray out;
    out.append(kMagic, sizeof kMagic);
    appendU32(out, kFormatVersion);
    appendU32(out, m_compiled ? kFlagCompiled : 0);
    appendU32(out, static_cast<quint32>(m_categoryWordCounts.size()));
    appendU32(out, static_cast<quint32>(m_terms.size()));
    for (const quint64 count : m_categoryWordCounts) appendU64(out, count);
    for (qsizetype i = 0; i < m_terms.size(); ++i) {
        const QByteArray term = m_terms[i].toUtf8();
        appendU32(out, static_cast<quint32>(term.size()));
        out.append(term);
        QList<int> columns = m_counts[i].keys();
        std::sort(columns.begin(), columns.end());
        appendU32(out, static_cast<quint32>(columns.size()));
        for (const int column : columns) {
            appendU32(out, static_cast<quint32>(column));
            appendU32(out, m_counts[i].value(column));
        }
    }
    const QByteArray properties = QCborValue::fromVariant(m_properties).toCbor();
    appendU32(out, static_cast<quint32>(properties.size()));
    out.append(properties);
    appendU32(out, checksum(out));
    return out;
}

Result<SemanticMap> SemanticMap::deserialized(const QByteArray& data) {
    constexpr qsizetype kHeaderSize = sizeof kMagic + 4 * 4;
    if (data.size() < kHeaderSize + 8 ||
        QByteArrayView(data).first(sizeof kMagic) != QByteArrayView(kMagic, sizeof kMagic)) {
        return malformedFile(QStringLiteral("it is not a semantic map"));
    }
    Reader reader(data);
    reader.bytes(sizeof kMagic);
    const quint32 version = reader.u32();
    if (version > kFormatVersion) {
        return TDError::make(SemanticMapErrorFileNewerVersion,
                             formatString("The semantic map was written in a newer format (%d).", version),
                             QStringLiteral("The map has to be trained again."));
    }
    if (version == 0) return malformedFile(QStringLiteral("unknown format 0"));
    const qsizetype body = data.size() - 4;
    if (qFromLittleEndian<quint32>(data.constData() + body) != checksum(QByteArrayView(data).first(body))) {
        return malformedFile(QStringLiteral("its checksum does not match (truncated or altered)"));
    }

    SemanticMap map;
    const quint32 flags = reader.u32();
    const quint32 categories = reader.u32();
    const quint32 terms = reader.u32();
    if ((flags & ~kFlagCompiled) != 0) return malformedFile(QStringLiteral("unknown flags"));
    // Every category takes 8 bytes and every term at least 9: counts that cannot fit are lies.
    if (categories > static_cast<quint64>(reader.remaining()) / 8 ||
        terms > static_cast<quint64>(reader.remaining()) / 9) {
        return malformedFile(QStringLiteral("its counts exceed its size"));
    }
    QList<quint64> declaredWordCounts;
    declaredWordCounts.reserve(categories);
    for (quint32 j = 0; j < categories; ++j) declaredWordCounts.append(reader.u64());
    map.m_categoryWordCounts.fill(0, categories);
    map.m_terms.reserve(terms);
    map.m_counts.reserve(terms);
    for (quint32 i = 0; i < terms && !reader.failed(); ++i) {
        const QByteArrayView bytes = reader.bytes(reader.u32());
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString term = decoder(bytes);
        if (reader.failed()) break;
        if (decoder.hasError() || term.isEmpty() || map.m_termIndexes.contains(term)) {
            return malformedFile(QStringLiteral("a word is empty, repeated or not UTF-8"));
        }
        const int index = map.p_termIndex(term);
        const quint32 entries = reader.u32();
        if (entries > categories) return malformedFile(QStringLiteral("a word has too many categories"));
        qint64 previous = -1;
        for (quint32 e = 0; e < entries && !reader.failed(); ++e) {
            const quint32 column = reader.u32();
            const quint32 count = reader.u32();
            if (reader.failed()) break;
            if (column >= categories || static_cast<qint64>(column) <= previous || count == 0) {
                return malformedFile(QStringLiteral("a word's counts are out of order or range"));
            }
            previous = column;
            map.m_counts[index].insert(static_cast<int>(column), count);
            map.m_categoryWordCounts[column] += count;
        }
    }
    const QByteArrayView properties = reader.bytes(reader.u32());
    if (reader.failed() || reader.remaining() != 4) {
        return malformedFile(QStringLiteral("it ends early or carries extra bytes"));
    }
    if (map.m_categoryWordCounts != declaredWordCounts) {
        return malformedFile(QStringLiteral("its category sizes do not add up"));
    }
    QCborParserError cborError;
    const QCborValue cbor = QCborValue::fromCbor(properties.toByteArray(), &cborError);
    if (cborError.error != QCborError::NoError || !cbor.isMap()) {
        return malformedFile(QStringLiteral("its properties are unreadable"));
    }
    map.m_properties = cbor.toMap().toVariantMap();

    if (flags & kFlagCompiled) {
        const Status compiled = map.compile();
        if (!compiled) return compiled.error();
    }
    return map;
}

Status SemanticMap::writeToFile(const QString& path) const {
    const Status written = writeFileAtomically(path, serialized());
    if (!written.ok()) {
        return TDError::make(SemanticMapErrorFileNotWritten,
                             formatString("The semantic map could not be written to \"%@\": %@", path,
                                          written.error().description));
    }
    return {};
}

Result<SemanticMap> SemanticMap::readFromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return TDError::make(
            SemanticMapErrorFileUnreadable,
            formatString("The semantic map \"%@\" could not be read: %@", path, file.errorString()));
    }
    if (file.size() > kMaxFileSize) {
        return malformedFile(formatString("the file is larger than %ld bytes", kMaxFileSize));
    }
    const QByteArray data = file.read(kMaxFileSize + 1);
    if (data.size() > kMaxFileSize) {
        return malformedFile(formatString("the file is larger than %ld bytes", kMaxFileSize));
    }
    return deserialized(data);
}

}  // namespace platform
