#include "store/gui/import_window_controller.h"
#include "store/import_progress.h"
#include "tests/store/library_manager_fixture.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>

namespace storetest {
namespace {

using ImportWindowControllerTest = LibraryManagerTest;

TEST_F(ImportWindowControllerTest, TheWindowShowsTheRestoreAndItsEstimateAndClosesWhenItFails) {
    ASSERT_TRUE(createLibrary());
    ScriptedAlertPrompter prompter;
    TDImportWindowController window(*manager, prompter);
    window.restoreLibraryFromBackupAtPath(QDir(tempPath()).filePath(QStringLiteral("notes.txt")));
    EXPECT_FALSE(window.isVisible());

    // The estimate appears from the tenth update on.
    TDImportProgress& progress = window.progress();
    progress.importerDidSetMaxProgress(100);
    for (int i = 1; i <= 9; ++i) progress.importerDidSetCurrentProgress(i);
    EXPECT_TRUE(progress.statusText().isEmpty());
    clock->advanceSeconds(10);
    progress.importerDidSetCurrentProgress(10);
    EXPECT_TRUE(progress.statusText().startsWith(QLatin1String("About ")))
        << progress.statusText().toStdString();
    auto* indicator = window.findChild<QProgressBar*>();
    ASSERT_NE(indicator, nullptr);
    EXPECT_EQ(indicator->maximum(), 100);
    EXPECT_EQ(indicator->value(), 10);

    const QString bad = QDir(tempPath()).filePath(QStringLiteral("broken.odlbackup"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<plist><dict>");
    file.close();
    window.restoreLibraryFromBackupAtPath(bad);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(indicator->maximum(), 0);  // indeterminate until the restore counts its objects
    ASSERT_TRUE(testsupport::spinUntil([&] { return !window.isVisible(); }));
    ASSERT_EQ(delegate.errors.size(), 1);
    EXPECT_EQ(delegate.errors.first().first.code, 200);
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_NE(manager->library(), nullptr);
}

}  // namespace
}  // namespace storetest
