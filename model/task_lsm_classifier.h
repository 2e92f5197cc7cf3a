#pragma once

#include "model/task_classifier.h"
#include "platform/lsm/semantic_map.h"

#include <QHash>

#include <memory>

// Tag prediction on a semantic map whose categories are the library's tags (and one for untagged
// tasks), trained with the words of task titles. Kept in the package as "tag_autosuggest.data":
// the map with the category of each tag in its properties. Main thread only.
class TDTaskLSMClassifier final : public TDTaskClassifier {
public:
    static inline const QString DataFileName = QStringLiteral("tag_autosuggest.data");
    // The category of tasks without tags.
    static inline const QString UntaggedValue = QStringLiteral("__UNTAGGED__");
    static inline const QString ValueToCategoryKey = QStringLiteral("ValueToCatMap");

    enum Mode : int { ModeNone = -1, ModeTraining = 0, ModeEvaluation = 1 };
    enum ErrorCode : int { ErrorUnknownMode = 1005, ErrorModeChangeFailed = 1006 };

    // Reads the data file in the package, or trains from the library and writes it when there is none.
    TDTaskLSMClassifier(TDLibrary* library, const QString& libraryPath);
    ~TDTaskLSMClassifier() override;

    QString dataFilePath() const { return m_dataFilePath; }

    // A file that cannot be read as ours is logged and replaced by a map trained from the library;
    // the refusal is still answered.
    Status load() override;
    // Nothing to write before there is a category, nor when the file already holds this map. A failed
    // write leaves the old file as it was.
    Status save() override;
    void retrain() override;
    void learnFromTask(TDTask* task) override { learnFromTask(task, false); }
    // `continueTraining` announces more tasks, so the map is not compiled after this one.
    void learnFromTask(TDTask* task, bool continueTraining);
    // Tags whose categories score clearly above an even share (the "tagMatchThreshold" default),
    // best first; none for a one-word title, and none when two or three candidates tie.
    QList<TDToken> suggestedTokensFromTitle(const QString& title) override;

    // Inspection.
    const platform::SemanticMap* map() const { return m_map.get(); }
    int currentMode() const { return m_currentMode; }
    QHash<QString, quint32> valueToCategory() const { return m_valueToCategory; }

private:
    void p_reset();
    Status p_setMode(int mode);
    void p_addCategory(const QString& value);
    void p_mapCategory(quint32 category, const QString& value);

    QString m_dataFilePath;
    std::unique_ptr<platform::SemanticMap> m_map;
    QHash<quint32, QString> m_categoryToValue;
    QHash<QString, quint32> m_valueToCategory;
    int m_currentMode = ModeNone;
    // Learned since the file was last read or written.
    bool m_unsaved = false;
};
