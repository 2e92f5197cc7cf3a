#include "app/library_session.h"
#include "foundation/alert.h"
#include "foundation/application_delegate.h"
#include "model/library.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QUrl>

namespace {

class ScriptedPrompter : public TDAlertPrompter {
public:
    int answer = 0;
    QList<TDAlert> alerts;
    int runModal(const TDAlert& alert) override {
        alerts.append(alert);
        return answer;
    }
};

class QuietDelegate : public TDApplicationDelegate {
public:
    void handleError(const std::optional<TDError>& error, const QString&) override {
        if (error) ++errors;
    }
    int errors = 0;
};

class LibrarySessionTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        TDSetAppDelegate(&delegate);
        manager =
            std::make_unique<TDLibraryManager>(QDir(tempPath()).filePath(QStringLiteral("L.odllibrary")));
        TDLibraryManager::setSharedManager(manager.get());
    }
    void TearDown() override {
        manager.reset();
        TDLibraryManager::setSharedManager(nullptr);
        TDSetAppDelegate(nullptr);
        TempFoldersTest::TearDown();
    }
    QuietDelegate delegate;
    ScriptedPrompter prompter;
    std::unique_ptr<TDLibraryManager> manager;
};

TEST_F(LibrarySessionTest, CreatesAMissingLibraryThenOpensTheSameOne) {
    TDLibrarySession session(*manager, prompter);
    ASSERT_TRUE(session.openOrCreateLibrary());
    EXPECT_TRUE(manager->libraryExists());
    const QString uid = manager->library()->uid();
    EXPECT_EQ(defaults().string(QStringLiteral("libraryURL")),
              QUrl::fromLocalFile(manager->libraryPath()).toString());
    ASSERT_TRUE(manager->close().ok());
    ASSERT_TRUE(session.openOrCreateLibrary());
    EXPECT_EQ(manager->library()->uid(), uid);
    EXPECT_TRUE(prompter.alerts.isEmpty());
}

TEST_F(LibrarySessionTest, AnOpeningErrorIsHandledAndShown) {
    ASSERT_TRUE(QDir().mkpath(manager->libraryPath()));
    QFile store(manager->storePath());
    ASSERT_TRUE(store.open(QIODevice::WriteOnly));
    store.write("not a library");
    store.close();
    TDLibrarySession session(*manager, prompter);
    EXPECT_FALSE(session.openOrCreateLibrary());
    EXPECT_EQ(delegate.errors, 1);
    ASSERT_EQ(prompter.alerts.size(), 1);
    EXPECT_EQ(prompter.alerts.first().buttons, QStringList{QStringLiteral("Quit")});
}

TEST_F(LibrarySessionTest, AFailedSaveAtQuitLetsTheUserStay) {
    TDLibrarySession session(*manager, prompter);
    ASSERT_TRUE(session.openOrCreateLibrary());
    manager->library()->setValue(QStringLiteral("version"), QVariant());  // unsavable
    prompter.answer = 1;                                                  // Cancel
    EXPECT_FALSE(session.quit());
    ASSERT_EQ(prompter.alerts.size(), 1);
    EXPECT_EQ(prompter.alerts.first().informativeText,
              QStringLiteral("Could not save changes while quitting. Quit anyway?"));
    EXPECT_NE(manager->library(), nullptr);
    prompter.answer = 0;  // Quit Anyway
    EXPECT_TRUE(session.quit());
    EXPECT_EQ(manager->library(), nullptr);
}

}  // namespace
