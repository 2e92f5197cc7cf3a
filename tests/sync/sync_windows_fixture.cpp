#include "tests/sync/sync_windows_fixture.h"

#include "platform/notifications/notification_center.h"

#include <QSignalSpy>

namespace synctest {

void SyncWindowsTest::SetUp() {
    TransportTest::SetUp();
    platform::Workspace::setShared(&workspace);
    defaults().setValue(QStringLiteral("corvaneWebsiteURL"), QStringLiteral("https://www.example.org/"));
    manager = std::make_unique<TDLibraryManager>(tempPath() + QStringLiteral("/Test.odllibrary"));
    TDLibraryManager::setSharedManager(manager.get());
    const Result<TDLibrary*> created = manager->createLibrary();
    ASSERT_TRUE(created.ok()) << describe(created.error());
    platform::NotificationCenter::defaultCenter().addObserver(
        &observer, TDActiveLibraryDidChangeNotification, nullptr, [this](const platform::Notification&) {
            if (!manager->library()) {
                ASSERT_TRUE(manager->loadLibrary().ok());
            }
        });
}

void SyncWindowsTest::TearDown() {
    platform::NotificationCenter::defaultCenter().removeObserver(&observer);
    if (manager->library()) {
        EXPECT_TRUE(manager->close().ok());
    }
    TDLibraryManager::setSharedManager(nullptr);
    manager.reset();
    platform::Workspace::setShared(nullptr);
    TransportTest::TearDown();
}

TDCorvaneConnection::Options SyncWindowsTest::connectionOptions() const {
    return options();
}

std::unique_ptr<TDCorvaneSyncPreferencesController> SyncWindowsTest::makePane() {
    auto pane = std::make_unique<TDCorvaneSyncPreferencesController>(*manager, host, defaults());
    pane->setConnectionOptions(connectionOptions());
    pane->setupPreferencePane();
    return pane;
}

void SyncWindowsTest::signIn(TDCorvaneSyncPreferencesController& pane, const QString& password) {
    QSignalSpy finished(&pane, &TDCorvaneSyncPreferencesController::verifyFinished);
    pane.setUsername(kUser);
    pane.setPassword(password);
    pane.signIn();
    ASSERT_TRUE(finished.count() > 0 || finished.wait(60000));
}

bool SyncWindowsTest::syncEnabled() {
    return manager->optionForKey(QStringLiteral("corvaneSyncEnabled")).toBool();
}

QStringList SyncWindowsTest::filesContaining(const QString& text) const {
    return testsupport::filesContaining(tempPath(), text);
}

}  // namespace synctest
