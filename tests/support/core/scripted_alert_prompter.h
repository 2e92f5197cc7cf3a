#pragma once

#include "foundation/alert.h"

#include <QList>

namespace testsupport {

// Answers alerts from a script of button indexes (0 once the script is used up) and keeps every alert shown.
class ScriptedAlertPrompter : public TDAlertPrompter {
public:
    explicit ScriptedAlertPrompter(QList<int> answers = {}) : m_answers(std::move(answers)) {}
    int runModal(const TDAlert& alert) override {
        shown.append(alert);
        return m_answers.isEmpty() ? 0 : m_answers.takeFirst();
    }
    QList<TDAlert> shown;

private:
    QList<int> m_answers;
};

}  // namespace testsupport
