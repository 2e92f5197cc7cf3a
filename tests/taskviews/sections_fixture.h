#pragma once

#include "model/folder.h"
#include "model/library.h"
#include "model/library_model.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/task_sections.h"
#include "tests/support/test_environment.h"

#include <QStringList>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace sectionstest {

// A new library in a temporary store without its starter tasks; the clock stands at 9 December 2026,
// 10:00.
class SectionsTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        clock = std::make_unique<TDTestClock>(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        TDClock::setShared(clock.get());
        auto model = TDLibraryObjectModel();
        ASSERT_TRUE(model.ok()) << model.error().detailedDescription().toStdString();
        coordinator = std::make_unique<platform::PersistentStoreCoordinator>(*model);
        const Status opened = coordinator->openStore(tempPath() + QStringLiteral("/library.sqlite3"));
        ASSERT_TRUE(opened.ok()) << opened.error().detailedDescription().toStdString();
        undoManager = std::make_unique<platform::UndoManager>();
        context = std::make_unique<TDManagedObjectContext>(coordinator.get());
        context->setUndoManager(undoManager.get());
        journalContext = std::make_unique<TDManagedObjectContext>(coordinator.get());

        context->setCreatingLibrary(true);
        undoManager->disableUndoRegistration();
        library = context->insertObject<TDLibrary>(QStringLiteral("Library"));
        ASSERT_NE(library, nullptr);
        context->setLibrary(library);
        auto* journal = journalContext->insertObject<TDSyncSet>(QStringLiteral("SyncSet"));
        journal->setSyncType(QStringLiteral("corvane"));
        journalContext->setLibrary(library);
        library->setCorvaneSyncSetManagedObjectContext(journalContext.get());
        library->setCorvaneSyncSet(journal);
        library->createObjectsForNewLibrary();
        context->setCreatingLibrary(false);
        for (TDTask* starter : library->allTasks())
            if (!starter->isDeleted()) starter->deleteObject();
        settle();
    }
    void TearDown() override {
        journalContext.reset();
        context.reset();
        undoManager.reset();
        coordinator.reset();
        TDClock::setShared(nullptr);
        clock.reset();
        TempFoldersTest::TearDown();
    }

    // A task at the end of a task's or a group's ordered tasks (none: an orphan).
    TDTask* task(const QString& title, TDLibraryObject* parent = nullptr) {
        TDTask* made = library->createOrphanTask();
        made->setTitle(title);
        TDOrderedCollection* collection = nullptr;
        if (auto* parentTask = dynamic_cast<TDTask*>(parent))
            collection = parentTask->orderedTasks();
        else if (auto* group = dynamic_cast<TDGroup*>(parent))
            collection = group->orderedTasks();
        if (collection) {
            EXPECT_TRUE(collection->addObject(made).ok());
        }
        return made;
    }
    // Lets the library bring smart folders and aggregates up to date, as after an event-loop pass.
    void settle() {
        context->processPendingChanges();
        library->processModifiedObjects();
        context->processPendingChanges();
        context->recalculateTransientProperties();
    }
    QDateTime today(qint64 days = 0, qint64 seconds = 0) const {
        return QDateTime(QDate(2026, 12, 9).addDays(days), QTime(0, 0)).addSecs(seconds);
    }

    static QStringList titles(const TDSectionList& sections) {
        QStringList list;
        for (const auto& section : sections) list.append(section->title());
        return list;
    }
    static QStringList members(TDOrderedCollection* section) {
        QStringList list;
        // Tag tokens that joining a tag adds to a title are left out.
        for (TDTask* t : section->objectsAs<TDTask>())
            list.append(t->title().section(QStringLiteral(" /"), 0, 0));
        return list;
    }
    // Section title -> the titles of the tasks it shows, for the sections that show any.
    static QMap<QString, QStringList> contents(const TDSectionList& sections) {
        QMap<QString, QStringList> map;
        for (const auto& section : sections)
            if (section->count()) map.insert(section->title(), members(section.get()));
        return map;
    }

    std::unique_ptr<TDTestClock> clock;
    std::unique_ptr<platform::PersistentStoreCoordinator> coordinator;
    std::unique_ptr<platform::UndoManager> undoManager;
    std::unique_ptr<TDManagedObjectContext> context;
    std::unique_ptr<TDManagedObjectContext> journalContext;
    TDLibrary* library = nullptr;
};

}  // namespace sectionstest
