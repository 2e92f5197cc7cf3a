#pragma once

#include "foundation/alert.h"
#include "foundation/application_delegate.h"
#include "platform/base/clock.h"
#include "store/library_manager.h"
#include "tests/support/test_environment.h"

#include <QList>
#include <QPair>

#include <memory>

namespace storetest {

// Records what the model and the store hand to the application shell.
class RecordingDelegate : public TDApplicationDelegate {
public:
    void handleError(const std::optional<TDError>& error, const QString& message) override {
        if (error) errors.append({*error, message});
    }
    bool attemptRecoveryFromError(const TDError& error, int optionIndex) override {
        recoveries.append({error.code, optionIndex});
        return false;
    }

    QList<QPair<TDError, QString>> errors;
    QList<QPair<int, int>> recoveries;
};

// Answers every alert with the button given, and keeps the alerts.
class ScriptedPrompter : public TDAlertPrompter {
public:
    explicit ScriptedPrompter(int answer) : m_answer(answer) {}
    int runModal(const TDAlert& alert) override {
        alerts.append(alert);
        return m_answer;
    }
    QList<TDAlert> alerts;

private:
    int m_answer;
};

// A library package in a temporary folder with its own shared manager, a recording application
// delegate, a clock standing still and a short autosave delay.
class LibraryManagerTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override;
    void TearDown() override;

    QString packagePath() const;
    // A manager for the package, installed as the shared one.
    TDLibraryManager& newManager();
    // Creates the library and fails the test on an error.
    TDLibrary* createLibrary();
    // Main-context saves since the call of startCountingSaves.
    void startCountingSaves();
    int saves = 0;

    std::unique_ptr<TDTestClock> clock;
    RecordingDelegate delegate;
    std::unique_ptr<TDLibraryManager> manager;

private:
    std::unique_ptr<QObject> m_saveObserver;
};

}  // namespace storetest
