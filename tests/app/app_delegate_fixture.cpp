#include "tests/app/app_delegate_fixture.h"

#include "model/library.h"
#include "platform/defaults/user_defaults.h"
#include "store/import_progress.h"
#include "store/library_manager.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QUrl>

namespace apptest {

DirectRestorer::DirectRestorer(TDLibraryManager& manager, TDAlertPrompter& prompter)
    : m_progress(std::make_unique<TDImportProgress>(manager, prompter)) {
}

DirectRestorer::~DirectRestorer() = default;

TDImportProgress* DirectRestorer::restoreLibraryFromBackupAtPath(const QString& path) {
    return m_progress->restoreLibraryFromBackupAtPath(path) ? m_progress.get() : nullptr;
}

bool DirectRestorer::isRestoring() const {
    return m_progress->isShown();
}

void AppDelegateTest::SetUp() {
    TempFoldersTest::SetUp();
    // Only the saves the delegate makes count.
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), 24 * 60 * 60.0);
    defaults().setValue(QStringLiteral("firstLaunch"), false);
    manager = std::make_unique<TDLibraryManager>();
    TDLibraryManager::setSharedManager(manager.get());
    restorer = std::make_unique<DirectRestorer>(*manager, prompter);
}

void AppDelegateTest::TearDown() {
    TDSetAppDelegate(nullptr);
    // A restore's operation ends on the main thread after the library reopened: let it, or the import
    // queue would wait for it forever while the main thread waits for the queue.
    EXPECT_TRUE(testsupport::spinUntil([this] { return !restorer->isRestoring(); }, 10000));
    restorer.reset();
    delegate.reset();
    manager.reset();
    TDLibraryManager::setSharedManager(nullptr);
    TempFoldersTest::TearDown();
}

QString AppDelegateTest::packagePath(const QString& name) const {
    return QDir(tempPath()).filePath(name + QStringLiteral(".odllibrary"));
}

AppDelegate& AppDelegateTest::makeDelegate() {
    TDSetAppDelegate(nullptr);
    delegate.reset();
    delegate = std::make_unique<AppDelegate>(
        *manager, TDAppDelegateServices{prompter, chooser, windows, *restorer, syncControl});
    // Calls after a delay are left to the tests that look at them.
    delegate->setDelayedCallScheduler([](double, std::function<void()>) {});
    TDSetAppDelegate(delegate.get());
    delegate->applicationWillFinishLaunching();
    return *delegate;
}

std::optional<int> AppDelegateTest::launch(const TDLaunchOptions& options) {
    return makeDelegate().applicationDidFinishLaunching(options);
}

void AppDelegateTest::createLibraryAt(const QString& path) {
    prompter.answers = {1};
    chooser.created = {path};
    defaults().removeValue(QStringLiteral("libraryURL"));
    ASSERT_EQ(launch(), std::nullopt);
    ASSERT_TRUE(manager->library());
    ASSERT_TRUE(manager->close().ok());
    prompter.shown.clear();
    windows.calls.clear();
}

void AppDelegateTest::storeLocation(const QString& path) {
    defaults().setValue(QStringLiteral("libraryURL"), QUrl::fromLocalFile(path).toString());
}

QString AppDelegateTest::backedUpLibraryAt(const QString& path) {
    createLibraryAt(path);
    storeLocation(path);
    if (launch() != std::nullopt || !manager->library()) {
        ADD_FAILURE() << "the library at " << path.toStdString() << " did not open";
        return {};
    }
    const QString uid = manager->library()->uid();
    manager->savePropertyListBackup();
    manager->finishPendingOperations();
    EXPECT_TRUE(manager->close().ok());
    return uid;
}

QStringList AppDelegateTest::alertMessages() const {
    QStringList messages;
    for (const TDAlert& alert : prompter.shown) messages << alert.messageText;
    return messages;
}

}  // namespace apptest
