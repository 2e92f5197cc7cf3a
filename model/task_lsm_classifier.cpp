#include "model/task_lsm_classifier.h"

#include "language/title_parser.h"
#include "model/library.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>

TDTaskLSMClassifier::TDTaskLSMClassifier(TDLibrary* library, const QString& libraryPath)
    : TDTaskClassifier(library), m_dataFilePath(QDir(libraryPath).filePath(DataFileName)) {
    // Both log their failures; the classifier then works from what it learnt in memory.
    if (!QFileInfo::exists(m_dataFilePath)) {
        retrain();
        (void)save();
    } else {
        (void)load();
    }
}

TDTaskLSMClassifier::~TDTaskLSMClassifier() = default;

namespace {

// The category numbers of a saved file, checked against the map they came with.
Result<QHash<QString, quint32>> valueToCategoryFromProperties(const platform::SemanticMap& map) {
    const QVariant saved = map.properties().value(TDTaskLSMClassifier::ValueToCategoryKey);
    if (saved.typeId() != QMetaType::QVariantMap)
        return TDError::make(platform::SemanticMapErrorFileMalformed,
                             QStringLiteral("The tag-prediction data has no categories of tags."));
    QHash<QString, quint32> result;
    QSet<quint32> seen;
    const QVariantMap entries = saved.toMap();
    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        bool ok = false;
        const qulonglong category = it.value().toULongLong(&ok);
        if (!ok || category < 1 || category > static_cast<qulonglong>(map.categoryCount()) ||
            seen.contains(static_cast<quint32>(category)) || it.key().isEmpty())
            return TDError::make(
                platform::SemanticMapErrorFileMalformed,
                QStringLiteral("The tag-prediction data names a category it does not hold."));
        seen.insert(static_cast<quint32>(category));
        result.insert(it.key(), static_cast<quint32>(category));
    }
    return result;
}

// Suggestions only: a classifier that cannot learn or compile suggests less, so it is logged, not reported.
void logClassifierFailure(const Status& status) {
    if (!status.ok())
        logWithLevel(TDLogWarning, "WARNING", "Task classifier: %@", status.error().description);
}

}  // namespace

Status TDTaskLSMClassifier::load() {
    m_map.reset();
    m_categoryToValue.clear();
    m_valueToCategory.clear();
    m_currentMode = ModeNone;
    auto read = platform::SemanticMap::readFromFile(m_dataFilePath);
    std::optional<TDError> refusal;
    if (!read.ok()) {
        refusal = read.error();
    } else {
        auto values = valueToCategoryFromProperties(*read);
        if (!values.ok()) {
            refusal = values.error();
        } else {
            m_map = std::make_unique<platform::SemanticMap>(std::move(*read));
            for (auto it = values->cbegin(); it != values->cend(); ++it) p_mapCategory(it.value(), it.key());
            // A map saved compiled needs no second compile.
            m_currentMode = m_map->isCompiled() ? ModeEvaluation : ModeTraining;
            if (const Status mode = p_setMode(ModeEvaluation); !mode.ok()) refusal = mode.error();
        }
    }
    if (!refusal) {
        m_unsaved = false;
        return {};
    }
    logWithLevel(TDLogError, "ERROR", "Could not load task classification data. Retraining...");
    retrain();
    return *refusal;
}

Status TDTaskLSMClassifier::save() {
    if (!m_map || m_map->categoryCount() < 1) return {};
    if (!m_unsaved && QFileInfo::exists(m_dataFilePath)) return {};
    QVariantMap values;
    for (auto it = m_valueToCategory.cbegin(); it != m_valueToCategory.cend(); ++it)
        values.insert(it.key(), static_cast<qulonglong>(it.value()));
    m_map->setProperties({{ValueToCategoryKey, values}});
    const Status written = m_map->writeToFile(m_dataFilePath);
    if (!written.ok()) {
        logWithLevel(TDLogError, "ERROR", "Could not save task classification data: %ld",
                     static_cast<long>(written.error().code));
        return written;
    }
    m_unsaved = false;
    return {};
}

void TDTaskLSMClassifier::p_reset() {
    m_map = std::make_unique<platform::SemanticMap>();
    m_unsaved = true;
    m_currentMode = ModeNone;
    logClassifierFailure(p_setMode(ModeTraining));
    m_categoryToValue.clear();
    m_valueToCategory.clear();
}

Status TDTaskLSMClassifier::p_setMode(int mode) {
    if (mode != ModeTraining && mode != ModeEvaluation)
        return TDError::make(ErrorUnknownMode, QStringLiteral("The classifier has no mode %1.").arg(mode));
    if (mode == m_currentMode) return {};
    m_currentMode = mode;
    if (!m_map) return TDError::make(ErrorModeChangeFailed, QStringLiteral("The classifier has no map."));
    if (mode == ModeEvaluation) {
        if (const Status compiled = m_map->compile(); !compiled.ok())
            return TDError::make(ErrorModeChangeFailed, compiled.error().description);
        return {};
    }
    if (const Status training = m_map->startTraining(); !training.ok()) {
        logWithLevel(TDLogError, "ERROR", "Classifier: could not get into training mode (%ld)",
                     static_cast<long>(training.error().code));
        return TDError::make(ErrorModeChangeFailed, training.error().description);
    }
    return {};
}

void TDTaskLSMClassifier::p_addCategory(const QString& value) {
    if (m_valueToCategory.contains(value)) return;
    if (!p_setMode(ModeTraining).ok()) {
        logWithLevel(TDLogError, "ERROR",
                     "Could not begin training mode with classifier. Not adding category");
        return;
    }
    const auto category = m_map->addCategory();
    if (category.ok()) p_mapCategory(*category, value);
}

void TDTaskLSMClassifier::p_mapCategory(quint32 category, const QString& value) {
    m_categoryToValue.insert(category, value);
    m_valueToCategory.insert(value, category);
}

void TDTaskLSMClassifier::retrain() {
    QElapsedTimer timer;
    timer.start();
    p_reset();
    p_addCategory(UntaggedValue);
    if (library())
        for (const TDTag* tag : library()->allTags()) p_addCategory(tag->uid());
    if (!p_setMode(ModeTraining).ok()) {
        logWithLevel(TDLogError, "ERROR", "Could not set classifier to training mode... Bailing");
        return;
    }
    if (library())
        for (TDTask* task : library()->allTasks()) learnFromTask(task, true);
    logClassifierFailure(p_setMode(ModeEvaluation));
    logWithLevel(TDLogDebug, "DEBUG", "Retraining task classifier took %f seconds",
                 static_cast<double>(timer.nsecsElapsed()) / 1e9);
}

void TDTaskLSMClassifier::learnFromTask(TDTask* task, bool continueTraining) {
    if (!task || !m_map) return;
    const QList<TDGroup*> tags = task->tags();
    for (const TDGroup* tag : tags) {
        if (!m_valueToCategory.contains(tag->uid())) {
            retrain();
            logClassifierFailure(p_setMode(continueTraining ? ModeTraining : ModeEvaluation));
            return;
        }
    }
    if (!p_setMode(ModeTraining).ok()) {
        logWithLevel(TDLogError, "ERROR",
                     "Could not get classifier in training mode... Bailing from training task");
        return;
    }
    const QString title = task->title();
    if (tags.isEmpty()) {
        logClassifierFailure(m_map->addText(m_valueToCategory.value(UntaggedValue), title));
    } else {
        for (const TDGroup* tag : tags)
            logClassifierFailure(m_map->addText(m_valueToCategory.value(tag->uid()), title));
    }
    m_unsaved = true;
    logClassifierFailure(p_setMode(continueTraining ? ModeTraining : ModeEvaluation));
}

QList<TDToken> TDTaskLSMClassifier::suggestedTokensFromTitle(const QString& title) {
    const QString trimmed = title.trimmed();
    if (!m_map || m_map->categoryCount() == 0 || trimmed.isEmpty()) return {};
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    if (trimmed.split(whiteSpace, Qt::SkipEmptyParts).size() < 2) return {};
    if (!p_setMode(ModeEvaluation).ok()) {
        logWithLevel(TDLogError, "ERROR",
                     "Could not get classifier into evaluation mode. Just returning empty array.");
        return {};
    }
    const auto results = m_map->evaluate(title, 3);
    if (!results.ok() || results->isEmpty()) return {};
    const float threshold =
        static_cast<float>(platform::UserDefaults::standard().real(QStringLiteral("tagMatchThreshold")));
    const float categories = static_cast<float>(m_map->categoryCount());
    QList<TDToken> tokens;
    bool allEqual = true;
    std::optional<float> previous;
    for (const platform::SemanticMap::Score& result : *results) {
        const auto value = m_categoryToValue.constFind(result.category);
        if (value == m_categoryToValue.cend()) continue;
        // The even share 1/N scores 0.5.
        const float adjusted = static_cast<float>(result.score) * categories * 0.5f;
        if (previous && *previous != adjusted) allEqual = false;
        previous = adjusted;
        if (adjusted <= threshold || !library()) continue;
        const TDTag* tag = library()->tagWithUID(*value);
        if (!tag) continue;
        TDToken token(TDTitleParser::tagEditingStringFromTitle(tag->title()));
        token.setAutoGenerated(true);
        token.setProbability(result.score);
        tokens.append(token);
    }
    if (!allEqual || tokens.size() < 2) return tokens;
    return {};
}
