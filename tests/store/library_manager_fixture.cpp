#include "tests/store/library_manager_fixture.h"

#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"

#include <QDir>

namespace storetest {

void LibraryManagerTest::SetUp() {
    TempFoldersTest::SetUp();
    clock = std::make_unique<TDTestClock>(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    TDClock::setShared(clock.get());
    TDSetAppDelegate(&delegate);
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), kAutosaveDelayBeyondAnyTest);
}

void LibraryManagerTest::TearDown() {
    m_saveObserver.reset();
    manager.reset();
    TDLibraryManager::setSharedManager(nullptr);
    TDSetAppDelegate(nullptr);
    TDClock::setShared(nullptr);
    clock.reset();
    TempFoldersTest::TearDown();
}

QString LibraryManagerTest::packagePath() const {
    return QDir(tempPath()).filePath(QStringLiteral("Ordello Library.odllibrary"));
}

TDLibraryManager& LibraryManagerTest::newManager() {
    manager.reset();
    manager = std::make_unique<TDLibraryManager>(packagePath());
    TDLibraryManager::setSharedManager(manager.get());
    return *manager;
}

TDLibrary* LibraryManagerTest::createLibrary() {
    auto created = newManager().createLibrary();
    EXPECT_TRUE(created.ok()) << (created.ok() ? std::string()
                                               : created.error().detailedDescription().toStdString());
    return created.ok() ? *created : nullptr;
}

void LibraryManagerTest::addTasksAndSave(TDLibrary& library, TDList* list, int count,
                                         const std::function<void(TDTask& task, int i)>& dress) {
    for (int i = 0; i < count; ++i) {
        TDTask* task = library.createTask();
        task->setObject(QStringLiteral("parentList"), list);
        dress(*task, i);
        for (int j = 0; j < i % 3; ++j) {
            TDTask* subtask = library.createTask();
            subtask->setTitle(QStringLiteral("Step %1.%2").arg(i).arg(j));
            task->addSubtasks({subtask});
        }
        clock->advanceSeconds(61);
    }
    EXPECT_TRUE(manager->saveLibrary());
    manager->finishPendingOperations();
}

void LibraryManagerTest::startCountingSaves() {
    saves = 0;
    m_saveObserver = std::make_unique<QObject>();
    platform::NotificationCenter::defaultCenter().addObserver(
        m_saveObserver.get(), platform::ManagedObjectContextDidSaveNotification,
        static_cast<platform::ManagedObjectContext*>(manager->managedObjectContext()),
        [this](const platform::Notification&) { ++saves; });
}

}  // namespace storetest
