#pragma once

#include "foundation/alert.h"

#include <QList>

namespace testsupport {

// Answers alerts from a script of button indexes (0 once the script is used up) and keeps every alert shown.
class ScriptedAlertPrompter : public TDAlertPrompter {
public:
    explicit ScriptedAlertPrompter(QList<int> script = {}) : answers(std::move(script)) {}
    int runModal(const TDAlert& alert) override {
        shown.append(alert);
        return answers.isEmpty() ? 0 : answers.takeFirst();
    }

    // The answers still to give, first first.
    QList<int> answers;
    QList<TDAlert> shown;
};

}  // namespace testsupport
