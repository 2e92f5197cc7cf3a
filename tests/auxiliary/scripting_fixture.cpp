#include "tests/auxiliary/scripting_fixture.h"

#include "foundation/application_delegate.h"
#include "model/folder.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "model/task_timer_window.h"
#include "platform/defaults/user_defaults.h"

#include <QCoreApplication>
#include <QDir>

namespace testsupport {

bool RecordingScriptingHost::selectGroup(TDGroup* group) {
    if (unselectable.contains(group)) return false;
    selected = group;
    return true;
}

RecordingScriptingHost::~RecordingScriptingHost() {
    if (m_timer) TDTaskTimerWindow::setShared(nullptr);
}

TDTimerController* RecordingScriptingHost::timerController() {
    TDLibrary* open = library();
    if (!open) return nullptr;
    if (!m_timer) {
        m_timer = std::make_unique<TDTimerWindowController>(m_manager, platform::UserDefaults::standard());
        // Begin Timing of a task reaches the timer the program shares.
        TDTaskTimerWindow::setShared(m_timer.get());
    }
    return m_timer.get();
}

void ScriptingLibraryTest::SetUp() {
    TempFoldersTest::SetUp();
    TDClock::setShared(&clock);
    TDSetAppDelegate(&appDelegate);
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), 24 * 60 * 60);
    manager =
        std::make_unique<TDLibraryManager>(QDir(tempPath()).filePath(QStringLiteral("Links.odllibrary")));
    TDLibraryManager::setSharedManager(manager.get());
    ASSERT_TRUE(manager->createLibrary().ok());
    library = manager->library();
    work = library->createFolder(QStringLiteral("Work"), library->foldersGroup());
    reports = library->createList(QStringLiteral("Reports"), work);
    errands = library->createList(QStringLiteral("Errands"), library->foldersGroup());
    draft = library->createTaskFromImportDictionary({{QStringLiteral("title"), QStringLiteral("Draft")}},
                                                    reports);
    outline = library->createTaskFromImportDictionary({{QStringLiteral("title"), QStringLiteral("Outline")}},
                                                      draft);
    processChanges();
    manager->undoManager()->removeAllActions();
    host = std::make_unique<RecordingScriptingHost>(*manager);
    (void)host->timerController();
}

void ScriptingLibraryTest::TearDown() {
    host.reset();
    manager->closeDiscardingChanges();
    manager.reset();
    TDLibraryManager::setSharedManager(nullptr);
    TDSetAppDelegate(nullptr);
    TDClock::setShared(nullptr);
    TempFoldersTest::TearDown();
}

void ScriptingLibraryTest::processChanges() {
    manager->managedObjectContext()->processPendingChanges();
    // The end of the event-loop pass closes the pass's undo group.
    QCoreApplication::processEvents();
}

}  // namespace testsupport
