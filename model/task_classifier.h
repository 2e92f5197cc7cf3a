#pragma once

#include "language/token.h"
#include "platform/base/error.h"

#include <QList>
#include <QString>

class TDLibrary;
class TDTask;

// Tag prediction for task titles, one per open library. This base learns nothing and suggests
// nothing; TDTaskLSMClassifier is the working one.
class TDTaskClassifier {
public:
    explicit TDTaskClassifier(TDLibrary* library) : m_library(library) {}
    virtual ~TDTaskClassifier() = default;
    TDTaskClassifier(const TDTaskClassifier&) = delete;
    TDTaskClassifier& operator=(const TDTaskClassifier&) = delete;

    // Not owned.
    TDLibrary* library() const { return m_library; }

    virtual Status load() { return {}; }
    virtual Status save() { return {}; }
    virtual void retrain() {}
    // Called after the user edits the task's title.
    virtual void learnFromTask(TDTask* task) { (void)task; }
    // At most three tag tokens, marked as generated.
    virtual QList<TDToken> suggestedTokensFromTitle(const QString& title) {
        (void)title;
        return {};
    }
    virtual void logDebugInfo() {}

private:
    TDLibrary* m_library;
};
