#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace platform {
class UserDefaults;
}

namespace testsupport {

// Points the XDG config, data and cache folders at the given folder.
void pointFoldersAt(const QString& folder);

// Runs the event loop until the condition holds; false once the time limit has passed without it. The
// limit only ends a test that would otherwise hang, so it is generous enough for a heavily loaded machine.
bool spinUntil(const std::function<bool()>& condition, int maxMilliseconds = 60000);
// Handles every event that is waiting now, timers of zero interval included.
void drainEvents();

// Every file under the folder, hidden ones and those in sub-folders included, that holds the text (as
// UTF-8): for checking that a secret was written nowhere.
QStringList filesContaining(const QString& folder, const QString& text);

// What each fixture's fresh user defaults are given before a test runs: the test main of a layer that
// has default settings installs their registration.
void setDefaultsRegistration(std::function<void(platform::UserDefaults&)> registration);

// A fixture with fresh temporary config and data folders and its own user defaults, installed as the
// standard ones for the test's duration.
class TempFoldersTest : public ::testing::Test {
public:
    TempFoldersTest();
    ~TempFoldersTest() override;

protected:
    void SetUp() override;
    void TearDown() override;
    QString tempPath() const { return m_dir->path(); }
    platform::UserDefaults& defaults() { return *m_defaults; }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<platform::UserDefaults> m_defaults;
};

}  // namespace testsupport
