#pragma once

#include "foundation/alert.h"

#include <QList>

#include <functional>

namespace testsupport {

// Answers alerts from a script of button indexes (0 once the script is used up) and keeps every alert shown.
class ScriptedAlertPrompter : public TDAlertPrompter {
public:
    explicit ScriptedAlertPrompter(QList<int> script = {}) : answers(std::move(script)) {}
    int runModal(const TDAlert& alert) override {
        shown.append(alert);
        if (whileShown) whileShown(alert);
        return answers.isEmpty() ? 0 : answers.takeFirst();
    }

    // The answers still to give, first first.
    QList<int> answers;
    QList<TDAlert> shown;
    // Runs while each alert is up, as something outside the alert would (a quit signal, say).
    std::function<void(const TDAlert&)> whileShown;
};

}  // namespace testsupport
